// A graph for strip charts that only ever grow: it keeps layered minimum and
// maximum summaries of its samples, so drawing and the enlarging rescale cost
// the same after hours of streaming as after seconds, with the same picture.
#pragma once

#include <qcustomplot.h>

#include <cstddef>
#include <vector>

namespace charts {

// Lowest and highest value of a run of samples, NaN values left out; empty
// (lo > hi) when the run holds no number.
struct ValueExtent {
    double lo;
    double hi;
    bool empty() const { return lo > hi; }
};

// Layered extents over an append-only sample array: each entry of layer 0
// covers kSamplesPerEntry samples, each entry of layer n+1 kEntriesPerEntry
// entries of layer n. Layer 0 sets the memory (one 16-byte entry per 32
// samples of 16 bytes: 3 %); the narrow upper layers keep the ends a query
// reads short. The caller hands the samples in on every call, since the
// container may move.
class ExtentLayers {
public:
    static constexpr std::size_t kSamplesPerEntry = 32;
    static constexpr std::size_t kEntriesPerEntry = 8;

    // Brings the layers up to count samples; the first covered samples must be
    // unchanged since the last call (otherwise reset() first).
    void extend(const QCPGraphData* samples, std::size_t count);
    void reset();
    std::size_t covered() const { return m_covered; }
    // Extent of samples [from, to); both within what extend() covered.
    ValueExtent query(const QCPGraphData* samples, std::size_t from, std::size_t to) const;
    ValueExtent all() const;
    std::size_t bytes() const;

private:
    std::vector<std::vector<ValueExtent>> m_layers;
    std::size_t m_covered = 0;
};

// Draws like QCPGraph. With many samples per pixel column it takes each
// column's extent from the layers instead of walking every sample; with few
// it uses the library's own path, so zooming in shows every sample. The full
// value range comes from the layers as well. The key range needs nothing:
// the library reads it from the first and last sample.
//
// Samples may only be appended (addData) or all removed (data()->clear());
// a container that shrank, was replaced or changed its first or last
// summarised sample is summarised again from the start.
class SummaryGraph : public QCPGraph {
    Q_OBJECT
public:
    SummaryGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;
    // Memory held by the summaries, for benchmarks.
    std::size_t summaryBytes() const { return m_layers.bytes(); }

protected:
    void getOptimizedLineData(QVector<QCPGraphData>* lineData,
                              const QCPGraphDataContainer::const_iterator& begin,
                              const QCPGraphDataContainer::const_iterator& end) const override;

private:
    // Brings the summaries up to the container's current samples.
    void sync() const;

    mutable ExtentLayers m_layers;
    mutable const QCPGraphDataContainer* m_container = nullptr;
    mutable QCPGraphData m_first;
    mutable QCPGraphData m_last;
};

} // namespace charts
