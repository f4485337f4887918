// Storing and reading back a chart's samples.
#include "monitor/sample_table.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace charts {
namespace {
std::uint32_t stepsCell(double value)
{
    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
    double whole = std::isnan(value) ? 0.0 : std::nearbyint(value);
    whole = whole < kLowest ? kLowest : (whole > kHighest ? kHighest : whole);
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(whole));
}

std::uint32_t measurementCell(double value)
{
    const float narrow = static_cast<float>(value);
    std::uint32_t cell = 0;
    std::memcpy(&cell, &narrow, sizeof cell);
    return cell;
}
} // namespace

void SampleTable::append(double key, const Values& values)
{
    const std::size_t rows = m_keys.size();
    if (rows > 0 && !(key >= m_keys[rows - 1]))
        key = m_keys[rows - 1];
    m_keys.push_back(key);
    for (std::size_t c = 0; c < kColumns; ++c)
        m_values[c].push_back(m_types[c] == ValueType::Steps ? stepsCell(values[c])
                                                             : measurementCell(values[c]));
}

void SampleTable::clear()
{
    m_keys.clear();
    for (ChunkedColumn<std::uint32_t>& column : m_values)
        column.clear();
    ++m_generation;
}

double SampleTable::value(int column, std::size_t row) const
{
    const std::uint32_t cell = m_values[std::size_t(column)][row];
    if (m_types[std::size_t(column)] == ValueType::Steps)
        return static_cast<std::int32_t>(cell);
    float narrow = 0.0f;
    std::memcpy(&narrow, &cell, sizeof narrow);
    return narrow;
}

std::size_t SampleTable::bytes() const
{
    std::size_t total = m_keys.bytes();
    for (const ChunkedColumn<std::uint32_t>& column : m_values)
        total += column.bytes();
    return total;
}

} // namespace charts
