// Layered value extents and the graph that draws, rescales and hit-tests a
// sample table column from them, step for step as the library's graph does
// over its own container.
#include "monitor/summary_graph.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace charts {
namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr ValueExtent kEmptyExtent{kInf, -kInf};
constexpr std::size_t kPrefetchColumns = 4;

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

// Extent of n cells. Four minima and maxima run side by side, so that the
// reads are not one long chain of dependent comparisons.
template <typename T> ValueExtent runExtent(const T* cells, std::size_t n)
{
    constexpr std::size_t kLanes = 4;
    using Limits = std::numeric_limits<T>;
    const T highest = Limits::has_infinity ? Limits::infinity() : Limits::max();
    const T lowest = Limits::has_infinity ? -Limits::infinity() : Limits::lowest();
    T lo[kLanes] = {highest, highest, highest, highest};
    T hi[kLanes] = {lowest, lowest, lowest, lowest};
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            // NaN fails the comparisons inside min and max and is left out.
            lo[lane] = std::min(lo[lane], cells[i + lane]);
            hi[lane] = std::max(hi[lane], cells[i + lane]);
        }
    }
    for (; i < n; ++i) {
        lo[0] = std::min(lo[0], cells[i]);
        hi[0] = std::max(hi[0], cells[i]);
    }
    const T low = std::min({lo[0], lo[1], lo[2], lo[3]});
    const T high = std::max({hi[0], hi[1], hi[2], hi[3]});
    return low > high ? kEmptyExtent : ValueExtent{double(low), double(high)};
}

void includeRows(ValueExtent& extent, const ColumnView& samples, std::size_t from, std::size_t to)
{
    samples.runs(from, to, [&extent](const auto* cells, std::size_t n) {
        merge(extent, runExtent(cells, n));
    });
}

std::size_t roundUp(std::size_t n, std::size_t step)
{
    return (n + step - 1) / step * step;
}

// Smallest row in [from, to) for which pred(key) is false; keys ascend, so
// pred must hold for a prefix.
template <typename Pred>
std::size_t partitionPoint(const ColumnView& samples, std::size_t from, std::size_t to, Pred pred)
{
    while (from < to) {
        const std::size_t mid = from + (to - from) / 2;
        if (pred(samples.key(mid)))
            from = mid + 1;
        else
            to = mid;
    }
    return from;
}

std::size_t lowerBound(const ColumnView& samples, double key)
{
    return partitionPoint(samples, 0, samples.size(), [key](double k) { return k < key; });
}

std::size_t upperBound(const ColumnView& samples, double key)
{
    return partitionPoint(samples, 0, samples.size(), [key](double k) { return !(key < k); });
}

// Smallest row in [from, to) whose key is at least limit, or to. Neighbouring
// pixel columns hold about as many samples, so the search starts hint rows on
// and gallops outwards before it halves.
std::size_t firstKeyAtOrAbove(const ColumnView& samples, std::size_t from, std::size_t to,
                              double limit, std::size_t hint)
{
    const std::size_t guess = std::min(from + std::max<std::size_t>(hint, 1), to);
    std::size_t lo = 0;
    std::size_t hi = 0;
    std::size_t step = 1;
    if (guess < to && samples.key(guess) < limit) {
        lo = guess + 1;
        hi = lo;
        while (hi < to && samples.key(hi) < limit) {
            lo = hi + 1;
            hi = std::min(to, hi + step);
            step *= 2;
        }
    } else {
        hi = guess;
        lo = hi;
        while (lo > from && samples.key(lo - 1) >= limit) {
            hi = lo - 1;
            lo = lo - from > step ? lo - step : from;
            step *= 2;
        }
    }
    return partitionPoint(samples, lo, hi, [limit](double k) { return k < limit; });
}

// Touches each cache line of [first, last], both within one allocation.
void prefetchSpan(const void* first, const void* last)
{
    constexpr std::uintptr_t kLine = 64;
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(last);
    for (std::uintptr_t at = reinterpret_cast<std::uintptr_t>(first) & ~(kLine - 1); at <= end;
         at += kLine)
        __builtin_prefetch(reinterpret_cast<const void*>(at));
}

bool withinDomain(double x, QCP::SignDomain domain)
{
    switch (domain) {
    case QCP::sdNegative:
        return x < 0;
    case QCP::sdPositive:
        return x > 0;
    case QCP::sdBoth:
        break;
    }
    return !std::isnan(x);
}
} // namespace

