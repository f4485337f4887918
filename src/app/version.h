// The program's name and version as shown in the title, the About tab and the log.
#pragma once

#include <QString>

extern const QString VersionString;
