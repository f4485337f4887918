// Flashing the carried image through the board's bootloader: erase, upload in
// 32-byte blocks, verify each sector's checksum, then sign and restart.
#include "device/torveldrv.h"

#include "c_format.h"
#include "clock.h"
#include "device/reply_decode.h"
#include "firmware/firmware_image.h"
#include "firmware/sector_checksum.h"

#include <QTimer>
#include <algorithm>

using namespace protocol;

namespace {
constexpr int kCrcSettleMs = 20;
constexpr int kCrcAnswerMs = 500;
constexpr std::uint8_t kNoSector = 0xFF;
} // namespace

unsigned int TorvelDRV::CalculateCRC(int nSector, const std::uint8_t* Flash)
{
    return firmware::sectorChecksum(nSector, Flash);
}

void TorvelDRV::FullUpdate()
{
    const bool receiving = rxTimer->isActive();
    rxTimer->stop();
    if (flashAndRestart()) {
        // The board leaves the bus to restart; a link left open would never
        // notice, so close it and let the next scan connect the board again.
        if (connected)
            DisconnectDevice();
        return;
    }
    // Failed: the board stays in its bootloader, read as before the update.
    if (connected && receiving)
        rxTimer->start(kRxPeriodMs);
}

bool TorvelDRV::flashAndRestart()
{
    const std::uint8_t* image = kCarriedFirmware.Image;
    log(QStringLiteral("Starting full update..."));
    log(QStringLiteral("Erasing sectors..."));
    for (int sector = kLastAppSector; sector >= kFirstAppSector; --sector) {
        tx[bootloader::kSector] = static_cast<std::uint8_t>(sector);
        sendCommand(CMD_BL_ERASE);
    }
    if (!connected) {
        log(QStringLiteral("Device disconnected during erase. Please reconnect device."));
        return false;
    }
    log(QStringLiteral("Erasing done!"));
    log(QStringLiteral("Uploading new FW..."));
    for (int address = kAppStart; address < kFlashSize && connected; address += kSubsectorSize) {
        tx[outbound::kCommand] = CMD_BL_WRITE_BLOCK;
        tx[bootloader::kSector] = static_cast<std::uint8_t>(address / kSectorSize);
        tx[bootloader::kSubsector] =
            static_cast<std::uint8_t>(address % kSectorSize / kSubsectorSize);
        std::copy(image + address, image + address + kSubsectorSize, tx + bootloader::kData);
        emit newFWProgressValueAvailable();
        WriteReport();
    }
    if (!connected) {
        log(QStringLiteral("Device disconnected during upload. Please reconnect device."));
        return false;
    }
    log(QStringLiteral("Uploading OK."));
    ClearHIDReadBuffer();

    log(QStringLiteral("Reading CRCs..."));
    int good = 0;
    for (int sector = kFirstAppSector; sector <= kLastAppSector; ++sector) {
        ClearHIDReadBuffer();
        tx[bootloader::kSector] = static_cast<std::uint8_t>(sector);
        std::fill(rx + checksum::kValue, rx + checksum::kValue + 4, std::uint8_t(0));
        rx[checksum::kSector] = kNoSector;
        sendCommand(CMD_BL_READ_CRC);
        WaitMs(kCrcSettleMs);
        bool answered = false;
        const std::int64_t waitStart = timing::nowMs();
        while (!answered && timing::nowMs() - waitStart < kCrcAnswerMs) {
            rx[checksum::kSector] = kNoSector;
            lastResult = device.read(rx, kReportBufferSize);
            if (lastResult < 0) {
                readFailed();
                return false;
            }
            answered = lastResult == kReplySize && rx[checksum::kSector] == sector;
            if (!answered)
                timing::pollPause();
        }
        if (!answered)
            continue;
        const bool ok = reply::be32(rx + checksum::kValue) == CalculateCRC(sector, image);
        good += ok ? 1 : 0;
        log(cformat("CRC %ld is %s.", static_cast<long>(sector), ok ? "OK" : "NOK"));
    }
    if (good == kLastAppSector - kFirstAppSector + 1 && connected) {
        log(QStringLiteral("All CRCs OK."));
        log(QStringLiteral("Writing signature."));
        const std::uint32_t signature = kValidSignature;
        for (int i = 0; i < 4; ++i)
            tx[bootloader::kSignature + i] = static_cast<std::uint8_t>(signature >> (24 - 8 * i));
        sendCommand(CMD_BL_WRITE_SIGNATURE);
        RestartDevice();
        return true;
    }
    log(QStringLiteral("Device disconnected during CRC check or CRC(s) failed. Please "
                       "reconnect device."));
    return false;
}
