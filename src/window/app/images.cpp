// Finding and loading the release/ pictures.
#include "app/images.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

static void initLogoResource()
{
    Q_INIT_RESOURCE(logo); // the resource lives in a static library
}

namespace images {

QString findReleaseFile(const QString& relativePath)
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QStringList bases = {QDir::currentPath(), exeDir,
                               QDir(exeDir).filePath(QStringLiteral(TORVEL_DATA_FROM_BIN))};
    for (const QString& base : bases) {
        const QString candidate = QDir(base).filePath(relativePath);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

QImage loadReleaseImage(const QString& relativePath)
{
    const QString path = findReleaseFile(relativePath);
    return path.isEmpty() ? QImage() : QImage(path);
}

QImage logo()
{
    QImage image = loadReleaseImage(QStringLiteral("release/TorvelLogo.png"));
    if (image.isNull()) {
        initLogoResource();
        image.load(QStringLiteral(":/images/TorvelLogo.png"));
    }
    return image;
}

} // namespace images
