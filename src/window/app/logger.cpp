// Time-stamped log lines to the log file and the log view.
#include "app/logger.h"

#include <QFileInfo>
#include <QPlainTextEdit>

Logger::Logger(QObject* parent, const QStringList& fileNames, QPlainTextEdit* view)
    : QObject(parent), m_file(LogFile::openFirst(fileNames)), m_view(view)
{
    if (fileNames.isEmpty())
        return;
    if (m_file)
        tellView(QStringLiteral("Log file: ") + fileName());
    else
        tellView(QStringLiteral("No log file could be written (tried ") +
                 fileNames.join(QStringLiteral(", ")) +
                 QStringLiteral("); this run is logged here only."));
}

Logger::Logger(QObject* parent, const QString& fileName, QPlainTextEdit* view)
    : Logger(parent, fileName.isEmpty() ? QStringList() : QStringList{fileName}, view)
{
}

Logger::~Logger() = default;

QString Logger::fileName() const
{
    return m_file ? QFileInfo(m_file->fileName()).absoluteFilePath() : QString();
}

void Logger::write(QString value)
{
    const QString line = LogFile::stamped(value);
    if (m_file && !m_file->append(line)) {
        const QString lost = fileName();
        m_file.reset();
        tellView(QStringLiteral("Log file ") + lost +
                 QStringLiteral(" can no longer be written; the rest of this run is logged here "
                                "only."));
    }
    if (m_view)
        m_view->appendPlainText(line);
}

void Logger::tellView(const QString& value)
{
    if (m_view)
        m_view->appendPlainText(LogFile::stamped(value));
}
