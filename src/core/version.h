// The program's name and version, as the window title, the About text, the
// first log line and the command-line program show it.
#pragma once

#include <QString>

extern const QString VersionString;
