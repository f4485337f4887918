// The simulated board's motor side worked out over time: steps and
// trajectories, PWM, the current it drives, its supply and its heating.
#include "board_model.h"

#include "wire_codec.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr std::uint8_t kEnableInput = 0x02;
constexpr std::uint8_t kFaultOvertemperature = 0x01;

constexpr std::uint8_t kModeDefault = 1;
constexpr std::uint8_t kModeStepDir = 2;
constexpr std::uint8_t kModeDcMotor = 3;
constexpr std::uint8_t kModeTrajectory = 4;

// Indices of the status-text table.
constexpr std::uint8_t kStateNoPower = 0;
constexpr std::uint8_t kStateSleep = 1;
constexpr std::uint8_t kStateActive = 2;
constexpr std::uint8_t kStateIdle = 3;
constexpr std::uint8_t kStateOverheated = 4;
constexpr std::uint8_t kStatePwm = 5;

constexpr double kStepClockHz = 4800000.0;
constexpr double kVoltsPerCount = 3.3 * 49.2 / (2.2 * 1024);
constexpr double kMinimumSupply = 8.0;
constexpr double kNominalSupply = 24.0;
constexpr double kSagPerAmp = 0.1;
constexpr double kPi = 3.14159265358979323846;

// Heating: the board settles at ambient + k * I^2 with a first-order lag.
constexpr double kAmbient = 25.0;
constexpr double kHeatPerAmpSquared = 4.0;
constexpr double kThermalTimeConstant = 30.0;

constexpr double kGains[4] = {5.0, 10.0, 20.0, 40.0};

// Values block offsets.
constexpr int kCtrlWordHigh = 1;
constexpr int kTorqueWordLow = 2;
constexpr int kOffWordHigh = 5;
constexpr int kTempLimit = 16;
constexpr int kIdleWordLow = 17;
constexpr int kIdleWordHigh = 18;

constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo32 = 4294967296.0;

// The board counts steps in 32 bits; its count wraps round.
double wrapSteps(double steps)
{
    if (steps >= -kTwoTo31 && steps < kTwoTo31)
        return steps;
    const double r = std::fmod(steps + kTwoTo31, kTwoTo32);
    return (r < 0 ? r + kTwoTo32 : r) - kTwoTo31;
}

std::int32_t wireSteps(double steps)
{
    const double whole = wrapSteps(std::round(steps));
    return std::int32_t(std::int64_t(whole >= kTwoTo31 ? whole - kTwoTo32 : whole));
}

std::int32_t wireSpeed(double speed)
{
    return std::int32_t(std::clamp(std::round(speed), -kTwoTo31, kTwoTo31 - 1));
}

double amperes(std::uint8_t torque, std::uint8_t gainCode)
{
    return torque * 2.75 / (kGains[gainCode & 3] * 8.448);
}

std::uint16_t rawOf(double value, double unit)
{
    return std::uint16_t(std::clamp(std::round(value / unit), 0.0, 65535.0));
}

} // namespace

void BoardModel::advanceTo(qint64 ms)
{
    if (!started_) {
        started_ = true;
        nowMs_ = ms;
        return;
    }
    if (ms <= nowMs_)
        return;
    const double seconds = double(ms - nowMs_) / 1000.0;
    nowMs_ = ms;
    elapsed_ += seconds;

    heat(seconds);
    settle();
    if (stepping()) {
        if (mode_ == kModeStepDir)
            axis_.position = wrapSteps(axis_.position + axis_.speed * seconds);
        else
            moveTowards(axis_, target_, profile_, seconds);
    }
    checkTemperature();
}

LiveValues BoardModel::values() const
{
    const Current current = outputCurrent();
    LiveValues v;
    v.voltageRaw = pinned(kPinVoltage) ? given_.voltageRaw : rawOf(supplyVolts(), kVoltsPerCount);
    v.temperatureRaw = pinned(kPinTemperature) ? given_.temperatureRaw : rawOf(temperature_, 0.125);
    v.inputs = std::uint8_t(otherInputs_ | (enabled_ ? kEnableInput : 0));
    v.driverState = pinned(kPinDriverState) ? given_.driverState : driverState();
    v.mode = mode_;
    v.gainCode = pinned(kPinGain) ? given_.gainCode : current.gainCode;
    v.torque = pinned(kPinTorque) ? given_.torque : current.torque;
    v.faults = faults_;
    v.position = wireSteps(axis_.position);
    v.speed = pinned(kPinSpeed) ? given_.speed : wireSpeed(axis_.speed);
    return v;
}

void BoardModel::setValues(const LiveValues& values)
{
    given_ = values;
    pins_ = kPinsAll;
    enabled_ = (values.inputs & kEnableInput) != 0;
    otherInputs_ = std::uint8_t(values.inputs & ~kEnableInput);
    mode_ = values.mode;
    faults_ = values.faults;
    axis_.position = values.position;
    axis_.speed = 0.0;
    stepRate_ = 0.0;
    target_ = values.position;
    settle();
}

void BoardModel::releaseValues()
{
    pins_ = 0;
}

void BoardModel::setDriverRegisters(const QByteArray& block)
{
    if (block.size() < wire::kValuesBlockLength)
        return;
    auto byte = [&block](int i) { return std::uint8_t(block[i]); };
    fullScale_ = {byte(kTorqueWordLow), std::uint8_t(byte(kCtrlWordHigh) & 3)};
    idle_ = {byte(kIdleWordLow), std::uint8_t(byte(kIdleWordHigh) & 3)};
    temperatureLimit_ = byte(kTempLimit);
    dcMotorMode_ = (byte(kOffWordHigh) & 1) != 0;
    if (!dcMotorMode_ && mode_ == kModeDcMotor) {
        // The outputs are a stepper's again: the PWM stops.
        mode_ = kModeDefault;
        duties_ = {};
        pins_ &= ~unsigned(kPinDriverState);
    }
    pins_ &= ~unsigned(kPinGain | kPinTorque);
    settle();
}

