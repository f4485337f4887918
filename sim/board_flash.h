// The simulated board's program flash as its bootloader sees it: 32 KB in
// eight 4 KB sectors, the bootloader in sectors 0 and 1, the application in
// 2 to 7, and a validity signature kept beside the flash.
#pragma once

#include "sim_control.h"

#include <QByteArray>
#include <cstdint>

namespace sim {

// The bootloader's checksum of one 4096-byte sector.
std::uint32_t sectorChecksum(const std::uint8_t* sector);

class BoardFlash {
public:
    static constexpr int kSectors = 8;
    static constexpr int kSectorSize = 4096;

    explicit BoardFlash(const BoardConfig& config);

    QByteArray bytes() const { return bytes_; }
    std::uint32_t signature() const { return signature_; }
    bool signatureValid() const;
    void writeSignature(std::uint32_t word) { signature_ = word; }

    // Both refuse the bootloader's own sectors and out-of-range numbers.
    bool eraseSector(int sector);
    // A block is 32 bytes; a shorter one is refused.
    bool writeBlock(int sector, int subsector, const QByteArray& block);

    std::uint32_t checksum(int sector) const;

    // The application's version, or 0xFF 0xFF when its version tag is gone.
    std::uint8_t versionHigh() const;
    std::uint8_t versionLow() const;

private:
    bool hasVersionTag() const;
    const std::uint8_t* at(int address) const
    {
        return reinterpret_cast<const std::uint8_t*>(bytes_.constData()) + address;
    }

    QByteArray bytes_;
    std::uint32_t signature_;
};

} // namespace sim
