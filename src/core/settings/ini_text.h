// A lenient, line-by-line view of INI text and the value quoting that Qt's INI
// settings use, so that files stay readable by both. Nothing here interprets
// a value as anything but text: typed forms such as "@Variant(...)" stay text.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace ini {

// One physical line. Line ends are "\n", "\r\n" or a lone "\r"; a UTF-8
// byte-order mark before the first line is not part of it.
struct Line {
    enum class Kind {
        Blank,   // nothing but blanks
        Comment, // first non-blank character ";" or "#"
        Section, // "[name]"; a "[" without "]" is a section with an empty name
        Entry,   // "key=value"
        Other,   // anything else: ignored by readers, kept by writers
    };
    Kind kind = Kind::Blank;
    QString name;      // Section: the name inside the brackets, trimmed
    QString key;       // Entry: the text before the first "=", trimmed
    QString rawValue;  // Entry: the text after the first "=", as it stands
    QByteArray bytes;  // the line as in the file, without its line end
    QByteArray ending; // its line end; empty for a last line without one
};

// Splits text into lines. Bytes are read as UTF-8 when the whole text is valid
// UTF-8 and as Latin-1 otherwise; any byte sequence gives some list of lines.
// Only ASCII blanks are trimmed, so the kinds, keys and names of the lines do
// not depend on which of the two the text was read as.
QList<Line> split(const QByteArray& text);

// The value of an entry as Qt's INI settings read it: ASCII blanks around it
// dropped, an unquoted ";" starting a comment, double quotes grouping, and the
// backslash escapes \a \b \f \n \r \t \v \" \' \\ \? \x<hex> and \<octal>.
// Commas are kept as text.
QString unquote(const QString& rawValue);

// The inverse of unquote for any text, in ASCII: what Qt's INI settings would
// write for it (escapes for control and non-ASCII characters, quotes when the
// text holds ";", "," or "=" or starts or ends with a blank).
QByteArray quote(const QString& value);

} // namespace ini
