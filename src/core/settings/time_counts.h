// The three register counts and the times the setup panel shows beside them:
// blanking time = (count + 1) * 0.02 us, mixed-decay and fixed off time =
// (count + 1) * 0.5 us.
#pragma once

#include "settings/register_codec.h"

#include <cmath>

namespace timecounts {

// In hundredths, so the result is the double nearest the two-decimal time
// (50 * 0.02 would be 1.0000000000000002, and a saved file would say so).
inline double blankingTime(int count)
{
    constexpr double kHundredthsPerUnit = codec::kBlankingUnitUs * 100;
    return (count + 1) * kHundredthsPerUnit / 100;
}

// Rounded: a two-decimal time divided by 0.02 can fall just below the whole
// count (0.58 / 0.02 = 28.999...), and truncating would lose one count each
// time a record is shown.
inline int blankingCount(double us)
{
    return static_cast<int>(std::lround(us / codec::kBlankingUnitUs)) - 1;
}

inline double halfMicrosecondTime(int count)
{
    return (count + 1) * codec::kHalfMicrosecondUnitUs;
}

// Truncated toward zero; times in 0.5 us steps convert exactly.
inline int halfMicrosecondCount(double us)
{
    return static_cast<int>(us * 2 - 1);
}

} // namespace timecounts
