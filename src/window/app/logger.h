// The program's one log: each line time-stamped, appended to a file and
// echoed to a log view.
#pragma once

#include "log_file.h"
#include "log_sink.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QPlainTextEdit;

class Logger : public QObject, public LogSink {
    Q_OBJECT
public:
    // Logs to the first of fileNames that can be opened (none for an empty
    // list); the view may be null. An existing file larger than kMaxStartSize
    // bytes is deleted first, then appended to. When files were asked for, the
    // view's first line says which one is written, or that none could be.
    Logger(QObject* parent, const QStringList& fileNames, QPlainTextEdit* view);
    // The same with one file; an empty name means no file.
    Logger(QObject* parent, const QString& fileName, QPlainTextEdit* view);
    ~Logger() override;

    static constexpr qint64 kMaxStartSize = LogFile::kMaxStartSize;
    static constexpr int kTimeStampLength = LogFile::kTimeStampLength;

    // The file being written, empty when there is none.
    QString fileName() const;

public slots:
    // Writes one line: time stamp + value; flushed to the file before returning.
    // A file that fails is said once in the view and then left alone.
    void write(QString value) override;

private:
    void tellView(const QString& value);

    std::unique_ptr<LogFile> m_file;
    QPlainTextEdit* m_view = nullptr;
};
