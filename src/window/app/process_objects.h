// Process-wide objects of the window side: the expert-view flag and the two
// chart clocks. (The configuration list is declared beside its users; the
// device object, the status texts and the version string are the device
// side's.)
#pragma once

#include "clock.h"
#include "version.h"

#include <QString>

// Switched by F12: shows the register and PWM listings and allows auto-apply.
extern bool ExpertView;
// Time bases of the temperature chart and the position chart, on the
// program's clock so that a virtual one moves the charts too.
extern timing::Stopwatch TempLogClock;
extern timing::Stopwatch PositionClock;
