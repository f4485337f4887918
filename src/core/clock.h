// The one clock behind every wait and time-out of the program and behind the
// simulated board's notion of time. The program runs on the wall clock; tests
// and the scripted demos install a clock on which time passes only when the
// code waits, so that waiting costs them no wall time.
#pragma once

#include <cstdint>
#include <functional>

class QObject;

namespace timing {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds from an arbitrary start.
    virtual std::int64_t nowMs() const = 0;
    // Returns once ms milliseconds have passed, handling no events meanwhile.
    virtual void waitMs(int ms) = 0;
    // Taken between the reads of a loop that polls without pause until a
    // deadline: nothing on the wall clock, a little time on a clock that
    // moves only when waited on, so that such a loop ends there too.
    virtual void pollPause() = 0;
    // Handles the events that are due, waiting up to ms for the first one
    // (the waits of a program whose timers must go on meanwhile).
    virtual void runEvents(int ms) = 0;
    // Calls done once, ms from now, unless context is destroyed first.
    virtual void singleShot(int ms, QObject* context, std::function<void()> done) = 0;
};

// The clock in use: the wall clock unless another one is installed.
Clock& clock();
// Installs a clock (not owned) in place of the wall clock; nullptr restores it.
void install(Clock* clock);

inline std::int64_t nowMs()
{
    return clock().nowMs();
}
inline void waitMs(int ms)
{
    clock().waitMs(ms);
}
inline void pollPause()
{
    clock().pollPause();
}

// Milliseconds on the clock in use since it was started, as QElapsedTimer
// counts them on the wall clock.
class Stopwatch {
public:
    void start() { m_startMs = nowMs(); }
    // Starts again; the milliseconds up to now.
    std::int64_t restart()
    {
        const std::int64_t now = nowMs();
        const std::int64_t elapsed = now - m_startMs;
        m_startMs = now;
        return elapsed;
    }
    std::int64_t elapsed() const { return nowMs() - m_startMs; }

private:
    std::int64_t m_startMs = 0;
};

// Installs a clock for the lifetime of this object, then restores the wall clock.
class Installed {
public:
    explicit Installed(Clock& clock) { install(&clock); }
    ~Installed() { install(nullptr); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;
};

} // namespace timing
