// The charts' time axis: keys are seconds since the chart's clock started,
// labelled as elapsed time ("mm:ss", and "h:mm:ss" once the axis reaches an
// hour), never as a time of day, so no time zone can shift them.
#pragma once

#include <qcustomplot.h>

namespace charts {

class ElapsedTicker : public QCPAxisTickerTime {
public:
    static constexpr double kHourSeconds = 3600.0;

    ElapsedTicker();

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks,
                  QVector<QString>* tickLabels) override;
};

} // namespace charts
