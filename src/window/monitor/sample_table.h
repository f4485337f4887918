// One chart's history: a time column shared by its three graphs and one value
// column per graph, each value in the narrowest type that keeps what is shown.
// Columns grow in fixed chunks, so appending never moves or copies what is
// already held, and nothing is dropped until a clear.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace charts {

// Measurements (degrees, volts, amperes) keep 7 significant digits as 32-bit
// floats; steps and steps per second are whole 32-bit numbers and stay exact.
enum class ValueType { Measurement, Steps };

// Append-only cells in chunks of kChunkCells, each chunk starting on a cache
// line, so that a summary's aligned stretch of cells is whole lines.
template <typename T> class ChunkedColumn {
public:
    static constexpr std::size_t kChunkBits = 14;
    static constexpr std::size_t kChunkCells = std::size_t(1) << kChunkBits;
    static constexpr std::size_t kLineBytes = 64;

    void push_back(T cell)
    {
        if ((m_size & (kChunkCells - 1)) == 0)
            m_chunks.emplace_back(new Chunk);
        m_chunks.back()->cells[m_size & (kChunkCells - 1)] = cell;
        ++m_size;
    }
    T operator[](std::size_t i) const { return *cell(i); }
    const T* cell(std::size_t i) const
    {
        return &m_chunks[i >> kChunkBits]->cells[i & (kChunkCells - 1)];
    }
    // Calls f(cells, n) for the cells [from, to), one contiguous run per chunk.
    template <typename F> void runs(std::size_t from, std::size_t to, F&& f) const
    {
        while (from < to) {
            const std::size_t offset = from & (kChunkCells - 1);
            const std::size_t n = std::min(to - from, kChunkCells - offset);
            f(cell(from), n);
            from += n;
        }
    }
    std::size_t size() const { return m_size; }
    void clear()
    {
        m_chunks.clear();
        m_chunks.shrink_to_fit();
        m_size = 0;
    }
    std::size_t bytes() const
    {
        return m_chunks.size() * sizeof(Chunk) + m_chunks.capacity() * sizeof(m_chunks[0]);
    }

private:
    struct alignas(kLineBytes) Chunk {
        T cells[kChunkCells];
    };
    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::size_t m_size = 0;
};

class SampleTable {
public:
    static constexpr int kColumns = 3;
    using Values = std::array<double, kColumns>;

    explicit SampleTable(const std::array<ValueType, kColumns>& types) : m_types(types) {}

    // One record. Keys come from one monotonic clock and so never decrease;
    // a smaller key is stored as the last one, keeping the keys sorted.
    // Steps columns take whole numbers (others are rounded, clamped to 32
    // bits, NaN stored as 0); measurements are rounded to float.
    void append(double key, const Values& values);
    void clear();

    std::size_t size() const { return m_keys.size(); }
    double key(std::size_t row) const { return m_keys[row]; }
    double value(int column, std::size_t row) const
    {
        const std::size_t c = std::size_t(column);
        return m_types[c] == ValueType::Steps ? double(m_steps[c][row])
                                              : double(m_measurements[c][row]);
    }
    // A column's cells in its own type: float for measurements, int32 for
    // steps. The summaries read long stretches, which a call per value
    // would slow down.
    template <typename T> const ChunkedColumn<T>& cells(int column) const;
    ValueType type(int column) const { return m_types[std::size_t(column)]; }
    // Where a row's key is held, for prefetching.
    const void* keyCell(std::size_t row) const { return m_keys.cell(row); }
    // Counts the clears, so that whoever keeps summaries of a column can tell
    // a refill from an append.
    std::uint64_t generation() const { return m_generation; }
    std::size_t bytes() const;

private:
    std::array<ValueType, kColumns> m_types;
    ChunkedColumn<double> m_keys;
    // Each column uses the one of the two its type says; the other stays empty.
    std::array<ChunkedColumn<float>, kColumns> m_measurements;
    std::array<ChunkedColumn<std::int32_t>, kColumns> m_steps;
    std::uint64_t m_generation = 0;
};

template <> inline const ChunkedColumn<float>& SampleTable::cells<float>(int column) const
{
    return m_measurements[std::size_t(column)];
}

template <>
inline const ChunkedColumn<std::int32_t>& SampleTable::cells<std::int32_t>(int column) const
{
    return m_steps[std::size_t(column)];
}

// One value column with the shared keys, as the graphs read it.
struct ColumnView {
    const SampleTable* table = nullptr;
    int column = 0;

    std::size_t size() const { return table ? table->size() : 0; }
    double key(std::size_t row) const { return table->key(row); }
    double value(std::size_t row) const { return table->value(column, row); }
    const void* keyCell(std::size_t row) const { return table->keyCell(row); }
    template <typename T> const ChunkedColumn<T>& cells() const { return table->cells<T>(column); }
};

} // namespace charts
