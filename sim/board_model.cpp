#include "board_model.h"

#include "device/protocol.h"

namespace sim {

namespace {

constexpr std::uint8_t kEnableInput = 0x02;
// Indices of the status-text table.
constexpr std::uint8_t kStateSleep = 1;
constexpr std::uint8_t kStateIdle = 3;

void putBigEndian16(QByteArray& r, int at, std::uint16_t value)
{
    r[at] = char(value >> 8);
    r[at + 1] = char(value);
}

void putBigEndian32(QByteArray& r, int at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        r[at + i] = char(value >> (24 - 8 * i));
}

} // namespace

void BoardModel::setEnabled(bool enabled)
{
    if (enabled)
        live_.inputs |= kEnableInput;
    else
        live_.inputs &= std::uint8_t(~kEnableInput);
    live_.driverState = enabled ? kStateIdle : kStateSleep;
}

QByteArray BoardModel::realTimeReport() const
{
    using namespace protocol;
    QByteArray r(kReplySize, '\0');
    r[kRxReplyCode] = char(REPLY_REAL_TIME);
    r[kRtInputs] = char(live_.inputs);
    putBigEndian16(r, kRtVoltage, live_.voltageRaw);
    putBigEndian32(r, kRtPosition, std::uint32_t(live_.position));
    putBigEndian32(r, kRtSpeed, std::uint32_t(live_.speed));
    putBigEndian16(r, kRtTemperature, live_.temperatureRaw);
    r[kRtDriverState] = char(live_.driverState);
    r[kRtMode] = char(live_.mode);
    r[kRtGain] = char(live_.gainCode);
    r[kRtTorque] = char(live_.torque);
    r[kRtFaults] = char(live_.faults);
    return r;
}

} // namespace sim
