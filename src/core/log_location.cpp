// Choosing the log file from the working directory, home and XDG_STATE_HOME.
#include "log_location.h"

#include <QDir>
#include <QFileInfo>

namespace logLocation {

namespace {
const QString kStateDefault = QStringLiteral(".local/state");
const QString kAppDir = QStringLiteral("torvelm4");

QString resolved(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}
} // namespace

QString stateFile(const Places& places)
{
    QString base;
    if (QDir::isAbsolutePath(places.xdgStateHome))
        base = places.xdgStateHome;
    else if (!places.home.isEmpty())
        base = QDir(places.home).filePath(kStateDefault);
    else
        return QString();
    return QDir::cleanPath(base + QLatin1Char('/') + kAppDir + QLatin1Char('/') + kFileName);
}

QStringList candidates(const Places& places)
{
    QStringList files;
    const QString workingDir = QDir::cleanPath(places.workingDir);
    if (places.workingDirWritable && !workingDir.isEmpty() &&
        workingDir != QDir::cleanPath(places.home))
        files.append(QDir(workingDir).filePath(kFileName));
    const QString state = stateFile(places);
    if (!state.isEmpty())
        files.append(state);
    return files;
}

Places current()
{
    Places places;
    places.workingDir = resolved(QDir::currentPath());
    places.home = resolved(qEnvironmentVariable("HOME"));
    places.xdgStateHome = qEnvironmentVariable("XDG_STATE_HOME");
    places.workingDirWritable = QFileInfo(places.workingDir).isWritable();
    return places;
}

} // namespace logLocation
