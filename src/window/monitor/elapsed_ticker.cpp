// Elapsed-time labels for the charts' key axis.
#include "monitor/elapsed_ticker.h"

namespace charts {
namespace {
const QString kMinutesFormat = QStringLiteral("%m:%s");
const QString kHoursFormat = QStringLiteral("%h:%m:%s");
} // namespace

ElapsedTicker::ElapsedTicker()
{
    setTimeFormat(kMinutesFormat);
    setFieldWidth(tuHours, 1);
}

void ElapsedTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar,
                             int precision, QVector<double>& ticks, QVector<double>* subTicks,
                             QVector<QString>* tickLabels)
{
    // One format for the whole axis, so neighbouring labels read alike.
    const bool pastHour = qMax(qAbs(range.lower), qAbs(range.upper)) >= kHourSeconds;
    setTimeFormat(pastHour ? kHoursFormat : kMinutesFormat);
    QCPAxisTickerTime::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
}

} // namespace charts
