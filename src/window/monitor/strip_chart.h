// A live strip chart: the plot's three graphs over one time column, and when
// the plot is redrawn. A chart that cannot be seen is not redrawn; when it is
// shown again it draws once, with everything that arrived meanwhile. One that
// can be seen is redrawn at most kRedrawsPerSecond times a second, and each
// picture is the one a redraw after every record would show at that moment,
// since the samples and the axes are brought up to date on every record.
#pragma once

#include "monitor/chart_setup.h"
#include "monitor/sample_table.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <memory>

class QCustomPlot;
class QFont;

namespace charts {

constexpr int kRedrawsPerSecond = 10;

// WhenSeen as above; EveryRecord redraws at once on every record, seen or
// not, for benchmarks to compare. For the whole process.
enum class RedrawPolicy { WhenSeen, EveryRecord };
void setRedrawPolicy(RedrawPolicy policy);

class StripChart : public QObject {
    Q_OBJECT
public:
    // Configures the plot (see chart_setup.h) and lives as its child.
    StripChart(QCustomPlot* plot, const ChartSpec& spec, const QFont& windowFont);
    // The chart that configured a plot, or null.
    static StripChart* of(const QCustomPlot* plot);

    QCustomPlot* plot() const { return m_plot; }
    // One record: a sample for each graph, all at one key. No rescale, no redraw.
    void append(double key, const SampleTable::Values& values);
    // Empties the graphs and returns the axes to their start ranges; the
    // picture stays as it is until the next record is drawn.
    void clear();
    int size() const;
    double key(int row) const;
    double value(int graph, int row) const;
    // After a record: draws now, once the interval since the last draw has
    // passed, or when the chart is seen again.
    void redraw();
    // Memory held by the samples and their summaries.
    std::size_t bytes() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool seen() const;
    void draw();

    QCustomPlot* m_plot;
    // Shared with the graphs, which the plot may delete after this child.
    std::shared_ptr<SampleTable> m_table; // null with the library's own graphs
    bool m_stale = false;                 // records arrived since the last draw
    bool m_drawDue = false;               // a later draw is scheduled
    bool m_drawn = false;
    std::int64_t m_lastDrawMs = 0;
};

} // namespace charts
