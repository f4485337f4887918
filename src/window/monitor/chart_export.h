// Data and pictures out of a chart: its samples as CSV and its picture as PNG
// or PDF at the chart's size, each written whole or not at all.
#pragma once

#include "csv_table.h"

#include <QString>
#include <QStringList>

class QCustomPlot;

namespace charts {

class StripChart;

// Every record since the last clear: elapsed seconds, then one column per
// graph, named by the graph and the given unit.
QString samplesCsv(const StripChart& chart, const QStringList& units);

// Writes through a temporary file that replaces fileName only once complete;
// false with the reason in error otherwise, leaving no file behind.
bool writeText(const QString& fileName, const QString& text, QString* error);
// PDF for a ".pdf" name, PNG otherwise.
bool savePicture(QCustomPlot* plot, const QString& fileName, QString* error);

} // namespace charts
