// Text that came from a board (serial number, product string, board name) made
// safe to show in one line of the log or the window title.
#pragma once

#include <QString>

namespace boardtext {

constexpr char16_t kReplacement = u'?';

// Every control, line or paragraph separator and format character (a line
// break, an escape sequence, a direction override) replaced by kReplacement,
// so the text can never start a line of its own or restyle what follows it.
QString printable(const QString& text);

} // namespace boardtext
