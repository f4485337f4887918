// Timer arithmetic of the board's step generator.
#pragma once

#include <cstdint>

namespace motion {

constexpr std::int32_t kStepTimerHz = 4800000;
constexpr std::int32_t kStoppedDivider = -1;

// Divider for a signed step rate; -1 (stopped) for 0. |speed| must be <= kStepTimerHz.
constexpr std::int32_t stepDivider(std::int32_t speed)
{
    if (speed == 0)
        return kStoppedDivider;
    const std::int32_t magnitude = speed < 0 ? -speed : speed;
    return kStepTimerHz / magnitude - 1;
}

// The signed rate the board produces with the divider of that speed.
constexpr std::int32_t actualStepSpeed(std::int32_t speed)
{
    if (speed == 0)
        return 0;
    const std::int32_t actual = kStepTimerHz / (stepDivider(speed) + 1);
    return speed < 0 ? -actual : actual;
}

} // namespace motion
