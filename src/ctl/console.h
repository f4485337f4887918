// Standard output for data, standard error for messages, each line flushed
// at once so that pipes and logs see it as it happens.
#pragma once

#include <QString>

namespace ctl {

void setProgramName(const QString& name);
QString programName();

// One line of data on stdout.
void printData(const QString& line);
// One message line on stderr, prefixed with the program's name.
void printMessage(const QString& line);
// Text on stderr as it is (help, progress).
void printRaw(const QString& text);

bool stdinIsTerminal();
bool stderrIsTerminal();

} // namespace ctl
