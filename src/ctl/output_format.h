// How live records are written: the text and JSON of "status", and the CSV
// and JSON lines of "watch".
#pragma once

#include "csv_table.h"
#include "device/records.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace ctl {

// The mode radio buttons' captions, or "unknown" outside 1 to 4.
QString modeText(int code);

// Every field of the record; the voltage and temperature as the record gives
// them (the window shows them filtered over five records).
QJsonObject recordJson(const RTData& rt);
QStringList recordText(const RTData& rt);

// Local time with milliseconds and UTC offset, ISO 8601.
QString wallClock(const QDateTime& time);

QString watchCsvHeader();
QString watchCsvLine(const QDateTime& time, double elapsedSeconds, const RTData& rt);
QString watchJsonLine(const QDateTime& time, double elapsedSeconds, const RTData& rt);

} // namespace ctl
