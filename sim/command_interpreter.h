// What the simulated board does with each command it receives: in its
// application the driver values, name, stream and motion commands, in its
// bootloader the flash commands, in both the identification and the restart.
// It owns what the board's firmware keeps (flash, driver values, name, the
// motor model); replies and bus events go through Effects to the scheduler.
#pragma once

#include "board_flash.h"
#include "board_model.h"
#include "sim_control.h"

#include <QByteArray>
#include <bitset>
#include <cstdint>

namespace sim {

class CommandInterpreter {
public:
    // What a command makes the rest of the board do.
    class Effects {
    public:
        virtual ~Effects() = default;
        // Readable by the program once the board's reply latency has passed.
        virtual void reply(const QByteArray& report) = 0;
        virtual void startStream() = 0;
        // Leaves the bus and comes back in its bootloader or its application.
        virtual void restart(bool toBootloader) = 0;
        // The bootloader did some work: its wait for the application starts anew.
        virtual void bootloaderBusy() = 0;
    };

    explicit CommandInterpreter(const BoardConfig& config);

    // One descrambled 65-byte command.
    void take(const QByteArray& command, Effects& effects);
    // Power-up: saved driver values restored, in the bootloader or the application.
    void powerUp(bool inBootloader);

    void ignore(std::uint8_t code, bool ignore) { ignored_.set(code, ignore); }
    void setWrongChecksumSector(int sector) { wrongChecksumSector_ = sector; }
    void setMislabelledChecksumSector(int sector) { mislabelledChecksumSector_ = sector; }

    bool bootloaderRunning() const { return bootloader_; }
    // The bootloader hands over to the application by itself only when it is signed.
    bool startsItsApplication() const { return bootloader_ && flash_.signatureValid(); }
    const BoardFlash& flash() const { return flash_; }
    QByteArray registers() const { return registers_; }
    // As if the board had always held them: the saved values too.
    void setRegisters(const QByteArray& block);
    QByteArray name() const { return name_; }
    void setName(const QByteArray& raw);
    BoardModel& model() { return model_; }
    const BoardModel& model() const { return model_; }
    std::uint32_t key() const;

private:
    void inBootloader(const QByteArray& command, Effects& effects);
    void inApplication(const QByteArray& command, Effects& effects);
    QByteArray deviceInfo() const;

    const BoardConfig config_;
    std::bitset<256> ignored_;
    int wrongChecksumSector_ = -1;
    int mislabelledChecksumSector_ = -1;

    bool bootloader_;
    BoardFlash flash_;
    QByteArray registers_;
    QByteArray savedRegisters_;
    QByteArray name_;
    BoardModel model_;
};

} // namespace sim
