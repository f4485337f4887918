// Storing and reading back a chart's samples.
#include "monitor/sample_table.h"

#include <cmath>
#include <limits>

namespace charts {
namespace {
std::int32_t stepsCell(double value)
{
    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
    double whole = std::isnan(value) ? 0.0 : std::nearbyint(value);
    whole = whole < kLowest ? kLowest : (whole > kHighest ? kHighest : whole);
    return static_cast<std::int32_t>(whole);
}
} // namespace

void SampleTable::append(double key, const Values& values)
{
    const std::size_t rows = m_keys.size();
    if (rows > 0 && !(key >= m_keys[rows - 1]))
        key = m_keys[rows - 1];
    m_keys.push_back(key);
    for (std::size_t c = 0; c < kColumns; ++c) {
        if (m_types[c] == ValueType::Steps)
            m_steps[c].push_back(stepsCell(values[c]));
        else
            m_measurements[c].push_back(static_cast<float>(values[c]));
    }
}

void SampleTable::clear()
{
    m_keys.clear();
    for (std::size_t c = 0; c < kColumns; ++c) {
        m_measurements[c].clear();
        m_steps[c].clear();
    }
    ++m_generation;
}

std::size_t SampleTable::bytes() const
{
    std::size_t total = m_keys.bytes();
    for (std::size_t c = 0; c < kColumns; ++c)
        total += m_measurements[c].bytes() + m_steps[c].bytes();
    return total;
}

} // namespace charts
