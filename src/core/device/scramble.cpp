// Report scrambling: salt on the command byte, key bytes and fixed masks on
// seven bands, salt arithmetic on the last two argument bytes.
#include "device/scramble.h"

#include "device/protocol.h"

#include <algorithm>
#include <array>

using namespace protocol;
using namespace protocol::scrambling;

namespace {

std::uint8_t keyByte(std::uint32_t key, int n)
{
    return static_cast<std::uint8_t>(key >> (8 * n));
}

std::array<std::uint8_t, kBandCount> bandMasks(std::uint32_t key)
{
    return {keyByte(key, 0), keyByte(key, 3), kBandMaskA,     keyByte(key, 2),
            keyByte(key, 1), kBandMaskB,      keyByte(key, 0)};
}

void xorBands(std::uint8_t* report, std::uint32_t key)
{
    const auto masks = bandMasks(key);
    for (int band = 0; band < kBandCount; ++band)
        for (int i = 0; i < kBandLength; ++i)
            report[kFirstBand + band * kBandLength + i] ^= masks[band];
}

std::uint8_t keyMask(std::uint32_t key)
{
    return keyByte(key, 2) | kK2Mask;
}

} // namespace

namespace scramble {

void encode(std::uint8_t* report, std::uint32_t key, std::uint8_t random)
{
    std::array<std::uint8_t, kReportBufferSize> built;
    std::copy(report, report + kReportBufferSize, built.begin());
    if (key == 0) {
        report[outbound::kSalt] = 0;
        return;
    }
    const auto salt = static_cast<std::uint8_t>(random | kSaltMask);
    report[outbound::kCommand] ^= salt;
    report[outbound::kSalt] = salt;
    report[kKeyByte] ^= keyMask(key);
    report[kMixedByte] ^= report[kMixSource];
    xorBands(report, key);
    report[kSaltAdd] = static_cast<std::uint8_t>(report[kSaltAdd] + salt);
    report[kSaltSubtract] = static_cast<std::uint8_t>(report[kSaltSubtract] - salt);
    report[outbound::kLast] = 0;

    std::array<std::uint8_t, kReportBufferSize> check;
    std::copy(report, report + kReportBufferSize, check.begin());
    if ((check[outbound::kSalt] & kSaltMask) == kSaltMask)
        decode(check.data(), key);
    if (!std::equal(check.begin(), check.begin() + kReportBufferSize - 1, built.begin()))
        std::copy(built.begin(), built.end(), report);
}

void decode(std::uint8_t* report, std::uint32_t key)
{
    const std::uint8_t salt = report[outbound::kSalt];
    report[kSaltSubtract] = static_cast<std::uint8_t>(report[kSaltSubtract] + salt);
    report[kSaltAdd] = static_cast<std::uint8_t>(report[kSaltAdd] - salt);
    xorBands(report, key);
    report[kMixedByte] ^= report[kMixSource];
    report[kKeyByte] ^= keyMask(key);
    report[outbound::kCommand] ^= salt;
}

} // namespace scramble
