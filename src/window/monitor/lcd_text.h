// What the two LCD read-outs show for a value, and for no value at all.
#pragma once

#include <QString>

namespace lcd {

// Shown while there is no live record: no digit, so it cannot pass for a value.
inline const QString kNoValue = QStringLiteral("--.-");
// Shown for a value that needs more digit cells than the LCD has.
inline const QString kOverflow = QStringLiteral("Err");

// The value with one decimal ("0.0" for anything that rounds to zero), or
// kOverflow when it would not fit in digitCount cells (the decimal point
// takes no cell of its own).
QString text(double value, int digitCount);

} // namespace lcd
