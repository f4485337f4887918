// The program's one log: each line time-stamped, appended to a file and
// echoed to a log view.
#pragma once

#include "log_file.h"
#include "log_sink.h"

#include <QObject>
#include <QString>
#include <memory>

class QPlainTextEdit;

class Logger : public QObject, public LogSink {
    Q_OBJECT
public:
    // An empty file name means no file; the view may be null. An existing file
    // larger than kMaxStartSize bytes is deleted first, then appended to.
    Logger(QObject* parent, const QString& fileName, QPlainTextEdit* view);
    ~Logger() override;

    static constexpr qint64 kMaxStartSize = LogFile::kMaxStartSize;
    static constexpr int kTimeStampLength = LogFile::kTimeStampLength;

public slots:
    // Writes one line: time stamp + value; flushed to the file before returning.
    void write(QString value) override;

private:
    std::unique_ptr<LogFile> m_file;
    QPlainTextEdit* m_view = nullptr;
};
