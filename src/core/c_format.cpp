// printf under a private "C" locale, so the process's own locale never leaks in.
#include "c_format.h"

#include <QByteArray>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace {
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}
} // namespace

QString cformat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const locale_t previous = uselocale(cLocale());
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    QByteArray text;
    if (length > 0) {
        text.resize(length); // one more byte is kept for the terminating zero
        std::vsnprintf(text.data(), std::size_t(length) + 1, format, args);
    }
    uselocale(previous);
    va_end(args);
    return QString::fromUtf8(text);
}
