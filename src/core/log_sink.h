// Where the device code writes its log lines: the window's log (file and log
// view) or the command-line program's stderr and file.
#pragma once

#include <QString>

class LogSink {
public:
    virtual ~LogSink() = default;
    // One event: the message without time stamp and without line end.
    virtual void write(QString value) = 0;
};
