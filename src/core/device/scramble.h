// Scrambling of outbound reports with the key derived from the board's unique ID.
#pragma once

#include <cstdint>

namespace scramble {

// Scrambles the 65-byte report in place with key and random byte. Key 0 leaves
// it plain with byte 64 = 0. If the result does not unscramble to the report as
// built (only possible when byte 63 was not 0), the report is restored unchanged.
void encode(std::uint8_t* report, std::uint32_t key, std::uint8_t random);

// Undoes encode on a report whose byte 64 holds the salt; byte 63 stays 0.
void decode(std::uint8_t* report, std::uint32_t key);

} // namespace scramble
