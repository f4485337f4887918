// Time stamps and the appended, flushed log file.
#include "log_file.h"

#include <QDateTime>
#include <QTextStream>

LogFile::LogFile(const QString& fileName) : m_file(fileName)
{
    if (m_file.exists() && m_file.size() > kMaxStartSize)
        m_file.remove();
    m_file.open(QIODevice::Append | QIODevice::Text);
}

void LogFile::append(const QString& line)
{
    if (!m_file.isOpen())
        return;
    QTextStream stream(&m_file);
    stream.setCodec("UTF-8");
    stream << line << '\n';
    stream.flush();
    m_file.flush();
}

QString LogFile::stamped(const QString& value)
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd. hh:mm:ss ")) + value;
}
