// Time-stamped log lines to "log.txt" and the log view.
#include "app/logger.h"

#include <QPlainTextEdit>

Logger::Logger(QObject* parent, const QString& fileName, QPlainTextEdit* view)
    : QObject(parent), m_view(view)
{
    if (!fileName.isEmpty())
        m_file = std::make_unique<LogFile>(fileName);
}

Logger::~Logger() = default;

void Logger::write(QString value)
{
    const QString line = LogFile::stamped(value);
    if (m_file)
        m_file->append(line);
    if (m_view)
        m_view->appendPlainText(line);
}
