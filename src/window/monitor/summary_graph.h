// A graph for strip charts that only ever grow: it draws one value column of
// a chart's sample table and keeps layered minimum and maximum summaries of
// it, so drawing and the enlarging rescale cost the same after hours of
// streaming as after seconds, with the library graph's picture.
#pragma once

#include "monitor/extent_layers.h"
#include "monitor/sample_table.h"

#include <qcustomplot.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace charts {

// Draws like QCPGraph with its line style lsLine (no scatters, a brush only
// under the line). With many samples per pixel column it takes each column's
// extent from the layers instead of walking every sample; with few it draws
// every sample, as the library does when zoomed in. The value range comes
// from the layers as well.
//
// The samples are the table's: the graph's own data() container stays empty
// and addData() is not used. Selection, the 1D data interface and the key
// and value ranges all read the table.
class SummaryGraph : public QCPGraph {
    Q_OBJECT
public:
    SummaryGraph(QCPAxis* keyAxis, QCPAxis* valueAxis, std::shared_ptr<const SampleTable> table,
                 int column);

    QCPRange getKeyRange(bool& foundRange,
                         QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;
    double selectTest(const QPointF& pos, bool onlySelectable,
                      QVariant* details = nullptr) const override;

    int dataCount() const override;
    double dataMainKey(int index) const override;
    double dataSortKey(int index) const override;
    double dataMainValue(int index) const override;
    QCPRange dataValueRange(int index) const override;
    QPointF dataPixelPosition(int index) const override;
    QCPDataSelection selectTestRect(const QRectF& rect, bool onlySelectable) const override;
    int findBegin(double sortKey, bool expandedRange = true) const override;
    int findEnd(double sortKey, bool expandedRange = true) const override;

    // Memory held by the summaries, for benchmarks.
    std::size_t summaryBytes() const { return m_layers->bytes(); }

protected:
    void draw(QCPPainter* painter) override;
    QRect clipRect() const override;

private:
    // Brings the summaries up to the table's current samples.
    void sync() const;
    bool validIndex(int index) const;
    // Rows [begin, end) of the key axis' range, expanded by one on each side
    // and limited to the data range, as the library limits what it draws.
    void visibleRows(const QCPDataRange& restriction, std::size_t& begin, std::size_t& end) const;
    // The pixel points of rows [begin, end), clustered per pixel column.
    QVector<QPointF> lines(const QCPDataRange& restriction) const;
    void lineData(QVector<QCPGraphData>* out, std::size_t begin, std::size_t end) const;

    std::shared_ptr<const SampleTable> m_table;
    ColumnView m_samples;
    std::unique_ptr<ExtentLayers> m_layers;
    mutable std::uint64_t m_generation = 0;
};

} // namespace charts
