// Choosing the demos' clock, and moving virtual time in an event loop.
#include "demo_time.h"

#include "device/torveldrv.h"

#include <QTimer>

DemoTime::DemoTime()
{
    if (qEnvironmentVariableIntValue(kVariable) != 1)
        return;
    m_clock = std::make_unique<timing::VirtualClock>();
    m_clock->drive(Torvel.enumTimer);
    m_clock->drive(Torvel.rxTimer);
    timing::install(m_clock.get());
}

DemoTime::~DemoTime()
{
    m_pump.reset();
    if (m_clock)
        timing::install(nullptr);
}

void DemoTime::runWhileIdle()
{
    if (!m_clock || m_pump)
        return;
    // A zero timer fires once per pass of the event loop, after what is waiting.
    m_pump = std::make_unique<QTimer>();
    m_pump->setInterval(0);
    timing::VirtualClock* clock = m_clock.get();
    QObject::connect(m_pump.get(), &QTimer::timeout, [clock] { clock->runNext(kIdleStepMs); });
    m_pump->start();
}
