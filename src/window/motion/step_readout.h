// Texts of the step control's read-outs, shared by the tab and the window fit.
#pragma once

#include <QString>

namespace stepreadout {

inline QString rateText(int rate)
{
    return QString::number(rate);
}

inline QString actualSpeedText(int speed)
{
    return QStringLiteral("Actual speed: ") + QString::number(speed);
}

} // namespace stepreadout
