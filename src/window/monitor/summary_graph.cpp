// The graph that draws, rescales and hit-tests a sample table column from
// its layered extents, step for step as the library's graph does over its
// own container.
#include "monitor/summary_graph.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace charts {
namespace {
constexpr std::size_t kPrefetchColumns = 4;

// NaN fails both comparisons, so it never enters an extent.
void include(ValueExtent& extent, double value)
{
    if (value < extent.lo)
        extent.lo = value;
    if (value > extent.hi)
        extent.hi = value;
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

SummaryGraph::SummaryGraph(QCPAxis* keyAxis, QCPAxis* valueAxis,
                           std::shared_ptr<const SampleTable> table, int column)
    : QCPGraph(keyAxis, valueAxis), m_table(std::move(table)), m_samples{m_table.get(), column},
      m_layers(ExtentLayers::over(m_samples))
{
}

void SummaryGraph::sync() const
{
    const std::uint64_t generation = m_samples.table->generation();
    if (generation != m_generation || m_samples.size() < m_layers->covered()) {
        m_layers->reset();
        m_generation = generation;
    }
    m_layers->extend();
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
    std::size_t first = m_layers->covered();
    std::size_t last = first;
    if (inSignDomain == QCP::sdBoth) {
        first = m_layers->firstNumber();
        last = m_layers->lastNumber();
    } else {
        // Logarithmic key axes only, which these charts do not use: a plain walk.
        for (std::size_t row = 0; row < m_samples.size(); ++row) {
            if (std::isnan(m_samples.value(row)) || !withinDomain(m_samples.key(row), inSignDomain))
                continue;
            if (first == m_layers->covered())
                first = row;
            last = row;
        }
    }
    foundRange = first < m_layers->covered();
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
    ValueExtent extent = kNoExtent;
    if (inSignDomain != QCP::sdBoth) {
        // Logarithmic value axes only, which these charts do not use: a plain walk.
        for (std::size_t row = from; row < to; ++row) {
            const double value = m_samples.value(row);
            if (withinDomain(value, inSignDomain))
                include(extent, value);
        }
    } else if (!restricted) {
        extent = m_layers->all();
    } else if (from < to) {
        extent = m_layers->query(from, to);
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
            m_layers->prefetch(ahead);
        }
        const double first = m_samples.value(i);
        if (count >= 2) {
            double lo = first;
            double hi = first;
            // A NaN first value stands for the whole column, as in the library.
            if (!std::isnan(first)) {
                const ValueExtent rest = m_layers->query(i + 1, next);
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
