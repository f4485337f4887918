// One simulated board as the control API and the hidapi functions see it: it
// puts together its wire codec, its command interpreter and its bus scheduler,
// and brings itself up to the clock's time before everything it is asked.
#pragma once

#include "bus_scheduler.h"
#include "command_interpreter.h"
#include "sim_control.h"

#include <cstddef>

namespace sim {

class SimBoard final : public Board, private BusScheduler::Host {
public:
    SimBoard(const BoardConfig& config, QByteArray path);
    SimBoard(const SimBoard&) = delete;
    SimBoard& operator=(const SimBoard&) = delete;

    void unplug() override;
    void replug() override;
    void unplugAfterReports(int n) override;
    bool onBus() override;
    bool isOpen() override;
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
    void setWrongChecksumSector(int sector) override;
    void setMislabelledChecksumSector(int sector) override;
    void setStreamNoise(int garbageEvery, int shortEvery) override;
    void injectReport(const QByteArray& data) override;

    LiveValues live() override;
    void setLive(const LiveValues& values) override;
    void releaseLive() override;
    bool bootloaderRunning() override;
    bool signatureValid() const override { return interpreter_.flash().signatureValid(); }
    bool streaming() override;
    QByteArray flash() const override { return interpreter_.flash().bytes(); }
    QByteArray registers() override;
    void setRegisters(const QByteArray& block) override;
    QByteArray name() const override { return interpreter_.name(); }
    void setName(const QByteArray& raw) override { interpreter_.setName(raw); }
    const BoardConfig& config() const override { return config_; }
    int restarts() override;

    QList<Report> received() const override { return received_; }
    QList<Report> receivedWithCode(std::uint8_t code) const override;
    void clearReceived() override { received_.clear(); }

    // The hidapi side.
    void catchUp(qint64 now) { scheduler_.catchUp(now); }
    bool present() const { return scheduler_.onBus(); }
    bool opensFor(qint64 now); // false when off the bus, already open or refusing
    void attach(hid_device_* handle);
    void detach(hid_device_* handle) { scheduler_.detach(handle); }
    int read(hid_device_* handle, unsigned char* data, std::size_t length);
    int write(hid_device_* handle, const unsigned char* data, std::size_t length);

private:
    // Brings the board up to the clock's time.
    void catchUp();

    void reach(std::int64_t ms) override { interpreter_.model().advanceTo(ms); }
    QByteArray streamReport() override;
    void powerUp(bool inBootloader) override { interpreter_.powerUp(inBootloader); }
    void powerOff() override { interpreter_.model().powerOff(); }
    bool startsItsApplication() const override { return interpreter_.startsItsApplication(); }

    const BoardConfig config_;
    const QByteArray path_;
    CommandInterpreter interpreter_;
    BusScheduler scheduler_;

    bool failNextRead_ = false;
    bool failNextWrite_ = false;
    bool openFails_ = false;
    QList<Report> received_;
};

} // namespace sim
