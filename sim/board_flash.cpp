// The simulated board's flash: its made-up bootloader and application, the
// bootloader's erase, write and checksum, and where the application keeps
// its version. Its own numbers, as the board's bootloader knows them.
#include "board_flash.h"

#include "sim_hash.h"

#include <cstring>

namespace sim {

namespace {

constexpr int kFlashSize = BoardFlash::kSectors * BoardFlash::kSectorSize;
constexpr int kFirstAppSector = 2;
constexpr int kLastAppSector = 7;
constexpr int kAppStart = kFirstAppSector * BoardFlash::kSectorSize;
constexpr int kSubsectorSize = 32;
constexpr int kSubsectorsPerSector = BoardFlash::kSectorSize / kSubsectorSize;
// The application keeps a tag and then its version, high and low byte, here.
constexpr int kVersionTagAddress = 0x2100;
constexpr int kVersionAddress = kVersionTagAddress + 4;
constexpr std::uint8_t kVersionTag[4] = {'T', 'M', '4', 'V'};
constexpr std::uint32_t kValidSignature = 0xBABE3DC2u;
constexpr std::uint32_t kErasedWord = 0xFFFFFFFFu;
// The checksum works on 16-byte blocks.
constexpr int kBlocksPerSector = BoardFlash::kSectorSize / 16;
// The bootloader image fills only part of its two sectors; the rest stays erased.
constexpr int kBootloaderLength = 0x1A40;

std::uint64_t littleEndian64(const std::uint8_t* p)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

bool isAppSector(int sector)
{
    return sector >= kFirstAppSector && sector <= kLastAppSector;
}

} // namespace

std::uint32_t sectorChecksum(const std::uint8_t* sector)
{
    // One 128-bit shift register, lo holding bits 0-63 and hi bits 64-127.
    // Each 16-byte block shifts it right by one, feeds bits 0, 2, 27 and 29
    // back into bit 127 and is XORed in as a little-endian 128-bit number.
    std::uint64_t lo = 0;
    std::uint64_t hi = 0;
    for (int block = 0; block < kBlocksPerSector; ++block) {
        const std::uint8_t* data = sector + block * 16;
        const std::uint64_t feedback = (lo ^ (lo >> 2) ^ (lo >> 27) ^ (lo >> 29)) & 1u;
        lo = (lo >> 1) | (hi << 63);
        hi = (hi >> 1) | (feedback << 63);
        lo ^= littleEndian64(data);
        hi ^= littleEndian64(data + 8);
    }
    return std::uint32_t(lo) ^ std::uint32_t(lo >> 32) ^ std::uint32_t(hi) ^
           std::uint32_t(hi >> 32);
}

BoardFlash::BoardFlash(const BoardConfig& config)
    : bytes_(kFlashSize, char(0xFF)),
      signature_(config.validSignature ? kValidSignature : kErasedWord)
{
    // Deterministic filler, so every simulated board carries the same image.
    for (int a = 0; a < kBootloaderLength; ++a)
        bytes_[a] = char(mix(std::uint32_t(a) ^ 0xB0070000u));
    for (int a = kAppStart; a < kFlashSize; ++a)
        bytes_[a] = char(mix(std::uint32_t(a) ^ 0xA9910000u));
    for (int i = 0; i < 4; ++i)
        bytes_[kVersionTagAddress + i] = char(kVersionTag[i]);
    bytes_[kVersionAddress] = char(config.firmwareHigh);
    bytes_[kVersionAddress + 1] = char(config.firmwareLow);
}

bool BoardFlash::signatureValid() const
{
    return signature_ == kValidSignature;
}

bool BoardFlash::eraseSector(int sector)
{
    if (!isAppSector(sector))
        return false;
    bytes_.replace(sector * kSectorSize, kSectorSize, QByteArray(kSectorSize, char(0xFF)));
    // The application is incomplete from now until a new signature is written.
    signature_ = kErasedWord;
    return true;
}

bool BoardFlash::writeBlock(int sector, int subsector, const QByteArray& block)
{
    if (!isAppSector(sector) || subsector < 0 || subsector >= kSubsectorsPerSector ||
        block.size() < kSubsectorSize)
        return false;
    bytes_.replace(sector * kSectorSize + subsector * kSubsectorSize, kSubsectorSize,
                   block.left(kSubsectorSize));
    return true;
}

std::uint32_t BoardFlash::checksum(int sector) const
{
    return sectorChecksum(at(sector * kSectorSize));
}

bool BoardFlash::hasVersionTag() const
{
    return std::memcmp(at(kVersionTagAddress), kVersionTag, sizeof kVersionTag) == 0;
}

std::uint8_t BoardFlash::versionHigh() const
{
    return hasVersionTag() ? *at(kVersionAddress) : 0xFF;
}

std::uint8_t BoardFlash::versionLow() const
{
    return hasVersionTag() ? *at(kVersionAddress + 1) : 0xFF;
}

} // namespace sim
