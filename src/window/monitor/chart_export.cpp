// Chart samples as CSV, and the chart's picture, written through QSaveFile.
#include "monitor/chart_export.h"

#include "monitor/strip_chart.h"

#include <QPdfWriter>
#include <QPixmap>
#include <QSaveFile>
#include <qcustomplot.h>

namespace charts {
namespace {
constexpr int kPointsPerInch = 72;

bool finish(QSaveFile& file, bool written, QString* error)
{
    if (written && file.commit())
        return true;
    if (error)
        *error = file.errorString().isEmpty() ? QStringLiteral("the file could not be written")
                                              : file.errorString();
    file.cancelWriting();
    return false;
}
} // namespace

QString samplesCsv(const StripChart& chart, const QStringList& units)
{
    const QCustomPlot* plot = chart.plot();
    QVector<csv::Column> columns = {csv::elapsedColumn()};
    const int graphs = plot->graphCount();
    for (int g = 0; g < graphs; ++g)
        columns.append({plot->graph(g)->name(), units.value(g)});
    QString table = csv::header(columns);
    const QString seconds = csv::elapsedColumn().unit;
    for (int row = 0; row < chart.size(); ++row) {
        QStringList cells{csv::number(chart.key(row), seconds)};
        for (int g = 0; g < graphs; ++g)
            cells.append(csv::number(chart.value(g, row), units.value(g)));
        table += csv::line(cells);
    }
    return table;
}

bool writeText(const QString& fileName, const QString& text, QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return finish(file, false, error);
    const QByteArray bytes = text.toUtf8();
    return finish(file, file.write(bytes) == bytes.size(), error);
}

bool savePicture(QCustomPlot* plot, const QString& fileName, QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return finish(file, false, error);
    const int width = plot->width();
    const int height = plot->height();
    if (!fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return finish(file, plot->toPixmap(width, height).save(&file, "PNG"), error);

    // One page of the chart's size in points, drawn as vectors.
    QPdfWriter pdf(&file);
    pdf.setResolution(kPointsPerInch);
    pdf.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QCPPainter painter;
    bool drawn = painter.begin(&pdf);
    if (drawn) {
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        plot->toPainter(&painter, width, height);
        drawn = painter.end();
    }
    return finish(file, drawn, error);
}

} // namespace charts
