// Configuration shared by the two strip charts: three graphs over elapsed
// time, an elapsed-time key axis ("mm:ss", past an hour "h:mm:ss"), a legend
// at the top right.
#pragma once

#include "monitor/sample_table.h"

#include <QString>

#include <memory>

class QCustomPlot;
class QFont;

namespace charts {

struct GraphSpec {
    QString name;
    bool onRightAxis = false;
    ValueType type = ValueType::Measurement;
};

struct ChartSpec {
    GraphSpec graphs[SampleTable::kColumns];
    QString leftLabel;
    QString rightLabel;
    double leftTickStep = 0.0;  // 0: automatic ticks
    double rightTickStep = 0.0; // 0: automatic ticks
};

constexpr double kKeyRangeEnd = 20.0;
constexpr double kKeyRangeAfterClear = 10.0;
constexpr double kLeftRangeEnd = 100.0;
constexpr double kRightRangeEnd = 10.0;

// The class of the graphs charts are made of, for the whole process. The
// summary graph draws the same picture from a compact table at a cost that
// does not grow with the history; the library's own, with its own 16-byte
// samples, stays selectable so benchmarks can compare both.
enum class GraphClass { Summary, Stock };
void setGraphClass(GraphClass graphClass);
GraphClass graphClass();

// Adds the three graphs, reading the table's columns (the library's own
// graphs when it is null), and sets up axes, interactions and legend.
void configure(QCustomPlot* plot, const ChartSpec& spec, const QFont& windowFont,
               const std::shared_ptr<const SampleTable>& table);
// Returns the axes of an emptied chart to their start ranges (no redraw).
void resetRanges(QCustomPlot* plot);

} // namespace charts
