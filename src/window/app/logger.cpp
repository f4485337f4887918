// Time-stamped log lines to "log.txt" and the log view.
#include "app/logger.h"

#include <QDateTime>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextStream>

Logger::Logger(QObject* parent, const QString& fileName, QPlainTextEdit* view)
    : QObject(parent), m_view(view)
{
    if (fileName.isEmpty())
        return;
    m_file = new QFile(fileName, this);
    if (m_file->exists() && m_file->size() > kMaxStartSize)
        m_file->remove();
    m_file->open(QIODevice::Append | QIODevice::Text);
}

Logger::~Logger()
{
    if (m_file)
        m_file->close();
}

void Logger::write(QString value)
{
    const QString line =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd. hh:mm:ss ")) + value;
    if (m_file && m_file->isOpen()) {
        QTextStream stream(m_file);
        stream.setCodec("UTF-8");
        stream << line << '\n';
        stream.flush();
        m_file->flush();
    }
    if (m_view)
        m_view->appendPlainText(line);
}
