// The application firmware the program carries for the board: a 32 KB image
// indexed by flash address, preceded by its version (high, then low byte).
#pragma once

#include <cstdint>

struct CarriedFirmware {
    std::int32_t VersionHigh;
    std::int32_t VersionLow;
    std::uint8_t Image[0x8000];
};

// Generated at build time.
extern const CarriedFirmware kCarriedFirmware;
