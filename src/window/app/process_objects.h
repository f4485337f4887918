// Process-wide objects of the window side: the version string, the expert-view
// flag and the two chart clocks. (The device object, the configuration list
// and the status texts are declared beside their users.)
#pragma once

#include <QElapsedTimer>
#include <QString>

extern const QString VersionString;
// Switched by F12: shows the register and PWM listings and allows auto-apply.
extern bool ExpertView;
// Time bases of the temperature chart and the position chart.
extern QElapsedTimer TempLogClock;
extern QElapsedTimer PositionClock;
