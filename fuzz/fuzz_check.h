// What every fuzz target may assert beyond "no crash": a broken rule stops the
// run like a crash, so both libFuzzer and the corpus replay report it.
#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #condition);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzzcheck {

// Text that may be shown or logged: no control, separator or format character.
inline bool printable(const QString& text)
{
    for (const QChar c : text) {
        const QChar::Category k = c.category();
        if (k == QChar::Other_Control || k == QChar::Other_Format || k == QChar::Separator_Line ||
            k == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

} // namespace fuzzcheck