void ExtentLayers::reset()
{
    m_layers.clear();
    m_covered = 0;
}

void ExtentLayers::extend(const ColumnView& samples)
{
    const std::size_t count = samples.size();
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
        includeRows(extent, samples, e * kSamplesPerEntry,
                    std::min(count, (e + 1) * kSamplesPerEntry));
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

ValueExtent ExtentLayers::query(const ColumnView& samples, std::size_t from, std::size_t to) const
{
    ValueExtent extent = kEmptyExtent;
    // The unaligned ends are read from the samples, the aligned middle from
    // the layers, and so on upwards.
    std::size_t alignedFrom = roundUp(from, kSamplesPerEntry);
    std::size_t alignedTo = to / kSamplesPerEntry * kSamplesPerEntry;
    if (m_layers.empty() || alignedFrom >= alignedTo) {
        includeRows(extent, samples, from, to);
        return extent;
    }
    includeRows(extent, samples, from, alignedFrom);
    includeRows(extent, samples, alignedTo, to);
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

// Down from the top entry, always into the first (or last) child that holds
// a number: a few dozen reads however long the stretch of NaN values.
std::size_t ExtentLayers::firstNumber(const ColumnView& samples) const
{
    if (all().empty())
        return m_covered;
    std::size_t entry = 0;
    for (std::size_t layer = m_layers.size() - 1; layer > 0; --layer) {
        const std::vector<ValueExtent>& below = m_layers[layer - 1];
        entry *= kEntriesPerEntry;
        while (below[entry].empty())
            ++entry;
    }
    std::size_t row = entry * kSamplesPerEntry;
    while (std::isnan(samples.value(row)))
        ++row;
    return row;
}

std::size_t ExtentLayers::lastNumber(const ColumnView& samples) const
{
    if (all().empty())
        return m_covered;
    std::size_t entry = 0;
    for (std::size_t layer = m_layers.size() - 1; layer > 0; --layer) {
        const std::vector<ValueExtent>& below = m_layers[layer - 1];
        entry = std::min(below.size(), (entry + 1) * kEntriesPerEntry) - 1;
        while (below[entry].empty())
            --entry;
    }
    std::size_t row = std::min(m_covered, (entry + 1) * kSamplesPerEntry) - 1;
    while (std::isnan(samples.value(row)))
        --row;
    return row;
}

void ExtentLayers::prefetch(const ColumnView& samples, std::size_t row) const
{
    if (row >= m_covered)
        return;
    static_assert(ChunkedColumn<float>::kChunkCells % kSamplesPerEntry == 0,
                  "an entry's samples lie in one chunk");
    const std::size_t first = row / kSamplesPerEntry * kSamplesPerEntry;
    const std::size_t last = std::min(m_covered, first + kSamplesPerEntry) - 1;
    prefetchSpan(samples.valueCell(first), samples.valueCell(last));
    std::size_t entry = row / kSamplesPerEntry;
    for (const std::vector<ValueExtent>& layer : m_layers) {
        const std::size_t group = entry / kEntriesPerEntry * kEntriesPerEntry;
        if (group >= layer.size())
            break;
        prefetchSpan(&layer[group], &layer[std::min(layer.size(), group + kEntriesPerEntry) - 1]);
        entry /= kEntriesPerEntry;
    }
}

std::size_t ExtentLayers::bytes() const
{
    std::size_t total = 0;
    for (const std::vector<ValueExtent>& layer : m_layers)
        total += layer.capacity() * sizeof(ValueExtent);
    return total;
}

SummaryGraph::SummaryGraph(QCPAxis* keyAxis, QCPAxis* valueAxis,
                           std::shared_ptr<const SampleTable> table, int column)
    : QCPGraph(keyAxis, valueAxis), m_table(std::move(table)), m_samples{m_table.get(), column}
{
}

void SummaryGraph::sync() const
{
    const std::uint64_t generation = m_samples.table->generation();
    if (generation != m_generation || m_samples.size() < m_layers.covered()) {
        m_layers.reset();
        m_generation = generation;
    }
    m_layers.extend(m_samples);
}

bool SummaryGraph::validIndex(int index) const
{
    return index >= 0 && std::size_t(index) < m_samples.size();
}

int SummaryGraph::dataCount() const
{
    return int(std::min<std::size_t>(m_samples.size(), std::numeric_limits<int>::max()));
}

double SummaryGraph::dataMainKey(int index) const
{
    return validIndex(index) ? m_samples.key(std::size_t(index)) : 0.0;
}

double SummaryGraph::dataSortKey(int index) const
{
    return dataMainKey(index);
}

double SummaryGraph::dataMainValue(int index) const
{
    return validIndex(index) ? m_samples.value(std::size_t(index)) : 0.0;
}

QCPRange SummaryGraph::dataValueRange(int index) const
{
    const double value = dataMainValue(index);
    return QCPRange(value, value);
}

QPointF SummaryGraph::dataPixelPosition(int index) const
{
    if (!validIndex(index))
        return QPointF();
    return coordsToPixels(m_samples.key(std::size_t(index)), m_samples.value(std::size_t(index)));
}

int SummaryGraph::findBegin(double sortKey, bool expandedRange) const
{
    std::size_t row = lowerBound(m_samples, sortKey);
    if (expandedRange && row > 0)
        --row;
    return int(row);
}

int SummaryGraph::findEnd(double sortKey, bool expandedRange) const
{
    std::size_t row = upperBound(m_samples, sortKey);
    if (expandedRange && row < m_samples.size())
        ++row;
    return int(row);
}

QCPRange SummaryGraph::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const
{
    sync();
    std::size_t first = m_layers.covered();
    std::size_t last = first;
    if (inSignDomain == QCP::sdBoth) {
        first = m_layers.firstNumber(m_samples);
        last = m_layers.lastNumber(m_samples);
    } else {
        // Logarithmic key axes only, which these charts do not use: a plain walk.
        for (std::size_t row = 0; row < m_samples.size(); ++row) {
            if (std::isnan(m_samples.value(row)) || !withinDomain(m_samples.key(row), inSignDomain))
                continue;
            if (first == m_layers.covered())
                first = row;
            last = row;
        }
    }
    foundRange = first < m_layers.covered();
    return foundRange ? QCPRange(m_samples.key(first), m_samples.key(last)) : QCPRange();
}

QCPRange SummaryGraph::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain,
                                     const QCPRange& inKeyRange) const
{
    sync();
    const bool restricted = inKeyRange != QCPRange();
    // Keys inside [lower, upper], both ends included.
    const std::size_t from = restricted ? std::size_t(findBegin(inKeyRange.lower, false)) : 0;
    const std::size_t to =
        restricted ? std::size_t(findEnd(inKeyRange.upper, false)) : m_samples.size();
    ValueExtent extent = kEmptyExtent;
    if (inSignDomain != QCP::sdBoth) {
        // Logarithmic value axes only, which these charts do not use: a plain walk.
        for (std::size_t row = from; row < to; ++row) {
            const double value = m_samples.value(row);
            if (withinDomain(value, inSignDomain))
                include(extent, value);
        }
    } else if (!restricted) {
        extent = m_layers.all();
    } else if (from < to) {
        extent = m_layers.query(m_samples, from, to);
    }
    foundRange = !extent.empty();
    return foundRange ? QCPRange(extent.lo, extent.hi) : QCPRange();
}

void SummaryGraph::visibleRows(const QCPDataRange& restriction, std::size_t& begin,
                               std::size_t& end) const
{
    begin = end = m_samples.size();
    if (restriction.isEmpty())
        return;
    const QCPRange keys = mKeyAxis->range();
    QCPDataRange rows(findBegin(keys.lower), findEnd(keys.upper));
    rows = rows.bounded(restriction.bounded(QCPDataRange(0, dataCount())));
    begin = std::size_t(rows.begin());
    end = std::size_t(rows.end());
}

QVector<QPointF> SummaryGraph::lines(const QCPDataRange& restriction) const
{
    std::size_t begin = 0;
    std::size_t end = 0;
    visibleRows(restriction, begin, end);
    if (begin == end || mLineStyle == lsNone)
        return {};
    QVector<QCPGraphData> data;
    lineData(&data, begin, end);
    // Key pixels ascending, as the line styles expect.
    if (mKeyAxis->rangeReversed() != (mKeyAxis->orientation() == Qt::Vertical))
        std::reverse(data.begin(), data.end());
    switch (mLineStyle) {
    case lsStepLeft:
        return dataToStepLeftLines(data);
    case lsStepRight:
        return dataToStepRightLines(data);
    case lsStepCenter:
        return dataToStepCenterLines(data);
    case lsImpulse:
        return dataToImpulseLines(data);
    case lsNone:
    case lsLine:
        break;
    }
    return dataToLines(data);
}

// The clustering is the library's own, column by column with the same
// points placed at the same keys; only each column's extent is looked up.
void SummaryGraph::lineData(QVector<QCPGraphData>* out, std::size_t begin, std::size_t end) const
{
    QCPAxis* keyAxis = mKeyAxis.data();
    int maxCount = std::numeric_limits<int>::max();
    if (mAdaptiveSampling) {
        const double keyPixelSpan = qAbs(keyAxis->coordToPixel(m_samples.key(begin)) -
                                         keyAxis->coordToPixel(m_samples.key(end - 1)));
        if (2 * keyPixelSpan + 2 < static_cast<double>(maxCount))
            maxCount = int(2 * keyPixelSpan + 2);
    }
    // Fewer than two samples per column on average: every sample is drawn.
    if (!mAdaptiveSampling || end - begin < std::size_t(maxCount)) {
        out->reserve(int(end - begin));
        for (std::size_t row = begin; row < end; ++row)
            out->append(QCPGraphData(m_samples.key(row), m_samples.value(row)));
        return;
    }
    sync();
    const int reversedFactor = keyAxis->pixelOrientation();
    const int reversedRound = reversedFactor == -1 ? 1 : 0;
    const auto columnStart = [&](double key) {
        return keyAxis->pixelToCoord(int(keyAxis->coordToPixel(key) + reversedRound));
    };
    const auto columnWidth = [&](double start) {
        return qAbs(start - keyAxis->pixelToCoord(keyAxis->coordToPixel(start) + reversedFactor));
    };
    const bool widthVaries = keyAxis->scaleType() == QCPAxis::stLogarithmic;

    out->reserve(2 * std::min(maxCount, 1 << 20));
    std::size_t i = begin;
    double start = columnStart(m_samples.key(i));
    double epsilon = columnWidth(start);
    double lastColumnEndKey = start;
    std::size_t hint = 1;
    for (;;) {
        const std::size_t next = firstKeyAtOrAbove(m_samples, i + 1, end, start + epsilon, hint);
        const std::size_t count = next - i;
        // Columns hold about as many samples as their neighbours, which tells
        // where a column a few further on will begin.
        const std::size_t ahead = next + kPrefetchColumns * count;
        if (ahead < end) {
            __builtin_prefetch(m_samples.keyCell(ahead));
            m_layers.prefetch(m_samples, ahead);
        }
        const double first = m_samples.value(i);
        if (count >= 2) {
            double lo = first;
            double hi = first;
            // A NaN first value stands for the whole column, as in the library.
            if (!std::isnan(first)) {
                const ValueExtent rest = m_layers.query(m_samples, i + 1, next);
                lo = std::min(lo, rest.lo);
                hi = std::max(hi, rest.hi);
            }
            if (lastColumnEndKey < start - epsilon)
                out->append(QCPGraphData(start + epsilon * 0.2, first));
            out->append(QCPGraphData(start + epsilon * 0.25, lo));
            out->append(QCPGraphData(start + epsilon * 0.75, hi));
            if (next < end && m_samples.key(next) > start + epsilon * 2)
                out->append(QCPGraphData(start + epsilon * 0.8, m_samples.value(next - 1)));
        } else {
            out->append(QCPGraphData(m_samples.key(i), first));
        }
        lastColumnEndKey = m_samples.key(next - 1);
        if (next == end)
            break;
        hint = count;
        i = next;
        start = columnStart(m_samples.key(i));
        if (widthVaries)
            epsilon = columnWidth(start);
    }
}

void SummaryGraph::draw(QCPPainter* painter)
{
    if (!mKeyAxis || !mValueAxis || mKeyAxis->range().size() <= 0 || m_samples.size() == 0 ||
        mLineStyle == lsNone)
        return;
    QList<QCPDataRange> selectedSegments;
    QList<QCPDataRange> unselectedSegments;
    getDataSegments(selectedSegments, unselectedSegments);
    const QList<QCPDataRange> segments = unselectedSegments + selectedSegments;
    for (int i = 0; i < segments.size(); ++i) {
        const bool selectedSegment = i >= unselectedSegments.size();
        // Unselected segments reach to the neighbouring selected sample.
        QVector<QPointF> points =
            lines(selectedSegment ? segments.at(i) : segments.at(i).adjusted(-1, 1));
        if (selectedSegment && mSelectionDecorator)
            mSelectionDecorator->applyBrush(painter);
        else
            painter->setBrush(mBrush);
        painter->setPen(Qt::NoPen);
        drawFill(painter, &points);
        if (selectedSegment && mSelectionDecorator)
            mSelectionDecorator->applyPen(painter);
        else
            painter->setPen(mPen);
        painter->setBrush(Qt::NoBrush);
        if (mLineStyle == lsImpulse)
            drawImpulsePlot(painter, points);
        else
            drawLinePlot(painter, points);
    }
    if (mSelectionDecorator)
        mSelectionDecorator->drawDecoration(painter, selection());
}

QRect SummaryGraph::clipRect() const
{
    // A value on the top of the range maps to the row just above the axis
    // rectangle. Drawn aliased at a fractional device pixel ratio (a screen
    // scaled by 1.25, say), a one-pixel line there falls outside the
    // rectangle's device pixels and would vanish, so the clip reaches one row
    // beyond each edge.
    return QCPGraph::clipRect().adjusted(0, -1, 0, 1);
}

double SummaryGraph::selectTest(const QPointF& pos, bool onlySelectable, QVariant* details) const
{
    if ((onlySelectable && mSelectable == QCP::stNone) || m_samples.size() == 0 || !mKeyAxis ||
        !mValueAxis || mLineStyle == lsNone)
        return -1;
    if (!mKeyAxis->axisRect()->rect().contains(pos.toPoint()) &&
        !mParentPlot->interactions().testFlag(QCP::iSelectPlottablesBeyondAxisRect))
        return -1;
    // The nearest sample within the selection tolerance, then the nearest
    // drawn line segment, which with spikes may lie further along the keys.
    const double tolerance = mParentPlot->selectionTolerance();
    double keyMin = 0;
    double keyMax = 0;
    double unused = 0;
    pixelsToCoords(pos - QPointF(tolerance, tolerance), keyMin, unused);
    pixelsToCoords(pos + QPointF(tolerance, tolerance), keyMax, unused);
    if (keyMin > keyMax)
        std::swap(keyMin, keyMax);
    double minDistSqr = std::numeric_limits<double>::max();
    std::size_t closest = m_samples.size();
    const std::size_t end = std::size_t(findEnd(keyMax, true));
    for (std::size_t row = std::size_t(findBegin(keyMin, true)); row < end; ++row) {
        const double distSqr =
            QCPVector2D(coordsToPixels(m_samples.key(row), m_samples.value(row)) - pos)
                .lengthSquared();
        if (distSqr < minDistSqr) {
            minDistSqr = distSqr;
            closest = row;
        }
    }
    const QVector<QPointF> points = lines(QCPDataRange(0, dataCount()));
    const QCPVector2D p(pos);
    const int step = mLineStyle == lsImpulse ? 2 : 1;
    for (int i = 0; i + 1 < points.size(); i += step)
        minDistSqr = std::min(minDistSqr, p.distanceSquaredToLine(points.at(i), points.at(i + 1)));
    if (details)
        details->setValue(QCPDataSelection(QCPDataRange(int(closest), int(closest) + 1)));
    return std::sqrt(minDistSqr);
}

QCPDataSelection SummaryGraph::selectTestRect(const QRectF& rect, bool onlySelectable) const
{
    QCPDataSelection result;
    if ((onlySelectable && mSelectable == QCP::stNone) || m_samples.size() == 0 || !mKeyAxis ||
        !mValueAxis)
        return result;
    double key1 = 0;
    double value1 = 0;
    double key2 = 0;
    double value2 = 0;
    pixelsToCoords(rect.topLeft(), key1, value1);
    pixelsToCoords(rect.bottomRight(), key2, value2);
    const QCPRange keys(key1, key2);
    const QCPRange values(value1, value2);
    const int end = findEnd(keys.upper, false);
    int segmentBegin = -1;
    for (int row = findBegin(keys.lower, false); row < end; ++row) {
        const bool inside = values.contains(m_samples.value(std::size_t(row))) &&
                            keys.contains(m_samples.key(std::size_t(row)));
        if (segmentBegin < 0 && inside) {
            segmentBegin = row;
        } else if (segmentBegin >= 0 && !inside) {
            result.addDataRange(QCPDataRange(segmentBegin, row), false);
            segmentBegin = -1;
        }
    }
    if (segmentBegin >= 0)
        result.addDataRange(QCPDataRange(segmentBegin, end), false);
    result.simplify();
    return result;
}

} // namespace charts
