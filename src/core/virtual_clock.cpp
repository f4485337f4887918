// The virtual clock's time, its driven timers and its single shots.
#include "virtual_clock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>

namespace timing {

VirtualClock::VirtualClock(std::int64_t startMs) : m_now(startMs) {}

VirtualClock::~VirtualClock()
{
    for (const Driven& driven : m_timers)
        if (driven.timer)
            driven.timer->removeEventFilter(this);
}

void VirtualClock::waitMs(int ms)
{
    m_now += std::max(ms, 0);
}

void VirtualClock::pollPause()
{
    m_now += kPollPauseMs;
}

void VirtualClock::runEvents(int ms)
{
    QCoreApplication::processEvents();
    runNext(ms);
}

void VirtualClock::singleShot(int ms, QObject* context, std::function<void()> done)
{
    m_shots.push_back(
        Shot{m_now + std::max(ms, 0), m_order++, context != nullptr, context, std::move(done)});
}

void VirtualClock::drive(QTimer* timer)
{
    const bool known = std::any_of(m_timers.begin(), m_timers.end(),
                                   [timer](const Driven& d) { return d.timer == timer; });
    if (known || !timer)
        return;
    timer->installEventFilter(this);
    m_timers.push_back(Driven{timer});
}

void VirtualClock::advance(int ms)
{
    const std::int64_t until = m_now + std::max(ms, 0);
    while (fireFirstDue(until)) {
    }
    m_now = std::max(m_now, until);
}

bool VirtualClock::runNext(int ms)
{
    const std::int64_t until = m_now + std::max(ms, 0);
    if (fireFirstDue(until))
        return true;
    m_now = std::max(m_now, until);
    return false;
}

// The wall clock's ticks of a driven timer never reach it.
bool VirtualClock::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Timer)
        return false;
    return std::any_of(m_timers.begin(), m_timers.end(),
                       [watched](const Driven& d) { return d.timer == watched; });
}

void VirtualClock::schedule(Driven& driven, std::int64_t dueMs)
{
    driven.scheduled = true;
    driven.dueMs = dueMs;
    driven.order = m_order++;
}

bool VirtualClock::fireFirstDue(std::int64_t untilMs)
{
    // Timers are looked at afresh each time: handlers start and stop them.
    Driven* timer = nullptr;
    for (Driven& driven : m_timers) {
        if (!driven.timer || !driven.timer->isActive()) {
            driven.scheduled = false;
            continue;
        }
        if (!driven.scheduled)
            schedule(driven, m_now + std::max(driven.timer->interval(), 1));
        if (!timer ||
            std::make_pair(driven.dueMs, driven.order) < std::make_pair(timer->dueMs, timer->order))
            timer = &driven;
    }
    m_shots.erase(std::remove_if(m_shots.begin(), m_shots.end(),
                                 [](const Shot& s) { return s.hasContext && !s.context; }),
                  m_shots.end());
    const auto shot =
        std::min_element(m_shots.begin(), m_shots.end(), [](const Shot& a, const Shot& b) {
            return std::make_pair(a.dueMs, a.order) < std::make_pair(b.dueMs, b.order);
        });
    const bool shotFirst =
        shot != m_shots.end() && (!timer || std::make_pair(shot->dueMs, shot->order) <
                                                std::make_pair(timer->dueMs, timer->order));
    if (shotFirst) {
        if (shot->dueMs > untilMs)
            return false;
        m_now = std::max(m_now, shot->dueMs);
        const std::function<void()> done = std::move(shot->done);
        m_shots.erase(shot);
        done();
        return true;
    }
    if (!timer || timer->dueMs > untilMs)
        return false;
    m_now = std::max(m_now, timer->dueMs);
    QTimer* fired = timer->timer;
    if (fired->isSingleShot()) {
        fired->stop();
        timer->scheduled = false;
    } else {
        // Counted from now when late: a handler that outlasted the interval
        // is followed by one tick at once, not by every tick it missed.
        schedule(*timer, m_now + std::max(fired->interval(), 1));
    }
    // Not through the pointer into m_timers: the handler may drive another timer.
    QMetaObject::invokeMethod(fired, "timeout");
    return true;
}

} // namespace timing
