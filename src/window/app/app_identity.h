// Who the program is to the desktop: the name its windows are classed by, the
// desktop entry they belong to and their icon, so that docks and task bars
// pair a window with its launcher.
#pragma once

#include <QIcon>
#include <QString>

namespace appIdentity {

// The window class (WM_CLASS) and the desktop entry's StartupWMClass.
inline const QString kProgramName = QStringLiteral("torvelm4");

// The desktop entry's id without ".desktop", also the icon's name.
QString desktopId();

// The icon compiled into the program, at every installed size.
QIcon icon();

// Sets the application name, the desktop file name and the windows' icon;
// call once the application object exists.
void apply();

} // namespace appIdentity
