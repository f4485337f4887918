// The simulated board's control API and its hidapi reads and writes.
#include "sim_board.h"

#include "clock.h"
#include "registry.h"
#include "wire_codec.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace sim {

namespace {

// What a command the board takes at a given time makes its scheduler do.
class CommandEffects : public CommandInterpreter::Effects {
public:
    CommandEffects(BusScheduler& scheduler, std::int64_t now) : scheduler_(scheduler), now_(now) {}
    void reply(const QByteArray& report) override { scheduler_.reply(now_, report); }
    void startStream() override { scheduler_.startStream(now_); }
    void restart(bool toBootloader) override { scheduler_.restart(now_, toBootloader); }
    void bootloaderBusy() override { scheduler_.bootloaderBusy(now_); }

private:
    BusScheduler& scheduler_;
    const std::int64_t now_;
};

} // namespace

SimBoard::SimBoard(const BoardConfig& config, QByteArray path)
    : config_(config), path_(std::move(path)), interpreter_(config),
      scheduler_(*this, timing::nowMs())
{
    interpreter_.model().advanceTo(timing::nowMs());
}

void SimBoard::catchUp()
{
    scheduler_.catchUp(timing::nowMs());
}

QByteArray SimBoard::streamReport()
{
    return wire::realTimeReport(interpreter_.model().values());
}

bool SimBoard::opensFor(qint64 now)
{
    catchUp(now);
    return scheduler_.onBus() && !scheduler_.handle() && !openFails_;
}

void SimBoard::attach(hid_device_* handle)
{
    scheduler_.attach(handle);
    handle->board = this;
}

int SimBoard::read(hid_device_* handle, unsigned char* data, std::size_t length)
{
    catchUp();
    if (handle->board != this)
        return -1; // left the bus meanwhile
    if (failNextRead_) {
        failNextRead_ = false;
        return -1;
    }
    // Blocking reads wait on the clock for the next report the board will
    // send. Where none is coming, return instead of hanging: nothing else
    // could wake us.
    while (!scheduler_.readable() && !handle->nonBlocking) {
        const std::int64_t next = scheduler_.nextEventMs();
        if (next == BusScheduler::kNever)
            return 0;
        timing::waitMs(int(std::clamp<std::int64_t>(next - timing::nowMs(), 0, INT_MAX)));
        catchUp();
        if (handle->board != this)
            return -1;
    }
    if (!scheduler_.readable())
        return 0;
    const QByteArray report = scheduler_.takeReadable();
    const std::size_t n = std::min(length, std::size_t(report.size()));
    std::memcpy(data, report.constData(), n);
    return int(n);
}

int SimBoard::write(hid_device_* handle, const unsigned char* data, std::size_t length)
{
    const std::int64_t now = timing::nowMs();
    catchUp(now);
    if (handle->board != this)
        return -1;
    if (failNextWrite_) {
        failNextWrite_ = false;
        return -1;
    }
    if (length == 0 || length > std::size_t(wire::kCommandLength))
        return -1;
    QByteArray command(wire::kCommandLength, '\0');
    std::memcpy(command.data(), data, length);
    wire::descramble(command, interpreter_.key());
    received_.append(Report{command, now});
    CommandEffects effects(scheduler_, now);
    interpreter_.take(command, effects);
    scheduler_.received();
    return int(length);
}

void SimBoard::unplug()
{
    catchUp();
    scheduler_.unplug();
}

void SimBoard::replug()
{
    const std::int64_t now = timing::nowMs();
    catchUp(now);
    // Power-up: the bootloader hands over at once to a complete application.
    scheduler_.powerCycle(now, !interpreter_.flash().signatureValid());
}

void SimBoard::unplugAfterReports(int n)
{
    if (n <= 0)
        unplug();
    else
        scheduler_.unplugAfterReports(n);
}

bool SimBoard::onBus()
{
    catchUp();
    return scheduler_.onBus();
}

bool SimBoard::isOpen()
{
    catchUp();
    return scheduler_.handle() != nullptr;
}

void SimBoard::setStreamRate(int reportsPerSecond)
{
    const std::int64_t now = timing::nowMs();
    catchUp(now);
    scheduler_.setStreamRate(now, reportsPerSecond);
}

void SimBoard::setReplyLatencyMs(int ms)
{
    catchUp();
    scheduler_.setReplyLatencyMs(ms);
}

void SimBoard::setRestartOffBusMs(int ms)
{
    catchUp();
    scheduler_.setRestartOffBusMs(ms);
}

void SimBoard::setBootloaderTimeoutMs(int ms)
{
    // Not brought up to time first: the new time-out counts from the same start as the old.
    scheduler_.setBootloaderTimeoutMs(ms);
}

void SimBoard::setSilent(bool silent)
{
    catchUp();
    scheduler_.setSilent(silent);
}

void SimBoard::ignoreCommand(std::uint8_t code, bool ignore)
{
    interpreter_.ignore(code, ignore);
}

void SimBoard::setWrongChecksumSector(int sector)
{
    interpreter_.setWrongChecksumSector(sector);
}

void SimBoard::setMislabelledChecksumSector(int sector)
{
    interpreter_.setMislabelledChecksumSector(sector);
}

void SimBoard::setStreamNoise(int garbageEvery, int shortEvery)
{
    catchUp();
    scheduler_.setStreamNoise(garbageEvery, shortEvery, interpreter_.key());
}

void SimBoard::injectReport(const QByteArray& data)
{
    catchUp();
    scheduler_.inject(data);
}

LiveValues SimBoard::live()
{
    catchUp();
    return interpreter_.model().values();
}

void SimBoard::setLive(const LiveValues& values)
{
    // Reports that fell due before the change carry the old values.
    catchUp();
    interpreter_.model().setValues(values);
}

void SimBoard::releaseLive()
{
    catchUp();
    interpreter_.model().releaseValues();
}

bool SimBoard::bootloaderRunning()
{
    catchUp();
    return interpreter_.bootloaderRunning();
}

bool SimBoard::streaming()
{
    catchUp();
    return scheduler_.streaming();
}

QByteArray SimBoard::registers()
{
    catchUp();
    return interpreter_.registers();
}

void SimBoard::setRegisters(const QByteArray& block)
{
    catchUp();
    interpreter_.setRegisters(block);
}

int SimBoard::restarts()
{
    catchUp();
    return scheduler_.restarts();
}

QList<Report> SimBoard::receivedWithCode(std::uint8_t code) const
{
    QList<Report> list;
    for (const Report& report : received_)
        if (report.code() == code)
            list.append(report);
    return list;
}

} // namespace sim
