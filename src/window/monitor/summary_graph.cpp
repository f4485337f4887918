// Layered value extents and the graph that draws and rescales from them.
#include "monitor/summary_graph.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace charts {
namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr ValueExtent kEmptyExtent{kInf, -kInf};

// NaN fails both comparisons, so it never enters an extent.
void include(ValueExtent& extent, double value)
{
    if (value < extent.lo)
        extent.lo = value;
    if (value > extent.hi)
        extent.hi = value;
}

void merge(ValueExtent& extent, const ValueExtent& other)
{
    if (other.lo < extent.lo)
        extent.lo = other.lo;
    if (other.hi > extent.hi)
        extent.hi = other.hi;
}

std::size_t roundUp(std::size_t n, std::size_t step)
{
    return (n + step - 1) / step * step;
}

bool sameSample(const QCPGraphData& a, const QCPGraphData& b)
{
    // Bitwise, so that a NaN value still matches itself.
    return std::memcmp(&a.key, &b.key, sizeof a.key) == 0 &&
           std::memcmp(&a.value, &b.value, sizeof a.value) == 0;
}

// Smallest index in [from, to) whose key is at least limit, or to. Keys
// ascend; hint is the expected distance from from, searched outwards first
// because neighbouring pixel columns hold about as many samples.
std::size_t firstKeyAtOrAbove(const QCPGraphData* samples, std::size_t from, std::size_t to,
                              double limit, std::size_t hint)
{
    const std::size_t guess = std::min(from + std::max<std::size_t>(hint, 1), to);
    std::size_t lo = 0;
    std::size_t hi = 0;
    std::size_t step = 1;
    if (guess < to && samples[guess].key < limit) {
        lo = guess + 1;
        hi = lo;
        while (hi < to && samples[hi].key < limit) {
            lo = hi + 1;
            hi = std::min(to, hi + step);
            step *= 2;
        }
    } else {
        hi = guess;
        lo = hi;
        while (lo > from && samples[lo - 1].key >= limit) {
            hi = lo - 1;
            lo = lo - from > step ? lo - step : from;
            step *= 2;
        }
    }
    const QCPGraphData* found = std::partition_point(
        samples + lo, samples + hi, [limit](const QCPGraphData& d) { return d.key < limit; });
    return static_cast<std::size_t>(found - samples);
}
} // namespace

void ExtentLayers::reset()
{
    m_layers.clear();
    m_covered = 0;
}

void ExtentLayers::extend(const QCPGraphData* samples, std::size_t count)
{
    if (count <= m_covered)
        return;
    if (m_layers.empty())
        m_layers.emplace_back();
    // Only the entries that cover new samples change, the last partial one included.
    std::size_t changed = m_covered / kSamplesPerEntry;
    std::vector<ValueExtent>& bottom = m_layers[0];
    bottom.resize(roundUp(count, kSamplesPerEntry) / kSamplesPerEntry);
    for (std::size_t e = changed; e < bottom.size(); ++e) {
        ValueExtent extent = kEmptyExtent;
        const std::size_t last = std::min(count, (e + 1) * kSamplesPerEntry);
        for (std::size_t i = e * kSamplesPerEntry; i < last; ++i)
            include(extent, samples[i].value);
        bottom[e] = extent;
    }
    for (std::size_t layer = 0; m_layers[layer].size() > 1; ++layer) {
        if (m_layers.size() == layer + 1)
            m_layers.emplace_back();
        const std::vector<ValueExtent>& below = m_layers[layer];
        std::vector<ValueExtent>& above = m_layers[layer + 1];
        changed /= kEntriesPerEntry;
        above.resize(roundUp(below.size(), kEntriesPerEntry) / kEntriesPerEntry);
        for (std::size_t e = changed; e < above.size(); ++e) {
            ValueExtent extent = kEmptyExtent;
            const std::size_t last = std::min(below.size(), (e + 1) * kEntriesPerEntry);
            for (std::size_t i = e * kEntriesPerEntry; i < last; ++i)
                merge(extent, below[i]);
            above[e] = extent;
        }
    }
    m_covered = count;
}

ValueExtent ExtentLayers::query(const QCPGraphData* samples, std::size_t from, std::size_t to) const
{
    ValueExtent extent = kEmptyExtent;
    // The unaligned ends are read from the samples, the aligned middle from
    // the layers, and so on upwards.
    std::size_t alignedFrom = roundUp(from, kSamplesPerEntry);
    std::size_t alignedTo = to / kSamplesPerEntry * kSamplesPerEntry;
    if (m_layers.empty() || alignedFrom >= alignedTo) {
        for (std::size_t i = from; i < to; ++i)
            include(extent, samples[i].value);
        return extent;
    }
    for (std::size_t i = from; i < alignedFrom; ++i)
        include(extent, samples[i].value);
    for (std::size_t i = alignedTo; i < to; ++i)
        include(extent, samples[i].value);
    from = alignedFrom / kSamplesPerEntry;
    to = alignedTo / kSamplesPerEntry;
    for (std::size_t layer = 0;; ++layer) {
        const ValueExtent* entries = m_layers[layer].data();
        alignedFrom = roundUp(from, kEntriesPerEntry);
        alignedTo = to / kEntriesPerEntry * kEntriesPerEntry;
        if (layer + 1 >= m_layers.size() || alignedFrom >= alignedTo) {
            for (std::size_t i = from; i < to; ++i)
                merge(extent, entries[i]);
            return extent;
        }
        for (std::size_t i = from; i < alignedFrom; ++i)
            merge(extent, entries[i]);
        for (std::size_t i = alignedTo; i < to; ++i)
            merge(extent, entries[i]);
        from = alignedFrom / kEntriesPerEntry;
        to = alignedTo / kEntriesPerEntry;
    }
}

