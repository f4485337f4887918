// The log file: one time-stamped UTF-8 line per event, appended and flushed at
// once; a file grown past kMaxStartSize bytes is deleted when it is opened.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>

class LogFile {
public:
    static constexpr qint64 kMaxStartSize = 2000000;
    static constexpr int kTimeStampLength = 21; // "yyyy.MM.dd. hh:mm:ss "

    // Deletes an oversized file, then opens it for appending (a missing file is
    // created). A file that cannot be opened is not reported: see isOpen().
    explicit LogFile(const QString& fileName);
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // The first of the files that opens, its missing folders created private
    // to the user; null when none does.
    static std::unique_ptr<LogFile> openFirst(const QStringList& fileNames);

    bool isOpen() const { return m_file.isOpen(); }
    QString fileName() const { return m_file.fileName(); }
    // Writes line and a line end; it has reached the file when this returns
    // true, and false means it has not (disk full, file gone bad).
    bool append(const QString& line);

    // The local time as "yyyy.MM.dd. hh:mm:ss " followed by the message.
    static QString stamped(const QString& value);

private:
    QFile m_file;
};
