// When the simulated board is on the bus and what it has made readable: its
// presence (on, unplugged, restarting), the one open handle, replies in
// flight, the pace of the real-time stream and the queue that hidraw keeps
// for an open file. It has no timer: before every call the board brings it up
// to the clock's time, and it works out in order what fell due in between.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <limits>

struct hid_device_;

namespace sim {

class BusScheduler {
public:
    // What the scheduler needs from the rest of the board as events fall due.
    class Host {
    public:
        virtual ~Host() = default;
        // The board's own time moves on to ms (its motor model).
        virtual void reach(std::int64_t ms) = 0;
        // The real-time report the board makes at the time last reached.
        virtual QByteArray streamReport() = 0;
        virtual void powerUp(bool inBootloader) = 0;
        virtual void powerOff() = 0;
        // A bootloader left alone this long starts its application.
        virtual bool startsItsApplication() const = 0;
    };

    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    BusScheduler(Host& host, std::int64_t nowMs);
    ~BusScheduler();
    BusScheduler(const BusScheduler&) = delete;
    BusScheduler& operator=(const BusScheduler&) = delete;

    // Bus events that fell due (restarts, the bootloader's time-out), then
    // the replies and stream reports, each at its own time.
    void catchUp(std::int64_t now);

    bool onBus() const { return bus_ == Bus::On; }
    hid_device_* handle() const { return handle_; }
    // The open file: its queue starts empty, replies under way are dropped.
    void attach(hid_device_* handle);
    void detach(hid_device_* handle);
    // Leaves the bus now and stays away; open handles fail.
    void unplug();
    // Leaves now and comes back at once, powered up afresh.
    void powerCycle(std::int64_t now, bool inBootloader);
    void restart(std::int64_t now, bool toBootloader);
    // A received report: after the armed number the board leaves the bus.
    void received();
    void unplugAfterReports(int n) { reportsUntilUnplug_ = n; }
    int restarts() const { return restarts_; }

    void setStreamRate(std::int64_t now, int reportsPerSecond);
    void setReplyLatencyMs(int ms) { replyLatencyMs_ = ms; }
    void setRestartOffBusMs(int ms) { restartOffBusMs_ = ms; }
    void setBootloaderTimeoutMs(int ms) { bootloaderTimeoutMs_ = ms; }
    void setSilent(bool silent) { silent_ = silent; }
    void setStreamNoise(int garbageEvery, int shortEvery, std::uint32_t noiseSeed);

    // What the board sends.
    void reply(std::int64_t now, const QByteArray& report);
    void startStream(std::int64_t now);
    bool streaming() const { return streaming_; }
    void bootloaderBusy(std::int64_t now) { bootloaderIdleSinceMs_ = now; }
    // Readable at once by the open handle; lost when none is open.
    void inject(const QByteArray& report);

    bool readable() const { return !readable_.empty(); }
    QByteArray takeReadable();
    // When the next report will become readable or the bus change; kNever for none.
    std::int64_t nextEventMs() const;

private:
    enum class Bus { On, Unplugged, Restarting };
    struct InFlight {
        std::int64_t dueMs;
        QByteArray data;
    };

    void leaveBus();
    void powerUp(std::int64_t at, bool inBootloader);
    std::int64_t autoStartDueMs() const;
    std::int64_t nextStreamDueMs() const;
    void deliver(std::int64_t now);
    void enqueue(const QByteArray& report);
    QByteArray streamReport(std::int64_t number);

    Host& host_;
    Bus bus_ = Bus::On;
    std::int64_t backOnBusAtMs_ = 0;
    bool backInBootloader_ = false;
    std::int64_t bootloaderIdleSinceMs_;
    hid_device_* handle_ = nullptr;
    int reportsUntilUnplug_ = 0; // 0: not armed
    int restarts_ = 0;

    int streamRate_ = 100;
    int replyLatencyMs_ = 2;
    int restartOffBusMs_ = 300;
    int bootloaderTimeoutMs_ = 3000;
    bool silent_ = false;
    int garbageEvery_ = 0;
    int shortEvery_ = 0;
    std::uint32_t noiseSeed_ = 0;

    bool streaming_ = false;
    std::int64_t streamBaseMs_ = 0; // when report streamBase_ + 1 is due
    std::int64_t streamBase_ = 0;   // reports sent before the present rate took over
    std::int64_t streamSent_ = 0;   // reports made since the stream started

    std::deque<InFlight> inFlight_; // replies not yet due, by due time
    std::deque<QByteArray> readable_;
};

} // namespace sim
