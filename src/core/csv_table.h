// Tables of samples as CSV, in one format for the command-line program's
// "watch --csv" and the window's chart export: cells split by ",", lines
// ended by "\n", header cells "Name / unit", numbers with "." and a fixed
// number of decimals for each unit.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace csv {

struct Column {
    QString name;
    QString unit; // empty for counts and codes
};

// Seconds, volts, degrees and amperes get three decimals; steps, speeds in
// steps/s, counts and codes are whole numbers.
int decimalsFor(const QString& unit);

QString headerCell(const Column& column);
// The value with its unit's decimals; an empty cell for NaN and infinities.
QString number(double value, const QString& unit);
// Text as one cell, quoted when it holds a comma, a quote or a line break.
QString text(const QString& value);
// The cells joined into one line, line end included.
QString line(const QStringList& cells);
QString header(const QVector<Column>& columns);

// The first column of every table: seconds since the recording or chart began.
Column elapsedColumn();

} // namespace csv
