// Saving a chart's picture or data from its context menu.
#include "monitor/chart_menu.h"

#include "dialogs.h"
#include "log_sink.h"
#include "monitor/chart_export.h"
#include "monitor/strip_chart.h"

#include <QAction>
#include <QFileInfo>
#include <qcustomplot.h>

namespace charts {
namespace {
const QString kSavePicture = QStringLiteral("Save picture...");
const QString kExportData = QStringLiteral("Export data...");

// A name typed without one of the offered suffixes gets the first of them.
QString withSuffix(const QString& fileName, const QStringList& suffixes)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffixes.contains(suffix) ? fileName : fileName + QLatin1Char('.') + suffixes.first();
}

void report(LogSink* log, bool ok, const QString& what, const QString& fileName,
            const QString& error)
{
    if (ok) {
        if (log)
            log->write(QStringLiteral("Chart %1 saved to: %2").arg(what, fileName));
        return;
    }
    if (log)
        log->write(QStringLiteral("Cannot save chart %1 to %2: %3").arg(what, fileName, error));
    dialogs::warn(QStringLiteral("Cannot save chart %1").arg(what),
                  QStringLiteral("The chart %1 could not be written to\n%2\n\n%3\n\nNo file was "
                                 "left behind.")
                      .arg(what, fileName, error));
}
} // namespace

void installMenu(StripChart* chart, const QStringList& units, LogSink* log)
{
    QCustomPlot* plot = chart->plot();
    plot->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* picture = new QAction(kSavePicture, plot);
    QObject::connect(picture, &QAction::triggered, plot, [plot, log] {
        QString name = dialogs::saveFileName(
            kSavePicture, QStringLiteral("PNG image (*.png);;PDF document (*.pdf)"));
        if (name.isEmpty())
            return;
        name = withSuffix(name, {QStringLiteral("png"), QStringLiteral("pdf")});
        QString error;
        report(log, savePicture(plot, name, &error), QStringLiteral("picture"), name, error);
    });
    plot->addAction(picture);

    auto* data = new QAction(kExportData, plot);
    QObject::connect(data, &QAction::triggered, plot, [chart, units, log] {
        QString name = dialogs::saveFileName(kExportData, QStringLiteral("CSV table (*.csv)"));
        if (name.isEmpty())
            return;
        name = withSuffix(name, {QStringLiteral("csv")});
        QString error;
        report(log, writeText(name, samplesCsv(*chart, units), &error), QStringLiteral("data"),
               name, error);
    });
    plot->addAction(data);
}

} // namespace charts
