// Writing to stdout and stderr, and asking which of them is a terminal.
#include "console.h"

#include <QByteArray>
#include <cstdio>
#include <unistd.h>

namespace ctl {
namespace {
QString g_program = QStringLiteral("torvelm4ctl");

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

void setProgramName(const QString& name)
{
    g_program = name;
}

QString programName()
{
    return g_program;
}

void printData(const QString& line)
{
    write(stdout, line + QLatin1Char('\n'));
}

void printMessage(const QString& line)
{
    write(stderr, g_program + QStringLiteral(": ") + line + QLatin1Char('\n'));
}

void printRaw(const QString& text)
{
    write(stderr, text);
}

bool stdinIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace ctl