ValueExtent ExtentLayers::all() const
{
    return m_layers.empty() ? kEmptyExtent : m_layers.back().front();
}

std::size_t ExtentLayers::bytes() const
{
    std::size_t total = 0;
    for (const std::vector<ValueExtent>& layer : m_layers)
        total += layer.capacity() * sizeof(ValueExtent);
    return total;
}

SummaryGraph::SummaryGraph(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {}

void SummaryGraph::sync() const
{
    const QCPGraphDataContainer* container = mDataContainer.data();
    const std::size_t count = static_cast<std::size_t>(container->size());
    const std::size_t covered = m_layers.covered();
    const QCPGraphData* samples = count > 0 ? &*container->constBegin() : nullptr;
    if (container != m_container || count < covered ||
        (covered > 0 &&
         (!sameSample(samples[0], m_first) || !sameSample(samples[covered - 1], m_last)))) {
        m_layers.reset();
        m_container = container;
    }
    if (count > m_layers.covered()) {
        m_layers.extend(samples, count);
        m_first = samples[0];
        m_last = samples[count - 1];
    }
}

QCPRange SummaryGraph::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain,
                                     const QCPRange& inKeyRange) const
{
    // One sign only matters for logarithmic axes, which these charts do not use.
    if (inSignDomain != QCP::sdBoth)
        return QCPGraph::getValueRange(foundRange, inSignDomain, inKeyRange);
    sync();
    ValueExtent extent = kEmptyExtent;
    if (inKeyRange == QCPRange()) {
        extent = m_layers.all();
    } else if (!mDataContainer->isEmpty()) {
        // Keys inside [lower, upper], both ends included.
        const QCPGraphData* samples = &*mDataContainer->constBegin();
        const QCPGraphData* end = samples + mDataContainer->size();
        const QCPGraphData* from = std::partition_point(
            samples, end, [&](const QCPGraphData& d) { return d.key < inKeyRange.lower; });
        const QCPGraphData* to = std::partition_point(
            samples, end, [&](const QCPGraphData& d) { return d.key <= inKeyRange.upper; });
        if (from < to)
            extent = m_layers.query(samples, static_cast<std::size_t>(from - samples),
                                    static_cast<std::size_t>(to - samples));
    }
    foundRange = !extent.empty();
    return foundRange ? QCPRange(extent.lo, extent.hi) : QCPRange();
}

// The clustering is the library's own, column by column with the same
// points placed at the same keys; only each column's extent is looked up.
void SummaryGraph::getOptimizedLineData(QVector<QCPGraphData>* lineData,
                                        const QCPGraphDataContainer::const_iterator& begin,
                                        const QCPGraphDataContainer::const_iterator& end) const
{
    QCPAxis* keyAxis = mKeyAxis.data();
    if (!lineData || !keyAxis || !mValueAxis || begin == end || !mAdaptiveSampling) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    const double keyPixelSpan =
        qAbs(keyAxis->coordToPixel(begin->key) - keyAxis->coordToPixel((end - 1)->key));
    int maxCount = std::numeric_limits<int>::max();
    if (2 * keyPixelSpan + 2 < static_cast<double>(maxCount))
        maxCount = int(2 * keyPixelSpan + 2);
    // Fewer than two samples per column on average: every sample is drawn.
    if (end - begin < maxCount) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    sync();
    const QCPGraphData* samples = &*mDataContainer->constBegin();
    std::size_t i = static_cast<std::size_t>(begin - mDataContainer->constBegin());
    const std::size_t stop = static_cast<std::size_t>(end - mDataContainer->constBegin());

    const int reversedFactor = keyAxis->pixelOrientation();
    const int reversedRound = reversedFactor == -1 ? 1 : 0;
    const auto columnStart = [&](double key) {
        return keyAxis->pixelToCoord(int(keyAxis->coordToPixel(key) + reversedRound));
    };
    const auto columnWidth = [&](double start) {
        return qAbs(start - keyAxis->pixelToCoord(keyAxis->coordToPixel(start) + reversedFactor));
    };
    const bool widthVaries = keyAxis->scaleType() == QCPAxis::stLogarithmic;

    lineData->reserve(lineData->size() + 2 * std::min(maxCount, 1 << 20));
    double start = columnStart(samples[i].key);
    double epsilon = columnWidth(start);
    double lastColumnEndKey = start;
    std::size_t hint = 1;
    for (;;) {
        const std::size_t next = firstKeyAtOrAbove(samples, i + 1, stop, start + epsilon, hint);
        const std::size_t count = next - i;
        if (count >= 2) {
            const double first = samples[i].value;
            double lo = first;
            double hi = first;
            // A NaN first value stands for the whole column, as in the library.
            if (!qIsNaN(first)) {
                const ValueExtent rest = m_layers.query(samples, i + 1, next);
                lo = std::min(lo, rest.lo);
                hi = std::max(hi, rest.hi);
            }
            if (lastColumnEndKey < start - epsilon)
                lineData->append(QCPGraphData(start + epsilon * 0.2, first));
            lineData->append(QCPGraphData(start + epsilon * 0.25, lo));
            lineData->append(QCPGraphData(start + epsilon * 0.75, hi));
            if (next < stop && samples[next].key > start + epsilon * 2)
                lineData->append(QCPGraphData(start + epsilon * 0.8, samples[next - 1].value));
        } else {
            lineData->append(samples[i]);
        }
        lastColumnEndKey = samples[next - 1].key;
        if (next == stop)
            break;
        hint = count;
        i = next;
        start = columnStart(samples[i].key);
        if (widthVaries)
            epsilon = columnWidth(start);
    }
}

} // namespace charts
