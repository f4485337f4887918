// Report scrambling: salt on the command byte, key bytes and fixed masks on
// seven bands, salt arithmetic on the last two argument bytes.
#include "device/scramble.h"

#include "device/protocol.h"

#include <algorithm>
#include <array>

using namespace protocol;

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
            report[kFirstBandByte + band * kBandLength + i] ^= masks[band];
}

std::uint8_t commandMask(std::uint32_t key)
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
        report[kTxSalt] = 0;
        return;
    }
    const auto salt = static_cast<std::uint8_t>(random | kSaltMask);
    report[2] ^= salt;
    report[kTxSalt] = salt;
    report[3] ^= commandMask(key);
    report[4] ^= report[14];
    xorBands(report, key);
    report[kSaltAddByte] = static_cast<std::uint8_t>(report[kSaltAddByte] + salt);
    report[kSaltSubtractByte] = static_cast<std::uint8_t>(report[kSaltSubtractByte] - salt);
    report[kTxLast] = 0;

    std::array<std::uint8_t, kReportBufferSize> check;
    std::copy(report, report + kReportBufferSize, check.begin());
    if ((check[kTxSalt] & kSaltMask) == kSaltMask)
        decode(check.data(), key);
    if (!std::equal(check.begin(), check.begin() + kReportBufferSize - 1, built.begin()))
        std::copy(built.begin(), built.end(), report);
}

void decode(std::uint8_t* report, std::uint32_t key)
{
    const std::uint8_t salt = report[kTxSalt];
    report[kSaltSubtractByte] = static_cast<std::uint8_t>(report[kSaltSubtractByte] + salt);
    report[kSaltAddByte] = static_cast<std::uint8_t>(report[kSaltAddByte] - salt);
    xorBands(report, key);
    report[4] ^= report[14];
    report[3] ^= commandMask(key);
    report[2] ^= salt;
}

} // namespace scramble
