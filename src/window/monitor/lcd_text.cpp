// Formatting of the LCD read-outs.
#include "monitor/lcd_text.h"

#include "c_format.h"

#include <cmath>

namespace lcd {

QString text(double value, int digitCount)
{
    if (!std::isfinite(value))
        return kOverflow;
    QString shown = cformat("%0.1f", value);
    if (shown == QLatin1String("-0.0"))
        shown = QStringLiteral("0.0");
    const int cells = shown.size() - (shown.contains(QLatin1Char('.')) ? 1 : 0);
    return cells > digitCount ? kOverflow : shown;
}

} // namespace lcd
