// The program's one log: each line time-stamped, appended to a file and
// echoed to a log view.
#pragma once

#include <QObject>
#include <QString>

class QFile;
class QPlainTextEdit;

class Logger : public QObject {
    Q_OBJECT
public:
    // An empty file name means no file; the view may be null. An existing file
    // larger than kMaxStartSize bytes is deleted first, then appended to.
    Logger(QObject* parent, const QString& fileName, QPlainTextEdit* view);
    ~Logger() override;

    static constexpr qint64 kMaxStartSize = 2000000;
    static constexpr int kTimeStampLength = 21; // "yyyy.MM.dd. hh:mm:ss "

public slots:
    // Writes one line: time stamp + value; flushed to the file before returning.
    void write(QString value);

private:
    QFile* m_file = nullptr;
    QPlainTextEdit* m_view = nullptr;
};
