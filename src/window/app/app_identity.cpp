// The program's name, desktop entry and icon, given to the application object.
#include "app/app_identity.h"

#include <QDirIterator>
#include <QGuiApplication>

static void initIconResource()
{
    Q_INIT_RESOURCE(app_icon); // the resource lives in a static library
}

namespace appIdentity {

QString desktopId()
{
    return QStringLiteral(TORVEL_APP_ID);
}

QIcon icon()
{
    initIconResource();
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"));
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}

void apply()
{
    QCoreApplication::setApplicationName(kProgramName);
    QGuiApplication::setDesktopFileName(desktopId());
    QGuiApplication::setWindowIcon(icon());
}

} // namespace appIdentity
