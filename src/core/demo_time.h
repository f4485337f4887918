// The demos' time. With TORVEL_DEMO_VIRTUAL_TIME=1 in the environment a demo
// and its simulated boards run on a virtual clock that drives the device
// object's timers and moves on as fast as the work allows, so a scripted run
// gives the same events every time and its seconds cost no wall time. The
// real programs never look; without the variable the demos keep wall time.
#pragma once

#include "virtual_clock.h"

#include <memory>

class QTimer;

class DemoTime {
public:
    static constexpr const char* kVariable = "TORVEL_DEMO_VIRTUAL_TIME";
    // How far an idle event loop moves virtual time when nothing falls due sooner.
    static constexpr int kIdleStepMs = 10;

    DemoTime();
    // The wall clock is back.
    ~DemoTime();
    DemoTime(const DemoTime&) = delete;
    DemoTime& operator=(const DemoTime&) = delete;

    // For a program that runs an event loop: whenever the loop has nothing
    // else to do, virtual time moves on to the next timer that falls due.
    void runWhileIdle();

private:
    std::unique_ptr<timing::VirtualClock> m_clock;
    std::unique_ptr<QTimer> m_pump;
};
