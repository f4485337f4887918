// A 128-bit shift register over the sector's 16-byte blocks: each block shifts
// it right by one bit, feeds back bits 0, 2, 27 and 29 into bit 127, and XORs
// the block in as a little-endian number.
#include "firmware/sector_checksum.h"

#include "device/protocol.h"

namespace firmware {
namespace {
std::uint32_t le32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
           (std::uint32_t(at[3]) << 24);
}

std::uint32_t bit(std::uint32_t word, int n)
{
    return (word >> n) & 1u;
}
} // namespace

std::uint32_t sectorChecksum(int sector, const std::uint8_t* flash)
{
    constexpr int kBlockSize = 16;
    std::uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const std::uint8_t* block = flash + sector * protocol::kSectorSize;
    const std::uint8_t* end = block + protocol::kSectorSize;
    for (; block < end; block += kBlockSize) {
        const std::uint32_t feedback = bit(s0, 0) ^ bit(s0, 2) ^ bit(s0, 27) ^ bit(s0, 29);
        const std::uint32_t n0 = le32(block) ^ (s0 >> 1) ^ (bit(s1, 0) << 31);
        const std::uint32_t n1 = le32(block + 4) ^ (s1 >> 1) ^ (bit(s2, 0) << 31);
        const std::uint32_t n2 = le32(block + 8) ^ (s2 >> 1) ^ (bit(s3, 0) << 31);
        const std::uint32_t n3 = le32(block + 12) ^ (s3 >> 1) ^ (feedback << 31);
        s0 = n0;
        s1 = n1;
        s2 = n2;
        s3 = n3;
    }
    return s0 ^ s1 ^ s2 ^ s3;
}

} // namespace firmware
