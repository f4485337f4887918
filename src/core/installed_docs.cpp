// Finding the installed README from the program's own folder, so that a
// package and an install below another prefix both name the right file.
#include "installed_docs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace installedDocs {

QString readme()
{
    const QString path = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                         QStringLiteral("/" TORVEL_DOC_FROM_BIN "/README.md"));
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace installedDocs
