// Layered extents in the column's own cell type, read and written a cache
// line at a time.
#include "monitor/extent_layers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace charts {
namespace {
constexpr std::size_t kLineBytes = ChunkedColumn<float>::kLineBytes;

// Lowest and highest cell of a run; empty (lo > hi) when none is a number.
template <typename T> struct Extent {
    T lo;
    T hi;
    bool empty() const { return lo > hi; }
};

template <typename T> constexpr Extent<T> emptyExtent()
{
    using Limits = std::numeric_limits<T>;
    return Limits::has_infinity ? Extent<T>{Limits::infinity(), -Limits::infinity()}
                                : Extent<T>{Limits::max(), Limits::lowest()};
}

template <typename T> ValueExtent widened(const Extent<T>& extent)
{
    return extent.empty() ? kNoExtent : ValueExtent{double(extent.lo), double(extent.hi)};
}

bool isNumber(float cell)
{
    return !std::isnan(cell);
}

bool isNumber(std::int32_t)
{
    return true;
}

// The entries under one upper entry, on a cache line of their own.
template <typename T> struct alignas(kLineBytes) Group {
    Extent<T> entries[ExtentLayers::kEntriesPerEntry];
};

static_assert(sizeof(Group<float>) == kLineBytes && sizeof(Group<std::int32_t>) == kLineBytes,
              "a group fills one cache line");
static_assert(ExtentLayers::kSamplesPerEntry * sizeof(float) == kLineBytes &&
                  ExtentLayers::kSamplesPerEntry * sizeof(std::int32_t) == kLineBytes,
              "an entry's samples fill one cache line");
static_assert(ChunkedColumn<float>::kChunkCells % ExtentLayers::kSamplesPerEntry == 0,
              "an entry's samples lie in one chunk");

template <typename T> void merge(Extent<T>& extent, const Extent<T>& other)
{
    extent.lo = std::min(extent.lo, other.lo);
    extent.hi = std::max(extent.hi, other.hi);
}

// Extent of n cells. Four minima and maxima run side by side, so that the
// reads are not one long chain of dependent comparisons.
template <typename T> Extent<T> runExtent(const T* cells, std::size_t n)
{
    constexpr std::size_t kLanes = 4;
    constexpr Extent<T> none = emptyExtent<T>();
    T lo[kLanes] = {none.lo, none.lo, none.lo, none.lo};
    T hi[kLanes] = {none.hi, none.hi, none.hi, none.hi};
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
    return {std::min({lo[0], lo[1], lo[2], lo[3]}), std::max({hi[0], hi[1], hi[2], hi[3]})};
}

std::size_t roundUp(std::size_t n, std::size_t step)
{
    return (n + step - 1) / step * step;
}

template <typename T> class TypedLayers final : public ExtentLayers {
public:
    explicit TypedLayers(const ChunkedColumn<T>& cells) : m_cells(cells) {}

    void extend() override;
    void reset() override
    {
        m_layers.clear();
        m_covered = 0;
    }
    std::size_t covered() const override { return m_covered; }
    ValueExtent query(std::size_t from, std::size_t to) const override;
    ValueExtent all() const override
    {
        return m_layers.empty() ? kNoExtent : widened(m_layers.back()[0]);
    }
    std::size_t firstNumber() const override;
    std::size_t lastNumber() const override;
    void prefetch(std::size_t row) const override;
    std::size_t bytes() const override;

private:
    struct Layer {
        std::vector<Group<T>> groups;
        std::size_t size = 0; // entries

        Extent<T>& operator[](std::size_t e)
        {
            return groups[e / kEntriesPerEntry].entries[e % kEntriesPerEntry];
        }
        const Extent<T>& operator[](std::size_t e) const
        {
            return groups[e / kEntriesPerEntry].entries[e % kEntriesPerEntry];
        }
        void resize(std::size_t entries)
        {
            groups.resize(roundUp(entries, kEntriesPerEntry) / kEntriesPerEntry);
            size = entries;
        }
    };

    Extent<T> cellsExtent(std::size_t from, std::size_t to) const
    {
        Extent<T> extent = emptyExtent<T>();
        m_cells.runs(from, to, [&extent](const T* cells, std::size_t n) {
            merge(extent, runExtent(cells, n));
        });
        return extent;
    }

    const ChunkedColumn<T>& m_cells;
    std::vector<Layer> m_layers;
    std::size_t m_covered = 0;
};

template <typename T> void TypedLayers<T>::extend()
{
    const std::size_t count = m_cells.size();
    if (count <= m_covered)
        return;
    if (m_layers.empty())
        m_layers.emplace_back();
    // Only the entries that cover new samples change, the last partial one included.
    std::size_t changed = m_covered / kSamplesPerEntry;
    Layer& bottom = m_layers[0];
    bottom.resize(roundUp(count, kSamplesPerEntry) / kSamplesPerEntry);
    for (std::size_t e = changed; e < bottom.size; ++e)
        bottom[e] = cellsExtent(e * kSamplesPerEntry, std::min(count, (e + 1) * kSamplesPerEntry));
    for (std::size_t layer = 0; m_layers[layer].size > 1; ++layer) {
        if (m_layers.size() == layer + 1)
            m_layers.emplace_back();
        const Layer& below = m_layers[layer];
        Layer& above = m_layers[layer + 1];
        changed /= kEntriesPerEntry;
        above.resize(roundUp(below.size, kEntriesPerEntry) / kEntriesPerEntry);
        for (std::size_t e = changed; e < above.size; ++e) {
            Extent<T> extent = emptyExtent<T>();
            const std::size_t last = std::min(below.size, (e + 1) * kEntriesPerEntry);
            for (std::size_t i = e * kEntriesPerEntry; i < last; ++i)
                merge(extent, below[i]);
            above[e] = extent;
        }
    }
    m_covered = count;
}

template <typename T> ValueExtent TypedLayers<T>::query(std::size_t from, std::size_t to) const
{
    // The unaligned ends are read from the samples, the aligned middle from
    // the layers, and so on upwards.
    std::size_t alignedFrom = roundUp(from, kSamplesPerEntry);
    std::size_t alignedTo = to / kSamplesPerEntry * kSamplesPerEntry;
    if (m_layers.empty() || alignedFrom >= alignedTo)
        return widened(cellsExtent(from, to));
    Extent<T> extent = cellsExtent(from, alignedFrom);
    merge(extent, cellsExtent(alignedTo, to));
    from = alignedFrom / kSamplesPerEntry;
    to = alignedTo / kSamplesPerEntry;
    for (std::size_t layer = 0;; ++layer) {
        const Layer& entries = m_layers[layer];
        alignedFrom = roundUp(from, kEntriesPerEntry);
        alignedTo = to / kEntriesPerEntry * kEntriesPerEntry;
        if (layer + 1 >= m_layers.size() || alignedFrom >= alignedTo) {
            for (std::size_t i = from; i < to; ++i)
                merge(extent, entries[i]);
            return widened(extent);
        }
        for (std::size_t i = from; i < alignedFrom; ++i)
            merge(extent, entries[i]);
        for (std::size_t i = alignedTo; i < to; ++i)
            merge(extent, entries[i]);
        from = alignedFrom / kEntriesPerEntry;
        to = alignedTo / kEntriesPerEntry;
    }
}

// Down from the top entry, always into the first (or last) child that holds
// a number: a few dozen reads however long the stretch of NaN values.
template <typename T> std::size_t TypedLayers<T>::firstNumber() const
{
    if (all().empty())
        return m_covered;
    std::size_t entry = 0;
    for (std::size_t layer = m_layers.size() - 1; layer > 0; --layer) {
        const Layer& below = m_layers[layer - 1];
        entry *= kEntriesPerEntry;
        while (below[entry].empty())
            ++entry;
    }
    std::size_t row = entry * kSamplesPerEntry;
    while (!isNumber(m_cells[row]))
        ++row;
    return row;
}

template <typename T> std::size_t TypedLayers<T>::lastNumber() const
{
    if (all().empty())
        return m_covered;
    std::size_t entry = 0;
    for (std::size_t layer = m_layers.size() - 1; layer > 0; --layer) {
        const Layer& below = m_layers[layer - 1];
        entry = std::min(below.size, (entry + 1) * kEntriesPerEntry) - 1;
        while (below[entry].empty())
            --entry;
    }
    std::size_t row = std::min(m_covered, (entry + 1) * kSamplesPerEntry) - 1;
    while (!isNumber(m_cells[row]))
        --row;
    return row;
}

template <typename T> void TypedLayers<T>::prefetch(std::size_t row) const
{
    if (row >= m_covered)
        return;
    std::size_t entry = row / kSamplesPerEntry;
    __builtin_prefetch(m_cells.cell(entry * kSamplesPerEntry));
    for (const Layer& layer : m_layers) {
        if (entry >= layer.size)
            break;
        __builtin_prefetch(&layer.groups[entry / kEntriesPerEntry]);
        entry /= kEntriesPerEntry;
    }
}

template <typename T> std::size_t TypedLayers<T>::bytes() const
{
    std::size_t total = 0;
    for (const Layer& layer : m_layers)
        total += layer.groups.capacity() * sizeof(Group<T>);
    return total;
}
} // namespace

std::unique_ptr<ExtentLayers> ExtentLayers::over(const ColumnView& samples)
{
    if (samples.table->type(samples.column) == ValueType::Steps)
        return std::make_unique<TypedLayers<std::int32_t>>(samples.cells<std::int32_t>());
    return std::make_unique<TypedLayers<float>>(samples.cells<float>());
}

} // namespace charts
