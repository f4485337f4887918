// Configuration shared by the two strip charts: three graphs over elapsed
// time, an elapsed-time key axis ("mm:ss", past an hour "h:mm:ss"), a legend
// at the top right.
#pragma once

#include <QString>

class QCustomPlot;
class QFont;

namespace charts {

struct GraphSpec {
    QString name;
    bool onRightAxis = false;
};

struct ChartSpec {
    GraphSpec graphs[3];
    QString leftLabel;
    QString rightLabel;
    double leftTickStep = 0.0;  // 0: automatic ticks
    double rightTickStep = 0.0; // 0: automatic ticks
};

constexpr double kKeyRangeEnd = 20.0;
constexpr double kKeyRangeAfterClear = 10.0;
constexpr double kLeftRangeEnd = 100.0;
constexpr double kRightRangeEnd = 10.0;

// The class of the graphs configure() creates, for the whole process. The
// summary graph draws the same picture at a cost that does not grow with the
// history; the library's own stays selectable so benchmarks can compare both.
enum class GraphClass { Summary, Stock };
void setGraphClass(GraphClass graphClass);

void configure(QCustomPlot* plot, const ChartSpec& spec, const QFont& windowFont);
// Empties the three graphs and returns the axes to their start ranges (no redraw).
void clear(QCustomPlot* plot);

} // namespace charts
