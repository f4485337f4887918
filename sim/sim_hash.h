// The one bit mixer behind the simulated board's made-up bytes (flash filler,
// stream noise), so that the same input always gives the same board.
#pragma once

#include <cstdint>

namespace sim {

inline std::uint32_t mix(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

} // namespace sim
