// Motion command values held by the device object: written by the window,
// read by the send operations.
#pragma once

#include <cstdint>

struct StepDirState {
    std::int32_t SpeedMagnitude = 0; // steps/s
    std::int32_t Direction = 0;      // 1 forward (also for 0), 0 reverse
    std::int32_t Divider = 0;        // -1 means stopped
};

struct TrajectoryParameters {
    std::int32_t RequiredPosition = 0;
    std::int32_t MaxSpeed = 0;
    std::int32_t Acceleration = 0;
    std::int32_t Deceleration = 0;
    std::int32_t UpperLimit = 0;
    std::int32_t LowerLimit = 0;
    std::uint8_t EndSwitchEnabled = 0;
    std::uint8_t EndSwitchNormallyClosed = 0;
};

struct PWMParameters {
    std::int32_t DutyA = 0; // percent, -100..100
    std::int32_t DutyB = 0;
    std::int32_t Frequency = 0; // Hz
    std::int32_t Period = 0;    // timer register
    std::int32_t AForward = 0;
    std::int32_t AReverse = 0;
    std::int32_t BForward = 0;
    std::int32_t BReverse = 0;
    std::int32_t ActualFrequency = 0;
};