void BoardModel::setEnabled(bool enabled)
{
    enabled_ = enabled;
    pins_ &= ~unsigned(kPinsDriven);
    settle();
}

void BoardModel::setStepRate(std::int32_t divider, bool forward)
{
    const qint64 ticks = qint64(divider) + 1; // a divider of -1 stops the generator
    const double rate = ticks > 0 ? double(qint64(kStepClockHz) / ticks) : 0.0;
    stepRate_ = forward ? rate : -rate;
    mode_ = kModeStepDir;
    pins_ &= ~unsigned(kPinsDriven);
    settle();
}

void BoardModel::setTrajectory(std::int32_t target, std::int32_t maxSpeed,
                               std::int32_t acceleration, std::int32_t deceleration)
{
    mode_ = kModeTrajectory;
    target_ = target;
    profile_ = {double(maxSpeed), double(acceleration), double(deceleration)};
    if (!profile_.moves()) {
        // Nothing would ever move: the axis holds where it is.
        axis_.position = std::round(axis_.position);
        axis_.speed = 0.0;
        target_ = axis_.position;
    }
    pins_ &= ~unsigned(kPinsDriven);
    settle();
}

void BoardModel::stopTrajectory()
{
    if (mode_ != kModeTrajectory)
        return;
    const double v = axis_.speed;
    if (v == 0.0 || !profile_.moves()) {
        target_ = axis_.position;
    } else {
        // The nearest whole step at or beyond the braking distance.
        const double stop = axis_.position + v * std::abs(v) / (2 * profile_.deceleration);
        target_ = v > 0 ? std::ceil(stop) : std::floor(stop);
    }
    pins_ &= ~unsigned(kPinsDriven);
}

void BoardModel::setHome()
{
    axis_.position = 0.0;
    target_ = 0.0;
    pins_ &= ~unsigned(kPinsDriven);
}

void BoardModel::setPwm(const std::array<std::uint8_t, 4>& duties)
{
    if (!dcMotorMode_)
        return;
    mode_ = kModeDcMotor;
    duties_ = duties;
    pins_ &= ~unsigned(kPinsDriven);
    settle();
}

void BoardModel::resetFaults()
{
    faults_ = 0;
    pins_ &= ~unsigned(kPinsDriven);
    checkTemperature(); // still too hot: it trips again at once
    settle();
}

void BoardModel::powerOff()
{
    enabled_ = false;
    mode_ = kModeDefault;
    faults_ = 0;
    axis_ = Axis();
    stepRate_ = 0.0;
    target_ = 0.0;
    profile_ = Profile();
    duties_ = {};
    pins_ &= ~unsigned(kPinsDriven);
}

bool BoardModel::powered() const
{
    // The board's own supply never sags anywhere near the limit.
    return !pinned(kPinVoltage) || given_.voltageRaw * kVoltsPerCount >= kMinimumSupply;
}

bool BoardModel::driving() const
{
    return enabled_ && powered() && faults_ == 0;
}

bool BoardModel::stepping() const
{
    return driving() && (mode_ == kModeStepDir || mode_ == kModeTrajectory);
}

BoardModel::Current BoardModel::outputCurrent() const
{
    const Current none{0, fullScale_.gainCode};
    if (!driving())
        return none;
    if (mode_ == kModeDcMotor) {
        const bool running = std::any_of(duties_.begin(), duties_.end(),
                                         [](std::uint8_t duty) { return duty != 0; });
        return running ? fullScale_ : none;
    }
    return axis_.speed != 0.0 ? fullScale_ : idle_;
}

double BoardModel::outputAmps() const
{
    const Current c = outputCurrent();
    return amperes(c.torque, c.gainCode);
}

double BoardModel::supplyVolts() const
{
    const double amps = outputAmps();
    // A little deterministic ripple, and a sag under load.
    return kNominalSupply + 0.15 * std::sin(2 * kPi * elapsed_ / 1.3) +
           0.05 * std::sin(2 * kPi * elapsed_ / 0.17) - kSagPerAmp * amps;
}

std::uint8_t BoardModel::driverState() const
{
    if (!powered())
        return kStateNoPower;
    if (faults_ & kFaultOvertemperature)
        return kStateOverheated;
    if (!enabled_)
        return kStateSleep;
    if (mode_ == kModeDcMotor)
        return kStatePwm;
    return axis_.speed != 0.0 ? kStateActive : kStateIdle;
}

void BoardModel::settle()
{
    // Steps come only while the driver drives, at once at the set rate.
    if (!stepping())
        axis_.speed = 0.0;
    else if (mode_ == kModeStepDir)
        axis_.speed = stepRate_;
}

void BoardModel::heat(double seconds)
{
    const double amps = outputAmps();
    const double settled = kAmbient + kHeatPerAmpSquared * amps * amps;
    temperature_ += (settled - temperature_) * (1.0 - std::exp(-seconds / kThermalTimeConstant));
}

void BoardModel::checkTemperature()
{
    // A limit of 0 would keep the board shut down for good; it means none.
    if (temperatureLimit_ > 0 && temperature_ >= temperatureLimit_) {
        faults_ |= kFaultOvertemperature;
        settle();
    }
}

} // namespace sim
