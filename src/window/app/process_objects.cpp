// The process-wide objects, built before main() in this order: the device
// object, the configuration list, the status texts, the version string, then
// the window side's flag and clocks.
#include "app/process_objects.h"
#include "device/torveldrv.h"
#include "device/status_text.h"
#include "setup/configurations.h"

TorvelDRV Torvel;
QStringList ConfigurationList;
const QString StatusTexts[kStatusTextCount] = {QStringLiteral("No motor power available"),
                                               QStringLiteral("Driver Disabled (Sleep)"),
                                               QStringLiteral("Driver Active"),
                                               QStringLiteral("Driver IDLE"),
                                               QStringLiteral("Driver Overheated"),
                                               QStringLiteral("Driver in PWM mode")};
const QString VersionString = QStringLiteral("TorvelM4 0.57");
bool ExpertView = false;
QElapsedTimer TempLogClock;
QElapsedTimer PositionClock;
