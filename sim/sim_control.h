// Control API of the simulated TorvelM4 boards behind hidapi_sim.
// Tests and the demo plug boards in, steer their state and faults, and read
// back every report a board received, already descrambled. The boards live in
// this process; they have no threads or timers and work out what has become
// readable from the program's clock (clock.h) on every call, so a test or demo
// that installs a virtual clock moves the boards' time with the program's.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>

namespace sim {

struct BoardConfig {
    QString serial = QStringLiteral("TM4-000001");
    QString product = QStringLiteral("TorvelM4 motor driver");
    QString manufacturer = QStringLiteral("Marlox");
    std::uint16_t vendorId = 0x3A7C;
    std::uint16_t productId = 0x4D34;
    // The 128-bit unique ID as four words W0..W3; the scramble key is their XOR.
    std::array<std::uint32_t, 4> uniqueId{{0x12345678u, 0x9ABCDEF0u, 0x0F1E2D3Cu, 0x4B5A6978u}};
    std::uint8_t bootloaderHigh = 0x01;
    std::uint8_t bootloaderLow = 0x02;
    // Version written into the application area of the initial flash.
    std::uint8_t firmwareHigh = 0x01;
    std::uint8_t firmwareLow = 0x03;
    bool bootloader = false;    // starts running its bootloader
    bool validSignature = true; // flash carries the validity signature
};

// Live values as raw wire fields of the real-time report.
struct LiveValues {
    std::uint16_t voltageRaw = 333;     // 24 V
    std::uint16_t temperatureRaw = 200; // 25 degC in 1/8 degC
    std::uint8_t inputs = 0;            // bit 1: enable (SLEEP) input
    std::uint8_t driverState = 1;       // index of the status-text table
    std::uint8_t mode = 1;              // operating mode code
    std::uint8_t gainCode = 2;
    std::uint8_t torque = 0;
    std::uint8_t faults = 0;
    std::int32_t position = 0;
    std::int32_t speed = 0;
};

// One report as the board received it: the 65 bytes in the program's
// numbering (byte 0 report ID, byte 2 command code) after descrambling;
// byte 64 still holds the salt that came on the wire (0 = sent plain).
struct Report {
    QByteArray bytes;
    qint64 atMs = 0; // monotonic milliseconds, same clock as nowMs()
    std::uint8_t code() const { return static_cast<std::uint8_t>(bytes.at(2)); }
    std::uint8_t at(int i) const { return static_cast<std::uint8_t>(bytes.at(i)); }
    bool scrambled() const { return bytes.at(64) != 0; }
};

// Whatever depends on time brings the board up to the clock's time first,
// so those observers are not const.
class Board {
public:
    virtual ~Board() = default;

    // Bus presence.
    virtual void unplug() = 0; // leaves the bus now; open handles fail
    // Powers up again: stream off, saved values restored, the application
    // running if the flash is signed and the bootloader otherwise.
    virtual void replug() = 0;
    virtual void unplugAfterReports(int n) = 0; // leaves the bus after n more received reports
    virtual bool onBus() = 0;
    virtual bool isOpen() = 0;
    virtual QByteArray path() const = 0;

    // Timing.
    virtual void setStreamRate(int reportsPerSecond) = 0; // default 100
    virtual void setReplyLatencyMs(int ms) = 0;           // default 2
    virtual void setRestartOffBusMs(int ms) = 0;          // default 300
    virtual void setBootloaderTimeoutMs(int ms) = 0;      // default 3000; 0 or less: never

    // Faults.
    virtual void setSilent(bool silent) = 0; // answers nothing at all
    virtual void ignoreCommand(std::uint8_t code, bool ignore = true) = 0;
    virtual void failNextRead() = 0;                     // next hid_read returns -1
    virtual void failNextWrite() = 0;                    // next hid_write returns -1
    virtual void setOpenFails(bool fails) = 0;           // hid_open_path returns none
    virtual void setWrongChecksumSector(int sector) = 0; // -1 for none
    // This sector's checksum reply carries the right value but the number of
    // the next sector, as a late answer to another request would; -1 for none.
    virtual void setMislabelledChecksumSector(int sector) = 0;
    virtual void setStreamNoise(int garbageEvery, int shortEvery) = 0; // 0 = off
    // Readable at once by the open handle (lost when none is open); 1..64 bytes.
    virtual void injectReport(const QByteArray& data) = 0;

    // State.
    virtual LiveValues live() = 0;
    // The board's model makes the values move (position, speed and current
    // with the commands, temperature with the current, a ripple on the
    // supply). setLive takes the inputs, mode, faults and position as the
    // board's state and reports the other fields as given: supply and
    // temperature until releaseLive(), speed, driver state, gain and torque
    // until a command drives them. A given supply below 8 V stops the driver.
    virtual void setLive(const LiveValues& values) = 0;
    virtual void releaseLive() = 0;
    virtual bool bootloaderRunning() = 0;
    virtual bool signatureValid() const = 0;
    virtual bool streaming() = 0;
    virtual QByteArray flash() const = 0;                   // 32768 bytes
    virtual QByteArray registers() = 0;                     // the 21-byte values block
    virtual void setRegisters(const QByteArray& block) = 0; // and the saved image
    virtual QByteArray name() const = 0;                    // 32 raw name bytes
    virtual void setName(const QByteArray& raw) = 0;
    virtual const BoardConfig& config() const = 0;
    virtual int restarts() = 0; // by CMD_RESTART or the bootloader's timeout

    // Received reports, oldest first.
    virtual QList<Report> received() const = 0;
    virtual QList<Report> receivedWithCode(std::uint8_t code) const = 0;
    virtual void clearReceived() = 0;
};

// Plugs a new board in (on the bus at once). The board stays owned by the
// simulator until reset(); the pointer is valid until then.
Board* plug(const BoardConfig& config = BoardConfig());
// Removes every board; handles the program still holds fail from then on.
void reset();
QList<Board*> boards();
int openHandleCount();
qint64 nowMs();
// A real-time report (64 bytes, reply code 0xA0) carrying these values, as a
// board sends it; for handing a chosen record to Board::injectReport().
QByteArray realTimeReport(const LiveValues& values);

} // namespace sim
