// The wall clock, and which clock is installed.
#include "clock.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <chrono>

namespace timing {
namespace {

constexpr unsigned long kSliceUs = 1000;

class WallClock : public Clock {
public:
    std::int64_t nowMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    // In slices of a millisecond, so that the wait ends within one of its end.
    void waitMs(int ms) override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end)
            QThread::usleep(kSliceUs);
    }

    void pollPause() override {}

    void runEvents(int ms) override
    {
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(ms < 0 ? 0 : ms);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    void singleShot(int ms, QObject* context, std::function<void()> done) override
    {
        QTimer::singleShot(ms, context, std::move(done));
    }
};

// Built on first use: static objects of other files may wait before main().
Clock& wallClock()
{
    static WallClock wall;
    return wall;
}

Clock* g_installed = nullptr;

} // namespace

Clock& clock()
{
    return g_installed ? *g_installed : wallClock();
}

void install(Clock* clock)
{
    g_installed = clock;
}

} // namespace timing
