// Test support: the device object and the simulated boards on a virtual clock.
// Its waits cost no wall time, its scan and receive timers fire only when a
// test lets time run, and a run gives the same events every time.
#pragma once

#include "clock.h"
#include "device/torveldrv.h"
#include "virtual_clock.h"

#include <QTimer>
#include <functional>

class VirtualTime {
public:
    VirtualTime() : m_installed(m_clock)
    {
        m_clock.drive(Torvel.enumTimer);
        m_clock.drive(Torvel.rxTimer);
    }
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    // Lets ms pass: every receive tick and scan that falls due runs.
    void advance(int ms) { m_clock.advance(ms); }
    // Lets time pass, one receive period at a time, until the condition holds
    // or ms have passed; the condition's last value.
    bool runUntil(const std::function<bool()>& condition, int ms = kPatienceMs)
    {
        for (int waited = 0; !condition() && waited < ms; waited += TorvelDRV::kRxPeriodMs)
            m_clock.advance(TorvelDRV::kRxPeriodMs);
        return condition();
    }
    std::int64_t nowMs() const { return m_clock.nowMs(); }
    timing::VirtualClock& clock() { return m_clock; }

    // Far beyond any exchange of the program; only bounds a wait for what never comes.
    static constexpr int kPatienceMs = 10000;

private:
    timing::VirtualClock m_clock;
    timing::Installed m_installed;
};
