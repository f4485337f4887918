// A clock for tests and the scripted demos: time stands still until the code
// waits on it or a caller lets it run. QTimers handed to it fire on this clock
// instead of the wall clock, in time order with its single shots, so the same
// run gives the same events every time and costs no wall time for its waits.
#pragma once

#include "clock.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QTimer;

namespace timing {

class VirtualClock : public QObject, public Clock {
public:
    // How far a poll that reads without pause moves time on each read.
    static constexpr int kPollPauseMs = 1;

    explicit VirtualClock(std::int64_t startMs = 0);
    // The timers it drove fire on the wall clock again.
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    std::int64_t nowMs() const override { return m_now; }
    // Time moves on by ms; nothing fires meanwhile, as in a busy wait.
    void waitMs(int ms) override;
    void pollPause() override;
    // Handles posted events, then runNext(ms).
    void runEvents(int ms) override;
    void singleShot(int ms, QObject* context, std::function<void()> done) override;

    // From now on the timer fires on this clock only, one interval after it
    // is first seen running and every interval after that, while time is let
    // run by advance(), runNext() or runEvents(). A timer whose handler took
    // longer than its interval fires once at once, as Qt fires a late timer.
    void drive(QTimer* timer);
    // Lets ms pass, firing on the way what falls due, in time order.
    void advance(int ms);
    // Moves on to the first timer or single shot due within ms and fires it;
    // with none due, lets the ms pass. False when nothing fired.
    bool runNext(int ms);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Driven {
        QPointer<QTimer> timer;
        bool scheduled = false;
        std::int64_t dueMs = 0;
        std::uint64_t order = 0;
    };
    struct Shot {
        std::int64_t dueMs;
        std::uint64_t order;
        bool hasContext;
        QPointer<QObject> context;
        std::function<void()> done;
    };

    void schedule(Driven& driven, std::int64_t dueMs);
    // Fires the first event due at or before the time; false when there is none.
    bool fireFirstDue(std::int64_t untilMs);

    std::int64_t m_now;
    std::uint64_t m_order = 0; // equal times fire in the order they were scheduled
    std::vector<Driven> m_timers;
    std::vector<Shot> m_shots;
};

} // namespace timing
