// The device side's process-wide objects, built before main() in this order:
// the device object, the status texts, the version string.
#include "device/status_text.h"
#include "device/torveldrv.h"
#include "version.h"

TorvelDRV Torvel;
const QString StatusTexts[kStatusTextCount] = {QStringLiteral("No motor power available"),
                                               QStringLiteral("Driver Disabled (Sleep)"),
                                               QStringLiteral("Driver Active"),
                                               QStringLiteral("Driver IDLE"),
                                               QStringLiteral("Driver Overheated"),
                                               QStringLiteral("Driver in PWM mode")};
const QString VersionString = QStringLiteral("TorvelM4 0.57");
