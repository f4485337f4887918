// Timer arithmetic of the board's step generator and PWM timer.
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

constexpr std::int32_t kPwmTimerHz = 480000;

// Period register for a PWM frequency in Hz (10..100000 keeps it at 3 or more).
constexpr std::int32_t pwmPeriod(std::int32_t frequency)
{
    return kPwmTimerHz / frequency - 1;
}

constexpr std::int32_t pwmActualFrequency(std::int32_t period)
{
    return kPwmTimerHz / (period + 1);
}

// A signed duty split into its forward and reverse lanes; one of them is 0.
struct DutyLanes {
    std::int32_t forward;
    std::int32_t reverse;
};

constexpr DutyLanes dutyLanes(std::int32_t duty)
{
    return duty > 0 ? DutyLanes{duty, 0} : DutyLanes{0, -duty};
}

} // namespace motion
