// Decoding of the device-info, name and real-time replies.
#include "device/reply_decode.h"

#include "c_format.h"
#include "device/board_text.h"
#include "device/protocol.h"
#include "settings/register_codec.h"

#include <algorithm>
#include <numeric>

using namespace protocol;

namespace reply {

std::uint16_t be16(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

std::uint32_t be32(const std::uint8_t* at)
{
    return (std::uint32_t(at[0]) << 24) | (std::uint32_t(at[1]) << 16) |
           (std::uint32_t(at[2]) << 8) | std::uint32_t(at[3]);
}

bool isDeviceInfo(const std::uint8_t* rx)
{
    return rx[inbound::kReplyCode] == REPLY_DEVICE_INFO ||
           (rx[inbound::kReplyCode] == REPLY_DEVICE_INFO_ALT &&
            rx[deviceinfo::kBootloaderHigh] != REPLY_NAME);
}

DeviceInfo decodeDeviceInfo(const std::uint8_t* rx)
{
    DeviceInfo info;
    info.BootloaderVersionHigh = rx[deviceinfo::kBootloaderHigh];
    info.BootloaderVersionLow = rx[deviceinfo::kBootloaderLow];
    info.FirmwareVersionHigh = rx[deviceinfo::kFirmwareHigh];
    info.FirmwareVersionLow = rx[deviceinfo::kFirmwareLow];
    info.ModeByte = rx[deviceinfo::kMode];
    info.BootloaderRunning = info.ModeByte == deviceinfo::kModeBootloader;
    info.SignatureValid = be32(rx + deviceinfo::kSignature) == kValidSignature;
    for (int w = 0; w < deviceinfo::kUniqueIdWords; ++w)
        info.UniqueId[w] = be32(rx + deviceinfo::kUniqueId + 4 * w);
    // W3-W2-W1-W0, each word's bytes in the order they came: its big-endian value.
    info.IdText =
        cformat("0x%08X-0x%08X-0x%08X-0x%08X", unsigned(info.UniqueId[3]),
                unsigned(info.UniqueId[2]), unsigned(info.UniqueId[1]), unsigned(info.UniqueId[0]));
    return info;
}

double deviceInfoTemperature(const std::uint8_t* rx)
{
    return be16(rx + deviceinfo::kTemperature) * kTemperatureUnit;
}

std::uint32_t scrambleKey(const DeviceInfo& info)
{
    return info.UniqueId[3] ^ info.UniqueId[2] ^ info.UniqueId[1] ^ info.UniqueId[0];
}

double supplyVoltage(std::uint16_t raw)
{
    return raw / kAdcFullScale * kAdcReference * kDividerTop / kDividerBottom;
}

double motorCurrent(std::uint8_t torque, std::uint8_t gainCode)
{
    return codec::torqueToCurrent(torque, gainCode & 3u);
}

QString decodeName(const std::uint8_t* rx)
{
    QString name;
    for (int i = namereply::kFirst; i < namereply::kFirst + setname::kLength; ++i)
        if (rx[i] > 0x1F)
            name.append(QChar(rx[i]));
    // Latin-1 has controls above 0x1F too (DEL and 0x80..0x9F, NEL among them).
    return boardtext::printable(name);
}

void decodeRealTime(const std::uint8_t* rx, RTData& rt)
{
    rt.Voltage = supplyVoltage(be16(rx + rt::kVoltage));
    rt.Temperature = (be16(rx + rt::kTemperature) * kTemperatureUnit + rt.Temperature) * 0.5;
    rt.MotorPower = rt.Voltage >= kMotorPowerVolts;
    rt.DriverState = rx[rt::kDriverState];
    rt.OperatingMode = rx[rt::kMode];
    const std::uint8_t inputs = rx[rt::kInputs];
    rt.BootloaderOverrideInput = inputs & 0x01;
    rt.EnableInput = inputs & 0x02;
    rt.StepInput = inputs & 0x04;
    rt.DirInput = inputs & 0x08;
    rt.Bin1Input = inputs & 0x10;
    rt.Bin2Input = inputs & 0x20;
    rt.EndSwitchInput = inputs & 0x40;
    rt.FaultBits = rx[rt::kFaults] & kFaultMask;
    rt.Current = motorCurrent(rx[rt::kTorque], rx[rt::kGain]);
    if (!(rt.MotorPower && rt.EnableInput && rt.FaultBits == 0))
        rt.Current = 0.0;
    rt.ActualPosition = static_cast<std::int32_t>(be32(rx + rt::kPosition));
    rt.ActualSpeed = static_cast<std::int32_t>(be32(rx + rt::kSpeed));
}

double filterMiddleThree(double (&history)[kFilterLength], double value)
{
    std::copy_backward(history, history + kFilterLength - 1, history + kFilterLength);
    history[0] = value;
    const auto [smallest, largest] = std::minmax_element(history, history + kFilterLength);
    const double sum = std::accumulate(history, history + kFilterLength, 0.0);
    return (sum - *largest - *smallest) / 3.0;
}

} // namespace reply
