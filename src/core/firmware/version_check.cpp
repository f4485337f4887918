// Compares the identified board with the carried image and asks to restart
// or flash it.
#include "firmware/version_check.h"

#include "c_format.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "firmware/firmware_image.h"
#include "firmware/version_rules.h"

QString PendingUpdateId;

namespace {
QString mismatchText(const DeviceInfo& info, const char* action)
{
    return cformat("Device firmware mismatch detected. Device FW version: 0x%02X%02X, "
                   "update version: 0x%02X%02X. Click OK to %s",
                   info.FirmwareVersionHigh, info.FirmwareVersionLow, kCarriedFirmware.VersionHigh,
                   kCarriedFirmware.VersionLow, action);
}
} // namespace

void TorvelDRV::CheckFirmware()
{
    const QString mismatchTitle = QStringLiteral("Device firmware mismatch detected.");
    if (!info.BootloaderRunning) {
        if (firmware::upToDate(info))
            return;
        const QString text = mismatchText(info, "restart device and update FW.");
        log(text);
        if (dialogs::askOkCancel(mismatchTitle, text)) {
            PendingUpdateId = info.IdText;
            RestartDevice();
        }
        return;
    }
    if (!info.SignatureValid) {
        const QString text =
            QStringLiteral("Device firmware corruption detected. Click OK to update the FW.");
        log(text);
        if (dialogs::askOkCancel(QStringLiteral("Device firmware corruption detected."), text))
            FullUpdate();
        return;
    }
    if (firmware::upToDate(info))
        return;
    if (PendingUpdateId != info.IdText) {
        const QString text = mismatchText(info, "update FW.");
        log(text);
        if (!dialogs::askOkCancel(mismatchTitle, text))
            return;
    }
    FullUpdate();
    PendingUpdateId.clear();
}
