// Where the command-line program sends the device object's log lines:
// stderr with --verbose, a file with --log, nowhere by default (no log.txt is
// left behind). Commands may also watch the lines as they pass.
#pragma once

#include "log_file.h"
#include "log_sink.h"

#include <QString>
#include <functional>
#include <memory>

namespace ctl {

class LogOutput : public LogSink {
public:
    // False, with the reason, when the log file cannot be opened.
    bool open(bool verbose, const QString& fileName, QString* error);
    void write(QString value) override;
    // Called with every line, without time stamp; an empty function stops it.
    void setObserver(std::function<void(const QString&)> observer) { m_observer = observer; }

private:
    bool m_verbose = false;
    std::unique_ptr<LogFile> m_file;
    std::function<void(const QString&)> m_observer;
};

} // namespace ctl
