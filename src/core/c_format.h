// Texts with printf-style numbers ("%0.1f", "0x%02X%02X"), formatted by the C
// library in the "C" locale: halves round as every printf user's do (to even,
// so 6.25 gives "6.2" with "%0.1f"), and the decimal mark is "." whatever the
// user's locale. Qt's own formatting rounds exact halves away from zero.
#pragma once

#include <QString>

#if defined(__GNUC__)
#define TORVEL_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define TORVEL_PRINTF_FORMAT
#endif

QString cformat(const char* format, ...) TORVEL_PRINTF_FORMAT;
