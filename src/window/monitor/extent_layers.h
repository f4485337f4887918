// Layered minimum and maximum summaries of one append-only column of a sample
// table, so that the extent of any stretch of it costs a few dozen reads
// however long the stretch.
#pragma once

#include "monitor/sample_table.h"

#include <cstddef>
#include <limits>
#include <memory>

namespace charts {

// Lowest and highest value of a run of samples, NaN values left out; empty
// (lo > hi) when the run holds no number.
struct ValueExtent {
    double lo;
    double hi;
    bool empty() const { return lo > hi; }
};

inline constexpr ValueExtent kNoExtent{std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity()};

// Each entry of layer 0 covers kSamplesPerEntry samples, each entry of layer
// n+1 kEntriesPerEntry entries of layer n. Entries hold the column's own type,
// so that the samples of an entry and the entries below one upper entry each
// fill one cache line: a query waits on a line or two for each end on each
// layer. Layer 0 sets the memory, one 8-byte entry per 16 samples.
class ExtentLayers {
public:
    static constexpr std::size_t kSamplesPerEntry = 16;
    static constexpr std::size_t kEntriesPerEntry = 8;

    // Layers over the column's cells; the table must outlive them.
    static std::unique_ptr<ExtentLayers> over(const ColumnView& samples);
    virtual ~ExtentLayers() = default;

    // Brings the layers up to the column's size; the samples covered so far
    // must be unchanged since the last call (otherwise reset() first).
    virtual void extend() = 0;
    virtual void reset() = 0;
    virtual std::size_t covered() const = 0;
    // Extent of samples [from, to); both within what extend() covered.
    virtual ValueExtent query(std::size_t from, std::size_t to) const = 0;
    virtual ValueExtent all() const = 0;
    // First and last covered row holding a number; covered() when there is none.
    virtual std::size_t firstNumber() const = 0;
    virtual std::size_t lastNumber() const = 0;
    // Starts loading what a query beginning or ending at row reads, so that
    // the memory waits of neighbouring pixel columns overlap.
    virtual void prefetch(std::size_t row) const = 0;
    virtual std::size_t bytes() const = 0;
};

} // namespace charts
