// The shared CSV cell and line format.
#include "csv_table.h"

#include "c_format.h"

#include <cmath>

namespace csv {
namespace {
constexpr int kRealDecimals = 3;
} // namespace

int decimalsFor(const QString& unit)
{
    static const QStringList real = {QStringLiteral("s"), QStringLiteral("V"), QStringLiteral("°C"),
                                     QStringLiteral("A")};
    return real.contains(unit) ? kRealDecimals : 0;
}

QString headerCell(const Column& column)
{
    return text(column.unit.isEmpty() ? column.name
                                      : column.name + QStringLiteral(" / ") + column.unit);
}

QString number(double value, const QString& unit)
{
    if (!std::isfinite(value))
        return QString();
    const int decimals = decimalsFor(unit);
    // -0.0004 must not print as "-0.000".
    const double scale = std::pow(10.0, decimals);
    if (std::round(value * scale) == 0.0)
        value = 0.0;
    return cformat("%.*f", decimals, value);
}

QString text(const QString& value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString line(const QStringList& cells)
{
    return cells.join(QLatin1Char(',')) + QLatin1Char('\n');
}

QString header(const QVector<Column>& columns)
{
    QStringList cells;
    for (const Column& column : columns)
        cells.append(headerCell(column));
    return line(cells);
}

Column elapsedColumn()
{
    return {QStringLiteral("Elapsed"), QStringLiteral("s")};
}

} // namespace csv
