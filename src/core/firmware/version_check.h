// The firmware version check that follows every identification.
#pragma once

#include <QString>

// ID text of the board the user agreed to restart for an update, so that it
// is flashed without a second question when it comes back in its bootloader.
extern QString PendingUpdateId;
