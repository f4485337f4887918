// Splitting INI text into classified lines, and Qt-compatible value quoting.
#include "settings/ini_text.h"

#include <QTextCodec>

namespace ini {

namespace {
const QByteArray kUtf8Bom("\xEF\xBB\xBF");
constexpr int kUtf8Mib = 106;

bool isValidUtf8(const QByteArray& text)
{
    QTextCodec::ConverterState state;
    QTextCodec::codecForMib(kUtf8Mib)->toUnicode(text.constData(), text.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

// Only ASCII blanks count: the same bytes must give the same lines whether
// the text reads as UTF-8 or Latin-1 (0x85 and 0xA0 are blanks in Latin-1),
// or a save that drops the last non-UTF-8 byte would change what the file says.
bool isAsciiBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\v' || u == u'\f' || u == u'\r' || u == u'\n';
}

QString trimmedAscii(const QString& text)
{
    int first = 0;
    int last = text.size();
    while (first < last && isAsciiBlank(text.at(first)))
        ++first;
    while (last > first && isAsciiBlank(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

// QString::fromUtf8 drops a byte-order mark at the start of each line it is
// given; inside a file that mark is text, and must not turn "\uFEFFStepMode"
// into a key once the file reads as UTF-8.
QString utf8Text(const QByteArray& bytes)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    return QTextCodec::codecForMib(kUtf8Mib)->toUnicode(bytes.constData(), bytes.size(), &state);
}

Line classify(const QByteArray& bytes, const QString& text)
{
    Line line;
    line.bytes = bytes;
    const QString trimmed = trimmedAscii(text);
    if (trimmed.isEmpty()) {
        line.kind = Line::Kind::Blank;
    } else if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'))) {
        line.kind = Line::Kind::Comment;
    } else if (trimmed.startsWith(QLatin1Char('['))) {
        line.kind = Line::Kind::Section;
        const int close = trimmed.indexOf(QLatin1Char(']'));
        if (close > 0)
            line.name = trimmedAscii(trimmed.mid(1, close - 1));
    } else if (const int equals = text.indexOf(QLatin1Char('=')); equals >= 0) {
        line.kind = Line::Kind::Entry;
        line.key = trimmedAscii(text.left(equals));
        line.rawValue = text.mid(equals + 1);
    } else {
        line.kind = Line::Kind::Other;
    }
    return line;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

int octalDigit(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'0' && u <= u'7' ? u - u'0' : -1;
}

// Reads the digits of a numeric escape from i on; the code unit keeps the low
// 16 bits, as Qt's reader does, so no digit string can overflow anything.
QChar numericEscape(const QString& text, int& i, int (*digit)(QChar), unsigned radixBits)
{
    unsigned value = 0;
    while (i < text.size() && digit(text.at(i)) >= 0) {
        value = ((value << radixBits) | static_cast<unsigned>(digit(text.at(i)))) & 0xFFFFu;
        ++i;
    }
    return QChar(static_cast<char16_t>(value));
}

QChar simpleEscape(QChar c)
{
    switch (c.unicode()) {
    case u'a':
        return QChar(u'\a');
    case u'b':
        return QChar(u'\b');
    case u'f':
        return QChar(u'\f');
    case u'n':
        return QChar(u'\n');
    case u'r':
        return QChar(u'\r');
    case u't':
        return QChar(u'\t');
    case u'v':
        return QChar(u'\v');
    default:
        return c; // \" \' \\ \? and unknown escapes stand for the character itself
    }
}
} // namespace

QList<Line> split(const QByteArray& text)
{
    QByteArray body = text;
    if (body.startsWith(kUtf8Bom))
        body.remove(0, kUtf8Bom.size());
    const bool utf8 = isValidUtf8(body);
    QList<Line> lines;
    int start = 0;
    while (start < body.size()) {
        int end = start;
        while (end < body.size() && body.at(end) != '\n' && body.at(end) != '\r')
            ++end;
        int next = end;
        if (next < body.size())
            next += (body.at(next) == '\r' && next + 1 < body.size() && body.at(next + 1) == '\n')
                        ? 2
                        : 1;
        const QByteArray bytes = body.mid(start, end - start);
        Line line = classify(bytes, utf8 ? utf8Text(bytes) : QString::fromLatin1(bytes));
        line.ending = body.mid(end, next - end);
        lines.append(line);
        start = next;
    }
    return lines;
}

QString unquote(const QString& rawValue)
{
    // The comment goes first: a ";" inside quotes is text, one outside ends the value.
    int end = 0;
    bool quoted = false;
    for (; end < rawValue.size(); ++end) {
        const QChar c = rawValue.at(end);
        if (c == QLatin1Char('\\'))
            ++end;
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(';') && !quoted)
            break;
    }
    const QString text = trimmedAscii(rawValue.left(end));

    QString value;
    for (int i = 0; i < text.size();) {
        const QChar c = text.at(i++);
        if (c == QLatin1Char('"'))
            continue;
        if (c != QLatin1Char('\\')) {
            value.append(c);
            continue;
        }
        if (i >= text.size())
            break; // a lone backslash at the end stands for nothing
        const QChar escaped = text.at(i);
        if (escaped == QLatin1Char('x') && i + 1 < text.size() && hexDigit(text.at(i + 1)) >= 0) {
            ++i;
            value.append(numericEscape(text, i, hexDigit, 4));
        } else if (octalDigit(escaped) >= 0) {
            value.append(numericEscape(text, i, octalDigit, 3));
        } else {
            value.append(simpleEscape(escaped));
            ++i;
        }
    }
    return value;
}

QByteArray quote(const QString& value)
{
    QByteArray result;
    bool needsQuotes = false;
    // After a numeric escape a following hex digit must be escaped too, or a
    // reader would take it as part of the number.
    bool escapeNextIfHex = false;
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u';' || u == u',' || u == u'=')
            needsQuotes = true;
        if (escapeNextIfHex && hexDigit(c) >= 0) {
            result += "\\x" + QByteArray::number(u, 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (u) {
        case u'\0':
            result += "\\0";
            escapeNextIfHex = true;
            break;
        case u'\a':
            result += "\\a";
            break;
        case u'\b':
            result += "\\b";
            break;
        case u'\f':
            result += "\\f";
            break;
        case u'\n':
            result += "\\n";
            break;
        case u'\r':
            result += "\\r";
            break;
        case u'\t':
            result += "\\t";
            break;
        case u'\v':
            result += "\\v";
            break;
        case u'"':
        case u'\\':
            result += '\\';
            result += static_cast<char>(u);
            break;
        default:
            if (u <= 0x1F || u >= 0x7F) {
                result += "\\x" + QByteArray::number(u, 16);
                escapeNextIfHex = true;
            } else {
                result += static_cast<char>(u);
            }
        }
    }
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        result = '"' + result + '"';
    return result;
}

} // namespace ini
