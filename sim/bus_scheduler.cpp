// The simulated board's timeline: bus presence, replies and the stream.
#include "bus_scheduler.h"

#include "registry.h"
#include "wire_codec.h"

#include <algorithm>

namespace sim {

namespace {
// hidraw keeps this many reports per open file and drops new ones beyond.
constexpr std::size_t kQueueLimit = 64;
constexpr int kShortReportLength = 10;
// Spreads the report numbers over the noise's seeds.
constexpr std::uint32_t kNoiseStride = 0x9E3779B9u;
} // namespace

BusScheduler::BusScheduler(Host& host, std::int64_t nowMs)
    : host_(host), bootloaderIdleSinceMs_(nowMs)
{
}

BusScheduler::~BusScheduler()
{
    if (handle_)
        handle_->board = nullptr;
}

void BusScheduler::catchUp(std::int64_t now)
{
    // Bus events may chain (restart, bootloader, its time-out, application),
    // so they are taken in order at the times they fell due.
    for (;;) {
        if (bus_ == Bus::Restarting && backOnBusAtMs_ <= now) {
            powerUp(backOnBusAtMs_, backInBootloader_);
            continue;
        }
        const std::int64_t autoStart = autoStartDueMs();
        if (autoStart <= now) {
            restart(autoStart, false);
            continue;
        }
        break;
    }
    deliver(now);
    host_.reach(now);
}

void BusScheduler::attach(hid_device_* handle)
{
    handle_ = handle;
    inFlight_.clear();
    readable_.clear();
}

void BusScheduler::detach(hid_device_* handle)
{
    if (handle_ != handle)
        return;
    handle_->board = nullptr;
    handle_ = nullptr;
    inFlight_.clear();
    readable_.clear();
}

void BusScheduler::leaveBus()
{
    if (handle_)
        handle_->board = nullptr;
    handle_ = nullptr;
    inFlight_.clear();
    readable_.clear();
    streaming_ = false;
    host_.powerOff();
}

void BusScheduler::unplug()
{
    leaveBus();
    bus_ = Bus::Unplugged;
    reportsUntilUnplug_ = 0;
}

void BusScheduler::powerCycle(std::int64_t now, bool inBootloader)
{
    leaveBus();
    powerUp(now, inBootloader);
    reportsUntilUnplug_ = 0;
}

void BusScheduler::powerUp(std::int64_t at, bool inBootloader)
{
    bus_ = Bus::On;
    bootloaderIdleSinceMs_ = at;
    streaming_ = false;
    host_.powerUp(inBootloader);
}

void BusScheduler::restart(std::int64_t at, bool toBootloader)
{
    leaveBus();
    bus_ = Bus::Restarting;
    backOnBusAtMs_ = at + std::max(0, restartOffBusMs_);
    backInBootloader_ = toBootloader;
    ++restarts_;
}

void BusScheduler::received()
{
    if (reportsUntilUnplug_ > 0 && --reportsUntilUnplug_ == 0) {
        leaveBus();
        bus_ = Bus::Unplugged;
    }
}

void BusScheduler::setStreamRate(std::int64_t now, int reportsPerSecond)
{
    streamRate_ = reportsPerSecond;
    if (streaming_ && reportsPerSecond > 0) {
        streamBase_ = streamSent_;
        streamBaseMs_ = now + 1000 / reportsPerSecond;
    }
}

void BusScheduler::setStreamNoise(int garbageEvery, int shortEvery, std::uint32_t noiseSeed)
{
    garbageEvery_ = garbageEvery;
    shortEvery_ = shortEvery;
    noiseSeed_ = noiseSeed;
}

void BusScheduler::reply(std::int64_t now, const QByteArray& report)
{
    if (silent_ || !handle_)
        return;
    const std::int64_t due = now + std::max(0, replyLatencyMs_);
    const auto after =
        std::upper_bound(inFlight_.begin(), inFlight_.end(), due,
                         [](std::int64_t t, const InFlight& f) { return t < f.dueMs; });
    inFlight_.insert(after, InFlight{due, report});
}

void BusScheduler::startStream(std::int64_t now)
{
    if (streaming_)
        return;
    streaming_ = true;
    streamSent_ = 0;
    streamBase_ = 0;
    streamBaseMs_ = now + std::max(0, replyLatencyMs_);
}

void BusScheduler::inject(const QByteArray& report)
{
    if (!report.isEmpty())
        enqueue(report.left(wire::kReportLength));
}

QByteArray BusScheduler::takeReadable()
{
    const QByteArray report = readable_.front();
    readable_.pop_front();
    return report;
}

std::int64_t BusScheduler::autoStartDueMs() const
{
    if (bus_ != Bus::On || !host_.startsItsApplication() || bootloaderTimeoutMs_ <= 0)
        return kNever;
    return bootloaderIdleSinceMs_ + bootloaderTimeoutMs_;
}

std::int64_t BusScheduler::nextStreamDueMs() const
{
    if (!streaming_ || streamRate_ <= 0)
        return kNever;
    return streamBaseMs_ + (streamSent_ - streamBase_) * 1000 / streamRate_;
}

std::int64_t BusScheduler::nextEventMs() const
{
    const std::int64_t reply = inFlight_.empty() ? kNever : inFlight_.front().dueMs;
    return std::min({reply, nextStreamDueMs(), autoStartDueMs()});
}

void BusScheduler::deliver(std::int64_t now)
{
    for (;;) {
        const std::int64_t reply = inFlight_.empty() ? kNever : inFlight_.front().dueMs;
        const std::int64_t stream = nextStreamDueMs();
        if (std::min(reply, stream) > now)
            return;
        if (reply <= stream) {
            enqueue(inFlight_.front().data);
            inFlight_.pop_front();
        } else {
            // The board sends whether or not anyone listens or has room, and
            // each report tells the state at its own time.
            host_.reach(stream);
            const std::int64_t number = ++streamSent_;
            if (!silent_ && handle_ && readable_.size() < kQueueLimit)
                enqueue(streamReport(number));
        }
    }
}

void BusScheduler::enqueue(const QByteArray& report)
{
    if (handle_ && readable_.size() < kQueueLimit)
        readable_.push_back(report);
}

QByteArray BusScheduler::streamReport(std::int64_t number)
{
    if (garbageEvery_ > 0 && number % garbageEvery_ == 0)
        return wire::noiseReport(std::uint32_t(number) * kNoiseStride + noiseSeed_);
    QByteArray report = host_.streamReport();
    if (shortEvery_ > 0 && number % shortEvery_ == 0)
        report.truncate(kShortReportLength);
    return report;
}

} // namespace sim
