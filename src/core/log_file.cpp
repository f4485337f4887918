// Time stamps and the appended, flushed log file.
#include "log_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {
// Folders a log lives in hold what the user did: readable by the user alone.
bool makePrivatePath(const QString& dirPath)
{
    const QFileInfo dir(dirPath);
    if (dir.isDir())
        return true;
    if (!makePrivatePath(dir.absolutePath()) || !QDir().mkdir(dirPath))
        return false;
    return QFile::setPermissions(dirPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

LogFile::LogFile(const QString& fileName) : m_file(fileName)
{
    if (m_file.exists() && m_file.size() > kMaxStartSize)
        m_file.remove();
    m_file.open(QIODevice::Append | QIODevice::Text);
}

std::unique_ptr<LogFile> LogFile::openFirst(const QStringList& fileNames)
{
    for (const QString& name : fileNames) {
        if (!makePrivatePath(QFileInfo(name).absolutePath()))
            continue;
        auto file = std::make_unique<LogFile>(name);
        if (file->isOpen())
            return file;
    }
    return nullptr;
}

bool LogFile::append(const QString& line)
{
    if (!m_file.isOpen())
        return false;
    QTextStream stream(&m_file);
    stream.setCodec("UTF-8");
    stream << line << '\n';
    stream.flush();
    return stream.status() == QTextStream::Ok && m_file.flush();
}

QString LogFile::stamped(const QString& value)
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd. hh:mm:ss ")) + value;
}
