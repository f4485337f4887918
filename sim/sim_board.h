// The simulated board behind the hidapi stand-in, and the registry of boards
// and open handles that the hidapi functions work on.
#pragma once

#include "board_flash.h"
#include "board_model.h"
#include "sim_control.h"

#include <bitset>
#include <cstddef>
#include <deque>
#include <memory>
#include <set>
#include <vector>

namespace sim {
class SimBoard;
}

// What hid_open_path hands out. It outlives its board: once the board leaves
// the bus or is removed, board is cleared and every I/O on the handle fails.
struct hid_device_ {
    sim::SimBoard* board = nullptr;
    bool nonBlocking = false;
};

namespace sim {

class SimBoard final : public Board {
public:
    SimBoard(const BoardConfig& config, QByteArray path);
    ~SimBoard() override;
    SimBoard(const SimBoard&) = delete;
    SimBoard& operator=(const SimBoard&) = delete;

    void unplug() override;
    void replug() override;
    void unplugAfterReports(int n) override;
    bool onBus() const override;
    bool isOpen() const override;
    QByteArray path() const override { return path_; }

    void setStreamRate(int reportsPerSecond) override;
    void setReplyLatencyMs(int ms) override;
    void setRestartOffBusMs(int ms) override;
    void setBootloaderTimeoutMs(int ms) override;

    void setSilent(bool silent) override;
    void ignoreCommand(std::uint8_t code, bool ignore = true) override;
    void failNextRead() override { failNextRead_ = true; }
    void failNextWrite() override { failNextWrite_ = true; }
    void setOpenFails(bool fails) override { openFails_ = fails; }
    void setWrongChecksumSector(int sector) override { wrongChecksumSector_ = sector; }
    void setStreamNoise(int garbageEvery, int shortEvery) override;
    void injectReport(const QByteArray& data) override;

    LiveValues live() const override;
    void setLive(const LiveValues& values) override;
    void releaseLive() override;
    bool bootloaderRunning() const override;
    bool signatureValid() const override { return flash_.signatureValid(); }
    bool streaming() const override;
    QByteArray flash() const override { return flash_.bytes(); }
    QByteArray registers() const override;
    void setRegisters(const QByteArray& block) override;
    QByteArray name() const override { return name_; }
    void setName(const QByteArray& raw) override;
    const BoardConfig& config() const override { return config_; }
    int restarts() const override;

    QList<Report> received() const override { return received_; }
    QList<Report> receivedWithCode(std::uint8_t code) const override;
    void clearReceived() override { received_.clear(); }

    // The hidapi side. The board has no timers: each call first brings it up
    // to the given time (bus events that fell due, replies and stream reports
    // that became readable).
    void catchUp(qint64 now);
    bool present() const { return bus_ == Bus::On; }
    bool opensFor(qint64 now); // false when off the bus, already open or refusing
    void attach(hid_device_* handle);
    void detach(hid_device_* handle);
    int read(hid_device_* handle, unsigned char* data, std::size_t length);
    int write(hid_device_* handle, const unsigned char* data, std::size_t length);

private:
    enum class Bus { On, Unplugged, Restarting };
    struct InFlight {
        qint64 dueMs;
        QByteArray data;
    };

    void sync() const;
    void leaveBus();
    void powerUp(qint64 at, bool inBootloader);
    void beginRestart(qint64 at, bool toBootloader);
    qint64 autoStartDueMs() const;
    qint64 nextStreamDueMs() const;
    qint64 nextOutputDueMs() const;
    void deliver(qint64 now);
    void enqueue(const QByteArray& report);
    void reply(const QByteArray& report, qint64 now);
    void echo(std::uint8_t code, qint64 now); // the board's answer to a motion command
    QByteArray streamReport(qint64 number) const;
    QByteArray deviceInfo() const;
    std::uint32_t key() const;
    void act(const QByteArray& tx, qint64 now);
    void actInBootloader(const QByteArray& tx, qint64 now);
    void actInApplication(const QByteArray& tx, qint64 now);

    const BoardConfig config_;
    const QByteArray path_;

    Bus bus_ = Bus::On;
    qint64 backOnBusAtMs_ = 0;
    bool backInBootloader_ = false;
    qint64 bootloaderIdleSinceMs_ = 0;
    hid_device_* handle_ = nullptr;
    int reportsUntilUnplug_ = 0; // 0: not armed

    int streamRate_ = 100;
    int replyLatencyMs_ = 2;
    int restartOffBusMs_ = 300;
    int bootloaderTimeoutMs_ = 3000;

    bool silent_ = false;
    std::bitset<256> ignored_;
    bool failNextRead_ = false;
    bool failNextWrite_ = false;
    bool openFails_ = false;
    int wrongChecksumSector_ = -1;
    int garbageEvery_ = 0;
    int shortEvery_ = 0;

    bool bootloader_;
    BoardFlash flash_;
    QByteArray registers_;
    QByteArray savedRegisters_;
    QByteArray name_;
    BoardModel model_;

    bool streaming_ = false;
    qint64 streamBaseMs_ = 0; // when report streamBase_ + 1 is due
    qint64 streamBase_ = 0;   // reports sent before the present rate took over
    qint64 streamSent_ = 0;   // reports produced since the stream started

    int restarts_ = 0;
    QList<Report> received_;
    std::deque<InFlight> inFlight_; // replies not yet due, by due time
    std::deque<QByteArray> readable_;
};

struct Registry {
    std::vector<std::unique_ptr<SimBoard>> boards;
    std::set<hid_device_*> handles; // handed out and not yet closed
    int nextPath = 0;
};

// Never destroyed, so handles the program still holds at exit stay valid.
Registry& registry();

} // namespace sim
