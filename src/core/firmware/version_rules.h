// The one place that compares a board's firmware with the carried image:
// decoders report what the board sent, these rules decide what it means.
#pragma once

#include "device/records.h"

#include <QString>

namespace firmware {

// "0x%02X%02X", as the window and the log write versions.
QString versionText(int high, int low);
QString carriedVersionText();
QString boardVersionText(const DeviceInfo& info);

// The board's application firmware is the carried version, both bytes.
bool upToDate(const DeviceInfo& info);
// The board should be flashed: its application differs from the carried one,
// or its bootloader finds no valid signature.
bool updateNeeded(const DeviceInfo& info);

} // namespace firmware
