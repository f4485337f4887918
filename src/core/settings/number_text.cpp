// Numbers read from untrusted text, locale-independent and strict.
#include "settings/number_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace numtext {

namespace {
// A number is ASCII; anything else cannot be one, so Latin-1 loses nothing here.
// from_chars takes no leading "+", which a hand-edited file may carry.
QByteArray digitsOf(const QString& text)
{
    QByteArray bytes = text.toLatin1().trimmed(); // ASCII blanks only
    if (bytes.startsWith('+') && bytes.size() > 1 && bytes.at(1) != '-')
        bytes.remove(0, 1);
    return bytes;
}

template <typename T> std::optional<T> readWhole(const QString& text)
{
    const QByteArray bytes = digitsOf(text);
    const char* const first = bytes.constData();
    const char* const last = first + bytes.size();
    T value{};
    const std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last)
        return std::nullopt;
    return value;
}
} // namespace

std::optional<int> readInt(const QString& text)
{
    return readWhole<int>(text);
}

std::optional<double> readReal(const QString& text)
{
    const std::optional<double> value = readWhole<double>(text);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

} // namespace numtext
