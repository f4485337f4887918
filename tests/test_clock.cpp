// The clocks: the wall clock's busy wait, and the virtual clock on which time
// moves only when waited on, with the timers it drives and its single shots.
#include "clock.h"
#include "virtual_clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <memory>

using timing::VirtualClock;

namespace {
// What fired, and when on the clock.
struct Timeline {
    QStringList events;
    void note(const VirtualClock& clock, const QString& what)
    {
        events.append(QStringLiteral("%1 %2").arg(clock.nowMs()).arg(what));
    }
};
} // namespace

class ClockTest : public QObject {
    Q_OBJECT
private slots:
    void wallClockWaitTakesItsTimeAndHandlesNoEvents();
    void installedClockServesEveryWait();
    void waitsMoveVirtualTimeAndFireNothing();
    void timersAndShotsFireInTimeOrder();
    void handlersStartAndStopTimers();
    void lateTimerFiresOnceAtOnce();
    void wallTicksNeverReachADrivenTimer();
    void shotOfADestroyedContextIsDropped();
};

void ClockTest::wallClockWaitTakesItsTimeAndHandlesNoEvents()
{
    QObject context;
    bool fired = false;
    QTimer::singleShot(0, &context, [&] { fired = true; });
    QElapsedTimer wall;
    wall.start();
    const std::int64_t before = timing::nowMs();
    timing::waitMs(20);
    QVERIFY(wall.elapsed() >= 20);
    QVERIFY(timing::nowMs() - before >= 20);
    QVERIFY(!fired);
    QCoreApplication::processEvents();
    QVERIFY(fired);
}

void ClockTest::installedClockServesEveryWait()
{
    VirtualClock clock(1000);
    {
        timing::Installed installed(clock);
        QCOMPARE(&timing::clock(), static_cast<timing::Clock*>(&clock));
        timing::waitMs(30);
        timing::pollPause();
        QCOMPARE(timing::nowMs(), std::int64_t(1000 + 30 + VirtualClock::kPollPauseMs));
    }
    QVERIFY(&timing::clock() != static_cast<timing::Clock*>(&clock));
}

void ClockTest::waitsMoveVirtualTimeAndFireNothing()
{
    VirtualClock clock;
    QTimer timer;
    timer.start(10);
    clock.drive(&timer);
    int ticks = 0;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    clock.singleShot(5, nullptr, [&] { ++ticks; });

    clock.waitMs(100);
    clock.waitMs(-5);
    QCOMPARE(clock.nowMs(), std::int64_t(100));
    QCOMPARE(ticks, 0);
    // Once time is let run, the late shot fires at once; the timer, first
    // seen running now, one interval later.
    clock.advance(0);
    QCOMPARE(ticks, 1);
    clock.advance(9);
    QCOMPARE(ticks, 1);
    clock.advance(1);
    QCOMPARE(ticks, 2);
}

void ClockTest::timersAndShotsFireInTimeOrder()
{
    VirtualClock clock;
    Timeline t;
    QTimer fast;
    QTimer slow;
    connect(&fast, &QTimer::timeout, [&] { t.note(clock, QStringLiteral("fast")); });
    connect(&slow, &QTimer::timeout, [&] { t.note(clock, QStringLiteral("slow")); });
    clock.drive(&fast);
    clock.drive(&slow);
    clock.drive(&fast); // once is enough
    fast.start(10);
    slow.start(25);
    clock.singleShot(20, &fast, [&] { t.note(clock, QStringLiteral("shot")); });

    clock.advance(50);
    // At equal times, what was scheduled first fires first.
    QCOMPARE(t.events, (QStringList{"10 fast", "20 shot", "20 fast", "25 slow", "30 fast",
                                    "40 fast", "50 slow", "50 fast"}));
    QCOMPARE(clock.nowMs(), std::int64_t(50));

    // One event at a time, and the time given passes when none is due.
    t.events.clear();
    QVERIFY(clock.runNext(100));
    QCOMPARE(t.events, QStringList{"60 fast"});
    fast.stop();
    slow.stop();
    QVERIFY(!clock.runNext(7));
    QCOMPARE(clock.nowMs(), std::int64_t(67));
}

void ClockTest::handlersStartAndStopTimers()
{
    VirtualClock clock;
    Timeline t;
    QTimer starter;
    QTimer started;
    QTimer once;
    once.setSingleShot(true);
    clock.drive(&starter);
    clock.drive(&started);
    clock.drive(&once);
    connect(&starter, &QTimer::timeout, [&] {
        t.note(clock, QStringLiteral("starter"));
        starter.stop();
        started.start(15);
        once.start(5);
    });
    connect(&started, &QTimer::timeout, [&] { t.note(clock, QStringLiteral("started")); });
    connect(&once, &QTimer::timeout, [&] { t.note(clock, QStringLiteral("once")); });
    starter.start(10);

    clock.advance(45);
    QCOMPARE(t.events, (QStringList{"10 starter", "15 once", "25 started", "40 started"}));
    QVERIFY(!once.isActive());
}

void ClockTest::lateTimerFiresOnceAtOnce()
{
    VirtualClock clock;
    Timeline t;
    QTimer scan;
    QTimer tick;
    clock.drive(&scan);
    clock.drive(&tick);
    bool blocked = false;
    connect(&scan, &QTimer::timeout, [&] {
        t.note(clock, QStringLiteral("scan"));
        if (!blocked) {
            blocked = true;
            clock.waitMs(300); // a busy wait inside a handler
        }
    });
    connect(&tick, &QTimer::timeout, [&] { t.note(clock, QStringLiteral("tick")); });
    scan.start(200);
    tick.start(100);

    clock.advance(700);
    QCOMPARE(t.events, (QStringList{"100 tick", "200 scan", "500 tick", "500 scan", "600 tick",
                                    "700 scan", "700 tick"}));
}

void ClockTest::wallTicksNeverReachADrivenTimer()
{
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    {
        VirtualClock clock;
        clock.drive(&timer);
        QTest::qWait(20);
        QCOMPARE(ticks, 0);
        clock.advance(3);
        QCOMPARE(ticks, 3);
    }
    // Left alone by a clock that is gone, the timer keeps the wall clock's time again.
    QTRY_VERIFY(ticks > 3);
}

void ClockTest::shotOfADestroyedContextIsDropped()
{
    VirtualClock clock;
    int fired = 0;
    auto context = std::make_unique<QObject>();
    clock.singleShot(10, context.get(), [&] { ++fired; });
    clock.singleShot(10, nullptr, [&] { fired += 10; });
    context.reset();
    clock.advance(10);
    QCOMPARE(fired, 10);
}

QTEST_GUILESS_MAIN(ClockTest)
#include "test_clock.moc"
