// Texts for the driver state code of the real-time record.
#pragma once

#include <QString>

constexpr int kStatusTextCount = 6;
extern const QString StatusTexts[kStatusTextCount];

// The table's text for a code, or a neutral text for a code the table lacks.
inline QString statusText(int code)
{
    if (code < 0 || code >= kStatusTextCount)
        return QStringLiteral("Driver state %1").arg(code);
    return StatusTexts[code];
}
