// Firmware version rules against the carried image.
#include "firmware/version_rules.h"

#include "c_format.h"
#include "firmware/firmware_image.h"

namespace firmware {

QString versionText(int high, int low)
{
    return cformat("0x%02X%02X", static_cast<unsigned>(high) & 0xFFu,
                   static_cast<unsigned>(low) & 0xFFu);
}

QString carriedVersionText()
{
    return versionText(kCarriedFirmware.VersionHigh, kCarriedFirmware.VersionLow);
}

QString boardVersionText(const DeviceInfo& info)
{
    return versionText(info.FirmwareVersionHigh, info.FirmwareVersionLow);
}

bool upToDate(const DeviceInfo& info)
{
    return info.FirmwareVersionHigh == kCarriedFirmware.VersionHigh &&
           info.FirmwareVersionLow == kCarriedFirmware.VersionLow;
}

bool updateNeeded(const DeviceInfo& info)
{
    return !upToDate(info) || (info.BootloaderRunning && !info.SignatureValid);
}

} // namespace firmware
