// The send path, the scrambling hook and every command operation of the
// application firmware.
#include "device/torveldrv.h"

#include "device/motion_math.h"
#include "device/scramble.h"

#include <QTimer>
#include <algorithm>
#include <exception>

using namespace protocol;

namespace {
void putLe32(std::uint8_t* at, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}
} // namespace

void TorvelDRV::WriteReport()
{
    if (!connected)
        return;
    try {
        rx[inbound::kReplyCode] = inbound::kStale;
        EncodeData(tx, scrambleKey);
        lastResult = device.write(tx, kReportBufferSize);
        if (lastResult < 0)
            DisconnectDevice();
    } catch (const std::exception&) {
        reportHidException(
            QStringLiteral("Error writing to HID device"),
            QStringLiteral("Unexpected error occured while ewriting to HID device. "
                           "Please try reconnecting device."),
            QStringLiteral("Unexpected error occured while ewriting to HID device."));
    }
}

void TorvelDRV::EncodeData(std::uint8_t* data, unsigned int nKey)
{
    const auto random = static_cast<std::uint8_t>(m_random.generate());
    scramble::encode(data, nKey, random);
}

void TorvelDRV::sendCommand(std::uint8_t code)
{
    tx[outbound::kCommand] = code;
    WriteReport();
}

void TorvelDRV::EnableDriver()
{
    tx[outbound::kCommand] = CMD_SET_ENABLE;
    tx[enable::kState] = enable::kRun;
    log(QStringLiteral("Enabling driver (out of Sleep)."));
    WriteReport();
}

void TorvelDRV::SleepDriver()
{
    tx[outbound::kCommand] = CMD_SET_ENABLE;
    tx[enable::kState] = enable::kSleep;
    log(QStringLiteral("Stopping driver (Sleep)."));
    WriteReport();
}

void TorvelDRV::GetDriverName()
{
    log(QStringLiteral("Getting Torvel driver name..."));
    sendCommand(CMD_GET_NAME);
    WaitMs(kNameRequestWaitMs);
    sendCommand(CMD_GET_NAME);
    WaitMs(kNameRequestWaitMs);
}

void TorvelDRV::GetDriverValues()
{
    log(QStringLiteral("Getting Torvel driver values..."));
    sendCommand(CMD_GET_VALUES);
    WaitMs(kValuesRequestWaitMs);
    sendCommand(CMD_GET_VALUES);
    WaitMs(kValuesRequestWaitMs);
}

void TorvelDRV::WriteDriverValues()
{
    if (busy > 0)
        return;
    // Stays set while no board is connected, until a receive tick or the next
    // identification clears it.
    busy = kBusyMark;
    log(QStringLiteral("Writing Torvel driver values..."));
    if (!connected)
        return;
    DrvSettings2DriverRegisters();
    DriverRegisters2Buffer();
    rxTimer->stop();
    sendCommand(CMD_WRITE_VALUES);
    if (connected)
        rxTimer->start(kRxPeriodMs);
    busy = 0;
}

void TorvelDRV::SaveDriverValues()
{
    sendCommand(CMD_SAVE_VALUES);
    log(QStringLiteral("Saving Torvel driver values..."));
}

void TorvelDRV::SetDriverName(QString name)
{
    tx[outbound::kCommand] = CMD_SET_NAME;
    std::fill(tx + setname::kFirst, tx + outbound::kLast + 1, std::uint8_t(0));
    // The board holds 32 bytes; byte 63 must stay 0 for the scrambling check.
    const QByteArray latin1 = name.toLatin1().left(setname::kLength);
    std::copy(latin1.cbegin(), latin1.cend(), tx + setname::kFirst);
    log(QStringLiteral("Changing device custom name to: ") + name);
    WriteReport();
    settings.DriverName = name;
}

void TorvelDRV::RestartDevice()
{
    log(QStringLiteral("Restarting device..."));
    sendCommand(CMD_RESTART);
}

void TorvelDRV::EnableRTStream()
{
    log(QStringLiteral("Enabling real-time data stream."));
    sendCommand(CMD_RT_STREAM);
}

int TorvelDRV::SetStepDirFrequency(int speed)
{
    stepDir.SpeedMagnitude = speed < 0 ? -speed : speed;
    stepDir.Direction = speed < 0 ? 0 : 1;
    stepDir.Divider = motion::stepDivider(speed);
    putLe32(tx + step::kDivider, stepDir.Divider);
    tx[step::kDirection] = static_cast<std::uint8_t>(stepDir.Direction);
    sendCommand(CMD_SET_STEP_FREQ);
    return motion::actualStepSpeed(speed);
}

void TorvelDRV::CalculatePWMTimers()
{
    pwm.Period = motion::pwmPeriod(pwm.Frequency);
    pwm.ActualFrequency = motion::pwmActualFrequency(pwm.Period);
    const motion::DutyLanes a = motion::dutyLanes(pwm.DutyA);
    const motion::DutyLanes b = motion::dutyLanes(pwm.DutyB);
    pwm.AForward = a.forward;
    pwm.AReverse = a.reverse;
    pwm.BForward = b.forward;
    pwm.BReverse = b.reverse;
}

void TorvelDRV::WritePWM()
{
    putLe32(tx + protocol::pwm::kPeriod, pwm.Period);
    tx[protocol::pwm::kAForward] = static_cast<std::uint8_t>(pwm.AForward);
    tx[protocol::pwm::kAReverse] = static_cast<std::uint8_t>(pwm.AReverse);
    tx[protocol::pwm::kBForward] = static_cast<std::uint8_t>(pwm.BForward);
    tx[protocol::pwm::kBReverse] = static_cast<std::uint8_t>(pwm.BReverse);
    sendCommand(CMD_SET_PWM);
}

void TorvelDRV::WriteTrajectory()
{
    namespace layout = protocol::trajectory;
    putLe32(tx + layout::kPosition, trajectory.RequiredPosition);
    putLe32(tx + layout::kMaxSpeed, trajectory.MaxSpeed);
    putLe32(tx + layout::kAcceleration, trajectory.Acceleration);
    putLe32(tx + layout::kDeceleration, trajectory.Deceleration);
    tx[layout::kEndSwitch] = static_cast<std::uint8_t>(
        layout::kEndSwitchNormallyClosed * trajectory.EndSwitchNormallyClosed +
        layout::kEndSwitchEnabled * trajectory.EndSwitchEnabled);
    sendCommand(CMD_WRITE_TRAJECTORY);
}

void TorvelDRV::StopTrajectory()
{
    sendCommand(CMD_STOP_TRAJECTORY);
    log(QStringLiteral("Stop trajectory..."));
}

void TorvelDRV::SetHome()
{
    sendCommand(CMD_SET_HOME);
    log(QStringLiteral("Settign home..."));
}
