// The command-line program's log sink.
#include "log_output.h"

#include "console.h"

namespace ctl {

bool LogOutput::open(bool verbose, const QString& fileName, QString* error)
{
    m_verbose = verbose;
    if (fileName.isEmpty())
        return true;
    m_file = std::make_unique<LogFile>(fileName);
    if (m_file->isOpen())
        return true;
    *error = QStringLiteral("cannot write the log file %1").arg(fileName);
    m_file.reset();
    return false;
}

void LogOutput::write(QString value)
{
    const QString line = LogFile::stamped(value);
    if (m_verbose)
        printRaw(line + QLatin1Char('\n'));
    if (m_file)
        m_file->append(line);
    if (m_observer)
        m_observer(value);
}

} // namespace ctl
