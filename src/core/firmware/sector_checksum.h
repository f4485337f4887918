// The bootloader's checksum of one 4 KB flash sector.
#pragma once

#include <cstdint>

namespace firmware {

// Checksum of bytes sector*4096 .. sector*4096+4095 of flash (byte 0 = address 0).
std::uint32_t sectorChecksum(int sector, const std::uint8_t* flash);

} // namespace firmware
