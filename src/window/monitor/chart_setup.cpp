// Setting up and clearing the two strip charts.
#include "monitor/chart_setup.h"

#include "monitor/elapsed_ticker.h"
#include "monitor/summary_graph.h"

#include <qcustomplot.h>

namespace charts {
namespace {
constexpr int kLegendFontPoints = 9;
const QColor kLegendBrush(255, 255, 255, 230);
// The pens of graphs 1 and 2; graph 0 keeps the library's default.
const QColor kSecondPen = Qt::red;
const QColor kThirdPen = Qt::green;

GraphClass g_graphClass = GraphClass::Summary;

// Both register with the plot on construction, so plot->graph(i) finds them.
QCPGraph* addGraph(QCustomPlot* plot, QCPAxis* valueAxis,
                   const std::shared_ptr<const SampleTable>& table, int column)
{
    if (!table)
        return plot->addGraph(plot->xAxis, valueAxis);
    return new SummaryGraph(plot->xAxis, valueAxis, table, column);
}

void setFixedTickStep(QCPAxis* axis, double step)
{
    if (step <= 0.0)
        return;
    QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
    ticker->setTickStep(step);
    axis->setTicker(ticker);
}

void setStartRanges(QCustomPlot* plot)
{
    plot->xAxis->setRange(0, kKeyRangeEnd);
    plot->yAxis->setRange(0, kLeftRangeEnd);
    plot->yAxis2->setRange(0, kRightRangeEnd);
}
} // namespace

void setGraphClass(GraphClass graphClass)
{
    g_graphClass = graphClass;
}

GraphClass graphClass()
{
    return g_graphClass;
}

void configure(QCustomPlot* plot, const ChartSpec& spec, const QFont& windowFont,
               const std::shared_ptr<const SampleTable>& table)
{
    const QColor pens[3] = {QColor(), kSecondPen, kThirdPen};
    for (int i = 0; i < SampleTable::kColumns; ++i) {
        QCPGraph* graph =
            addGraph(plot, spec.graphs[i].onRightAxis ? plot->yAxis2 : plot->yAxis, table, i);
        if (i > 0)
            graph->setPen(QPen(pens[i], 1));
        graph->setName(spec.graphs[i].name);
        // One-pixel lines: drawn aliased they cost about half as much, and the
        // graph's clip keeps a line on the range's edge in sight.
        graph->setAntialiased(false);
    }
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignBottom | Qt::AlignRight);
    plot->xAxis->setLabel(QStringLiteral("time / mm:ss"));
    plot->yAxis->setLabel(spec.leftLabel);
    plot->yAxis2->setLabel(spec.rightLabel);
    setFixedTickStep(plot->yAxis, spec.leftTickStep);
    setFixedTickStep(plot->yAxis2, spec.rightTickStep);
    setStartRanges(plot);
    plot->yAxis2->setVisible(true);
    plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ElapsedTicker));
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables);
    // Nothing is drawn on the overlay (no selection rectangle is used), so it
    // shares the one buffer instead of being cleared and blended in on every
    // redraw.
    plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    plot->setLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    plot->legend->setVisible(true);
    QFont legendFont = windowFont;
    legendFont.setPointSize(kLegendFontPoints);
    plot->legend->setFont(legendFont);
    plot->legend->setBrush(QBrush(kLegendBrush));
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
}

void resetRanges(QCustomPlot* plot)
{
    setStartRanges(plot);
    for (int i = 0; i < plot->graphCount(); ++i)
        plot->graph(i)->rescaleAxes(false);
    plot->xAxis->setRange(0, kKeyRangeAfterClear);
}

} // namespace charts
