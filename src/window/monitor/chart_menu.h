// The charts' context menu: "Save picture..." and "Export data...".
#pragma once

#include <QStringList>

class LogSink;

namespace charts {

class StripChart;

// Adds both actions to the chart's context menu. File names come through the
// dialog seam; what was written, or why not, goes to the log, and a failure
// is also shown. units: one per graph, in graph order, for the CSV header.
void installMenu(StripChart* chart, const QStringList& units, LogSink* log);

} // namespace charts
