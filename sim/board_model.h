// What the simulated board measures and reports about its motor side: the
// step generator, the trajectory generator, the DC-motor PWM, the enable
// input, the motor current, the supply and the board temperature. It has no
// timer: the board brings it up to the present before each report it sends
// and each command it takes, and it works out what happened in between.
#pragma once

#include "motion_profile.h"
#include "sim_control.h"

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <cstdint>

namespace sim {

class BoardModel {
public:
    // Runs the model on to this time (monotonic milliseconds); the first call
    // only sets the clock, and earlier times change nothing.
    void advanceTo(qint64 ms);

    // The values as the board reports them at the time last advanced to.
    LiveValues values() const;

    // A test's values. The enable and other inputs, the mode, the faults and
    // the position become the board's state (it stands at that position: an
    // unfinished trajectory and a step rate are dropped). Supply, temperature, speed, driver state,
    // gain and torque are reported as given until a command drives them again;
    // supply and temperature only until releaseValues(). A given supply is
    // also what the driver runs on; a given temperature is only reported.
    void setValues(const LiveValues& values);
    void releaseValues();

    // The 21-byte values block the driver runs with: its currents, its
    // temperature limit and the DC-motor bit.
    void setDriverRegisters(const QByteArray& block);

    // Commands. Steps and trajectories are remembered while the driver cannot
    // drive (asleep, faulted, no supply) and run once it can.
    void setEnabled(bool enabled);
    void setStepRate(std::int32_t divider, bool forward);
    void setTrajectory(std::int32_t target, std::int32_t maxSpeed, std::int32_t acceleration,
                       std::int32_t deceleration);
    void stopTrajectory(); // decelerates to a stop with the trajectory's deceleration
    void setHome();
    // Channel A forward, A reverse, B forward, B reverse; ignored unless the
    // driver values select DC-motor mode.
    void setPwm(const std::array<std::uint8_t, 4>& duties);
    void resetFaults();
    // Power goes: what the board holds in RAM starts afresh; the heat stays.
    void powerOff();

private:
    struct Current {
        std::uint8_t torque;
        std::uint8_t gainCode;
    };
    enum Pin : unsigned {
        kPinVoltage = 1u << 0,
        kPinTemperature = 1u << 1,
        kPinSpeed = 1u << 2,
        kPinDriverState = 1u << 3,
        kPinGain = 1u << 4,
        kPinTorque = 1u << 5,
        kPinsDriven = kPinSpeed | kPinDriverState | kPinGain | kPinTorque,
        kPinsAll = kPinsDriven | kPinVoltage | kPinTemperature,
    };

    bool pinned(unsigned pin) const { return (pins_ & pin) != 0; }
    bool powered() const;
    bool driving() const;
    bool stepping() const;
    Current outputCurrent() const;
    double outputAmps() const;
    double supplyVolts() const;
    std::uint8_t driverState() const;
    void settle();
    void heat(double seconds);
    void checkTemperature();

    bool started_ = false;
    qint64 nowMs_ = 0;
    double elapsed_ = 0.0; // seconds since the clock was set

    // The driver values of a fresh board.
    Current fullScale_{135, 2};
    Current idle_{122, 3};
    int temperatureLimit_ = 85;
    bool dcMotorMode_ = false;

    bool enabled_ = false;
    std::uint8_t otherInputs_ = 0;
    std::uint8_t mode_ = 1;
    std::uint8_t faults_ = 0;
    Axis axis_;
    double stepRate_ = 0.0;
    double target_ = 0.0;
    Profile profile_;
    std::array<std::uint8_t, 4> duties_{};
    double temperature_ = 25.0;

    unsigned pins_ = 0;
    LiveValues given_;
};

} // namespace sim
