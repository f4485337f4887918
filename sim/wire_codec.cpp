// The simulated board's byte positions, one report at a time.
#include "wire_codec.h"

#include "device/protocol.h"
#include "sim_hash.h"

namespace sim::wire {

namespace {

// Every command: code at 2, salt at 64; most arguments from byte 21.
constexpr int kCode = 2;
constexpr int kSalt = 64;
constexpr int kArguments = 21;
// Scrambling: byte 3 with key byte 2, byte 4 with byte 14, seven bands of
// eight bytes from byte 5, bytes 61 and 62 with the salt.
constexpr int kKeyByte = 3;
constexpr int kMixedByte = 4;
constexpr int kMixedWith = 14;
constexpr int kFirstBand = 5;
constexpr int kBandLength = 8;
constexpr int kBands = 7;
constexpr int kSaltAdded = 61;
constexpr int kSaltSubtracted = 62;
// Step rate: divider 21..24, direction 25. PWM: period 21..24, duties 25..28.
// Trajectory: target, maximum speed, acceleration, deceleration from 21.
constexpr int kStepDirection = 25;
constexpr int kPwmDuties = 25;
// Write values: 23 bytes from 21; block bytes 16 and 17 are not kept.
constexpr int kWrittenKeptFirst = 16;
constexpr int kWrittenTempLimit = 18;
constexpr int kWrittenCurrents = 19;
constexpr int kCurrentsLength = 4;
// Set name: 32 bytes from 3.
constexpr int kNameArgument = 3;
// Bootloader: sector 3, subsector 4, block 5..36, signature 8..11 big-endian.
constexpr int kSector = 3;
constexpr int kSubsector = 4;
constexpr int kFlashBlock = 5;
constexpr int kSignatureArgument = 8;

// Every report: reply code at 15.
constexpr int kReplyCode = 15;
// Device info, big-endian.
constexpr int kBootloaderVersion = 1;
constexpr int kFirmwareVersion = 3;
constexpr int kMode = 5;
constexpr int kSignature = 20;
constexpr int kUniqueId = 24;
constexpr int kInfoTemperature = 44;
constexpr std::uint8_t kModeApplication = 0xA5;
constexpr std::uint8_t kModeBootloader = 0xB0;
// Values 40..60, name 16..47, checksum value 1..4 and its sector at 16.
constexpr int kValuesBlock = 40;
constexpr int kName = 16;
constexpr int kChecksum = 1;
constexpr int kChecksumSector = 16;
// Real-time report, big-endian.
constexpr int kInputs = 6;
constexpr int kVoltage = 8;
constexpr int kPosition = 20;
constexpr int kSpeed = 24;
constexpr int kTemperature = 44;
constexpr int kDriverState = 46;
constexpr int kOperatingMode = 47;
constexpr int kGain = 48;
constexpr int kTorque = 49;
constexpr int kFaults = 54;

constexpr std::uint8_t kNoiseCode = 0xEE;

std::uint8_t byteAt(const QByteArray& r, int at)
{
    return std::uint8_t(r.at(at));
}

std::int32_t littleEndian32(const QByteArray& r, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | byteAt(r, at + i);
    return std::int32_t(value);
}

std::uint32_t bigEndian32(const QByteArray& r, int at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | byteAt(r, at + i);
    return value;
}

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

QByteArray report(std::uint8_t code)
{
    QByteArray r(kReportLength, '\0');
    r[kReplyCode] = char(code);
    return r;
}

// Codes the program acts on; noise must not pass for one of them.
bool isMeaningfulReplyCode(std::uint8_t code)
{
    using namespace protocol;
    return code == REPLY_DEVICE_INFO || code == REPLY_DEVICE_INFO_ALT || code == REPLY_VALUES ||
           code == REPLY_REAL_TIME || code == REPLY_NAME;
}

} // namespace

// The program's steps undone, last first.
void descramble(QByteArray& r, std::uint32_t key)
{
    const std::uint8_t salt = byteAt(r, kSalt);
    if (salt == 0)
        return;
    const std::uint8_t k0 = std::uint8_t(key);
    const std::uint8_t k1 = std::uint8_t(key >> 8);
    const std::uint8_t k2 = std::uint8_t(key >> 16);
    const std::uint8_t k3 = std::uint8_t(key >> 24);
    r[kSaltAdded] = char(byteAt(r, kSaltAdded) - salt);
    r[kSaltSubtracted] = char(byteAt(r, kSaltSubtracted) + salt);
    const std::uint8_t bandKeys[kBands] = {
        k0, k3, protocol::scrambling::kBandMaskA, k2, k1, protocol::scrambling::kBandMaskB, k0};
    for (int band = 0; band < kBands; ++band)
        for (int i = 0; i < kBandLength; ++i) {
            const int at = kFirstBand + band * kBandLength + i;
            r[at] = char(byteAt(r, at) ^ bandKeys[band]);
        }
    // Mixed with byte 14 as built, which the bands just restored.
    r[kMixedByte] = char(byteAt(r, kMixedByte) ^ byteAt(r, kMixedWith));
    r[kKeyByte] = char(byteAt(r, kKeyByte) ^ (k2 | protocol::scrambling::kK2Mask));
    r[kCode] = char(byteAt(r, kCode) ^ salt);
}

std::uint8_t code(const QByteArray& command)
{
    return byteAt(command, kCode);
}

bool enableArgument(const QByteArray& command)
{
    return byteAt(command, kArguments) != 0;
}

StepRate stepRate(const QByteArray& command)
{
    return {littleEndian32(command, kArguments), byteAt(command, kStepDirection) != 0};
}

std::array<std::uint8_t, 4> pwmDuties(const QByteArray& command)
{
    std::array<std::uint8_t, 4> duties{};
    for (std::size_t i = 0; i < duties.size(); ++i)
        duties[i] = byteAt(command, kPwmDuties + int(i));
    return duties;
}

Trajectory trajectory(const QByteArray& command)
{
    return {littleEndian32(command, kArguments), littleEndian32(command, kArguments + 4),
            littleEndian32(command, kArguments + 8), littleEndian32(command, kArguments + 12)};
}

QByteArray writtenValues(const QByteArray& command)
{
    const QByteArray written = command.mid(kArguments);
    QByteArray block = written.left(kWrittenKeptFirst);
    block.append(written.at(kWrittenTempLimit));
    block.append(written.mid(kWrittenCurrents, kCurrentsLength));
    return block;
}

QByteArray nameArgument(const QByteArray& command)
{
    return command.mid(kNameArgument, kNameLength);
}

int bootloaderSector(const QByteArray& command)
{
    return byteAt(command, kSector);
}

int bootloaderSubsector(const QByteArray& command)
{
    return byteAt(command, kSubsector);
}

QByteArray flashBlock(const QByteArray& command)
{
    return command.mid(kFlashBlock, kFlashBlockLength);
}

std::uint32_t signatureArgument(const QByteArray& command)
{
    return bigEndian32(command, kSignatureArgument);
}

QByteArray deviceInfoReply(const Identity& id)
{
    QByteArray r = report(protocol::REPLY_DEVICE_INFO);
    r[kBootloaderVersion] = char(id.bootloaderHigh);
    r[kBootloaderVersion + 1] = char(id.bootloaderLow);
    r[kFirmwareVersion] = char(id.firmwareHigh);
    r[kFirmwareVersion + 1] = char(id.firmwareLow);
    r[kMode] = char(id.bootloaderRunning ? kModeBootloader : kModeApplication);
    putBigEndian32(r, kSignature, id.signature);
    for (std::size_t i = 0; i < id.uniqueId.size(); ++i)
        putBigEndian32(r, kUniqueId + 4 * int(i), id.uniqueId[i]);
    putBigEndian16(r, kInfoTemperature, id.temperatureRaw);
    return r;
}

QByteArray realTimeReport(const LiveValues& v)
{
    QByteArray r = report(protocol::REPLY_REAL_TIME);
    r[kInputs] = char(v.inputs);
    putBigEndian16(r, kVoltage, v.voltageRaw);
    putBigEndian32(r, kPosition, std::uint32_t(v.position));
    putBigEndian32(r, kSpeed, std::uint32_t(v.speed));
    putBigEndian16(r, kTemperature, v.temperatureRaw);
    r[kDriverState] = char(v.driverState);
    r[kOperatingMode] = char(v.mode);
    r[kGain] = char(v.gainCode);
    r[kTorque] = char(v.torque);
    r[kFaults] = char(v.faults);
    return r;
}

QByteArray valuesReply(const QByteArray& block)
{
    QByteArray r = report(protocol::REPLY_VALUES);
    r.replace(kValuesBlock, kValuesBlockLength,
              block.leftJustified(kValuesBlockLength, '\0', true));
    return r;
}

QByteArray nameReply(const QByteArray& name)
{
    QByteArray r = report(protocol::REPLY_NAME);
    r.replace(kName, kNameLength, name.leftJustified(kNameLength, '\0', true));
    return r;
}

QByteArray checksumReply(int sector, std::uint32_t checksum)
{
    QByteArray r = report(protocol::CMD_BL_READ_CRC);
    r[kChecksumSector] = char(sector);
    putBigEndian32(r, kChecksum, checksum);
    return r;
}

QByteArray echoReply(std::uint8_t code)
{
    return report(code);
}

QByteArray noiseReport(std::uint32_t seed)
{
    QByteArray r(kReportLength, '\0');
    for (int i = 0; i < kReportLength; ++i)
        r[i] = char(mix(seed + std::uint32_t(i)));
    if (isMeaningfulReplyCode(byteAt(r, kReplyCode)))
        r[kReplyCode] = char(kNoiseCode);
    return r;
}

} // namespace sim::wire
