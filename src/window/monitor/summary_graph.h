// A graph for strip charts that only ever grow: it draws one value column of
// a chart's sample table and keeps layered minimum and maximum summaries of
// it, so drawing and the enlarging rescale cost the same after hours of
// streaming as after seconds, with the library graph's picture.
#pragma once

#include "monitor/sample_table.h"

#include <qcustomplot.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace charts {

// Lowest and highest value of a run of samples, NaN values left out; empty
// (lo > hi) when the run holds no number.
struct ValueExtent {
    double lo;
    double hi;
    bool empty() const { return lo > hi; }
};

// Layered extents over an append-only column: each entry of layer 0 covers
// kSamplesPerEntry samples, each entry of layer n+1 kEntriesPerEntry entries
// of layer n. Layer 0 sets the memory (one 16-byte entry per 32 samples); the
// narrow upper layers keep the ends a query reads short.
class ExtentLayers {
public:
    static constexpr std::size_t kSamplesPerEntry = 32;
    static constexpr std::size_t kEntriesPerEntry = 8;

    // Brings the layers up to the column's size; the samples covered so far
    // must be unchanged since the last call (otherwise reset() first).
    void extend(const ColumnView& samples);
    void reset();
    std::size_t covered() const { return m_covered; }
    // Extent of samples [from, to); both within what extend() covered.
    ValueExtent query(const ColumnView& samples, std::size_t from, std::size_t to) const;
    ValueExtent all() const;
    // First and last covered row holding a number; covered() when there is none.
    std::size_t firstNumber(const ColumnView& samples) const;
    std::size_t lastNumber(const ColumnView& samples) const;
    // Starts loading what a query beginning or ending at row reads, so that
    // the memory waits of neighbouring pixel columns overlap.
    void prefetch(const ColumnView& samples, std::size_t row) const;
    std::size_t bytes() const;

private:
    std::vector<std::vector<ValueExtent>> m_layers;
    std::size_t m_covered = 0;
};

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
    std::size_t summaryBytes() const { return m_layers.bytes(); }

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
    mutable ExtentLayers m_layers;
    mutable std::uint64_t m_generation = 0;
};

} // namespace charts
