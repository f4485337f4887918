// Keeping a strip chart's samples and redrawing it only when that shows.
#include "monitor/strip_chart.h"

#include "clock.h"
#include "monitor/summary_graph.h"

#include <QEvent>
#include <qcustomplot.h>

namespace charts {
namespace {
constexpr int kRedrawIntervalMs = 1000 / kRedrawsPerSecond;

RedrawPolicy g_redrawPolicy = RedrawPolicy::WhenSeen;

std::array<ValueType, SampleTable::kColumns> columnTypes(const ChartSpec& spec)
{
    std::array<ValueType, SampleTable::kColumns> types{};
    for (int i = 0; i < SampleTable::kColumns; ++i)
        types[std::size_t(i)] = spec.graphs[i].type;
    return types;
}
} // namespace

void setRedrawPolicy(RedrawPolicy policy)
{
    g_redrawPolicy = policy;
}

StripChart::StripChart(QCustomPlot* plot, const ChartSpec& spec, const QFont& windowFont)
    : QObject(plot), m_plot(plot)
{
    if (graphClass() == GraphClass::Summary)
        m_table = std::make_shared<SampleTable>(columnTypes(spec));
    configure(plot, spec, windowFont, m_table);
    plot->installEventFilter(this);
    if (plot->window() != plot)
        plot->window()->installEventFilter(this);
}

StripChart* StripChart::of(const QCustomPlot* plot)
{
    return plot->findChild<StripChart*>(QString(), Qt::FindDirectChildrenOnly);
}

void StripChart::append(double key, const SampleTable::Values& values)
{
    if (m_table) {
        m_table->append(key, values);
        return;
    }
    for (int i = 0; i < SampleTable::kColumns; ++i)
        m_plot->graph(i)->addData(key, values[std::size_t(i)]);
}

void StripChart::clear()
{
    if (m_table)
        m_table->clear();
    for (int i = 0; i < m_plot->graphCount(); ++i)
        m_plot->graph(i)->data()->clear();
    resetRanges(m_plot);
    m_stale = false;
}

int StripChart::size() const
{
    return m_plot->graph(0)->dataCount();
}

double StripChart::key(int row) const
{
    return m_table ? m_table->key(std::size_t(row)) : m_plot->graph(0)->data()->at(row)->key;
}

double StripChart::value(int graph, int row) const
{
    return m_table ? m_table->value(graph, std::size_t(row))
                   : m_plot->graph(graph)->data()->at(row)->value;
}

std::size_t StripChart::bytes() const
{
    std::size_t total = m_table ? m_table->bytes() : 0;
    for (int i = 0; i < m_plot->graphCount(); ++i) {
        const QCPGraph* graph = m_plot->graph(i);
        if (const auto* summary = dynamic_cast<const SummaryGraph*>(graph))
            total += summary->summaryBytes();
        else
            total += std::size_t(graph->dataCount()) * sizeof(QCPGraphData);
    }
    return total;
}

void StripChart::redraw()
{
    if (g_redrawPolicy == RedrawPolicy::EveryRecord) {
        m_plot->replot();
        return;
    }
    m_stale = true;
    if (m_drawDue || !seen())
        return;
    const std::int64_t wait = m_drawn ? m_lastDrawMs + kRedrawIntervalMs - timing::nowMs() : 0;
    if (wait <= 0) {
        draw();
        return;
    }
    m_drawDue = true;
    timing::clock().singleShot(int(wait), this, [this] {
        m_drawDue = false;
        if (m_stale && seen())
            draw();
    });
}

bool StripChart::seen() const
{
    return m_plot->isVisible() && !m_plot->window()->isMinimized();
}

void StripChart::draw()
{
    m_stale = false;
    m_drawn = true;
    m_lastDrawMs = timing::nowMs();
    m_plot->replot();
}

bool StripChart::eventFilter(QObject* watched, QEvent* event)
{
    const bool mayBeSeenNow = (watched == m_plot && event->type() == QEvent::Show) ||
                              event->type() == QEvent::WindowStateChange;
    if (mayBeSeenNow && m_stale && !m_drawDue && seen())
        draw();
    return QObject::eventFilter(watched, event);
}

} // namespace charts
