// TorvelDRV: the program's one link to the board. It finds and opens the board,
// identifies it, frames, scrambles and sends command reports, polls and decodes
// replies, and tells the window through four signals. Its members are public:
// the window reads and writes the records and command values directly.
//
// Contracts. Every operation runs on the calling (GUI) thread. "Blocks" means
// a busy wait that processes no events; everything else returns at once
// (hidraw writes of 65 bytes do not wait). "May ask" means a question or
// notice through the dialog seam (dialogs.h), during which the event loop of
// the box runs. The outbound buffer tx persists between commands: each command
// writes the bytes it names and leaves every other byte as the last send
// scrambled it; "code only" below means it writes the command code alone.
#pragma once

#include "device/board_lock.h"
#include "device/hid_port.h"
#include "device/motion_params.h"
#include "device/protocol.h"
#include "device/records.h"
#include "settings/drv_settings.h"
#include "settings/settings_file.h"

#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <cstdint>

class LogSink;
class QTimer;

class TorvelDRV : public QObject {
    Q_OBJECT
public:
    TorvelDRV();
    ~TorvelDRV() override;
    Q_DISABLE_COPY(TorvelDRV)

    static constexpr int kEnumPeriodMs = 200;
    static constexpr int kRxPeriodMs = 10;
    static constexpr int kBusyMark = 111;
    static constexpr int kInfoAttempts = 4;
    static constexpr int kInfoSettleMs = 50;
    static constexpr int kInfoPollMs = 600;
    static constexpr int kBetweenRequestsMs = 50;
    static constexpr int kValuesRequestWaitMs = 50;
    static constexpr int kNameRequestWaitMs = 20;

    // Link state.
    HidEnumeration enumeration;
    HidDevice device;
    int lastResult = 0;
    bool connected = false;
    bool deviceFound = false;
    // Held from open to disconnect: no other program drives the board meanwhile.
    BoardLock lock;
    // Scans and connects consider only the board with this serial; empty for
    // any board. The command-line program sets it to choose its board.
    QString onlySerial;

    // Identification.
    const QString maker = QString::fromLatin1(protocol::kMaker);
    QString product;
    QString serial;
    DeviceInfo info;

    // Reports: outbound buffer (byte 0 report ID .. byte 64 salt) and inbound buffer.
    std::uint8_t tx[protocol::kReportBufferSize] = {};
    std::uint8_t rx[protocol::kReportBufferSize] = {};
    std::uint32_t scrambleKey = 0;

    // Exchange control.
    int busy = 0;
    bool replyReceived = false;
    int attempts = 0;

    RTData rt;
    // A real-time record has arrived since the link opened: rt holds live values.
    bool liveRecord = false;
    // Values replies handled since start, so a caller can tell whether one came.
    int valuesReplies = 0;
    DrvSettings settings;
    DriverRegisters registers;
    StepDirState stepDir;
    TrajectoryParameters trajectory;
    PWMParameters pwm;

    LogSink* logger = nullptr; // not owned; set by the main window or the command-line program

    QTimer* enumTimer = nullptr;
    QTimer* rxTimer = nullptr;

    // Connects both timers to their handlers and starts the enumeration timer.
    // Sends nothing.
    void StartTimers();
    // Opens the first matching board, then GetDeviceInfo() and, unless the
    // bootloader runs, CMD_RT_STREAM (code only). Blocks and may ask as
    // GetDeviceInfo() does. A board that cannot be opened or is held by
    // another program is logged and told once (may ask), then retried quietly.
    void ConnectDevice();
    // Identification exchange: up to four CMD_GET_DEVICE_INFO (code only), each
    // polled for 600 ms, then the values and name requests; blocks for up to
    // about 2.8 s with the RX timer stopped. Through CheckFirmware() it may
    // ask, restart the board or run FullUpdate(), which blocks far longer.
    void GetDeviceInfo();
    // Closes the link, releases the board's lock, zeroes the scramble key and
    // the live voltage, temperature and current; raises both info signals.
    // Sends nothing; never blocks.
    void DisconnectDevice();
    // Blocks for ms milliseconds, processing no events.
    void WaitMs(int ms);

    // Scrambles the outbound buffer in place and writes its 65 bytes as they
    // stand; does nothing while not connected; a write error disconnects. An
    // exception from the HID layer is told in a box (may ask).
    void WriteReport();

    // Command operations (report layouts in the protocol header). None blocks
    // or asks unless it says so.
    // CMD_SET_ENABLE: the command code and the enable byte.
    void EnableDriver();
    void SleepDriver();
    // Two CMD_GET_NAME (code only); blocks 20 ms after each, 40 ms in all.
    void GetDriverName();
    // Two CMD_GET_VALUES (code only); blocks 50 ms after each, 100 ms in all.
    void GetDriverValues();
    // CMD_WRITE_VALUES from the record: the command code and the 23-byte write block
    // (its spare byte 0), with the RX timer stopped around the send; refused
    // while the busy flag is set.
    void WriteDriverValues();
    // CMD_SAVE_VALUES: code only.
    void SaveDriverValues();
    // CMD_SET_NAME: the command code and every byte from 3 to 63 (the name as Latin-1,
    // at most 32 bytes, then zeros); sets DriverName.
    void SetDriverName(QString name);
    // CMD_RESTART: code only. The board leaves the bus and the next read fails.
    void RestartDevice();
    // CMD_SET_STEP_FREQ: the command code, the divider and the direction; returns the
    // signed speed the board will produce.
    int SetStepDirFrequency(int speed);
    // Period, duty lanes and achieved frequency from duty A, duty B and
    // frequency; sends nothing.
    void CalculatePWMTimers();
    // CMD_SET_PWM: the command code, the period and the four duty bytes.
    void WritePWM();
    // CMD_WRITE_TRAJECTORY: the command code, the four 32-bit fields and the end-switch byte.
    void WriteTrajectory();
    // CMD_STOP_TRAJECTORY and CMD_SET_HOME: code only.
    void StopTrajectory();
    void SetHome();

    // Settings record and register image: conversions only, no I/O.
    void DrvSettings2DriverRegisters();
    void DriverRegisters2DrvSettings();
    void DriverRegisters2Buffer();
    QString DrvSettings2String() const;
    QString DriverRegisters2String() const;
    void String2DrvSettings(const QString& text);
    // Writes the record's keys into a settings file (settingsfile::compose over
    // its old bytes), atomically: on any status but Ok the old file is whole.
    settingsfile::Status SaveDrvSettings(const QString& fileName);
    // Reads a settings file into the record (settingsfile::parse), refusing a
    // file over 64 KiB before reading it; the record is unchanged unless Ok.
    settingsfile::ReadResult LoadDrvSettings(const QString& fileName);

    // Decodes the real-time report in the inbound buffer; no I/O.
    void Buffer2RTData();

    // A listed HID device is a TorvelM4 board: maker string, vendor and product
    // ID (and the serial, when onlySerial is set).
    bool matches(const HidEntry& entry) const;

    // Erases, writes and verifies sectors 2 to 7 of a board in its bootloader,
    // then signs and restarts it; blocks until done or failed (768 block
    // writes, then up to about 0.5 s per sector checksum), asks nothing. The
    // bootloader commands write the command code and their sector, block address, data or
    // signature bytes. After the restart the link is closed, so the next scan
    // connects the board again; after a failure the RX timer runs again if it
    // ran before.
    void FullUpdate();

signals:
    void newDriverInfoAvailable();
    void newDriverValuesAvailable();
    void newRTDataAvailable();
    void newFWProgressValueAvailable();

public slots:
    // One scan of the HID devices; connects a matching board (ConnectDevice(),
    // which blocks and may ask) when none is connected.
    void USBEnumTimerHandler();
    // Reads at most one inbound report without waiting and decodes it; a read
    // error disconnects, an exception from the HID layer is told (may ask).
    void USBRXTimerHandler();
    // CMD_RT_STREAM: code only.
    void EnableRTStream();
    // Scrambles a 65-byte report in place with key nKey; no I/O.
    void EncodeData(std::uint8_t* data, unsigned int nKey);
    // Reads and drops reports until none waits; never waits itself.
    void ClearHIDReadBuffer();
    // The version rules after an identification: may ask, restart the board
    // (code only) or run FullUpdate().
    void CheckFirmware();
    // The bootloader's checksum of one sector of an image; no I/O.
    unsigned int CalculateCRC(int nSector, const std::uint8_t* Flash);
    // Copies the values reply's register block into the image; no I/O.
    void Buffer2DriverRegisters();
    // Updates the voltage and temperature histories and filtered values; no I/O.
    void VM_T_Filter();

private:
    void log(const QString& line);
    void sendCommand(std::uint8_t code);
    // A read failed: close the link unless it is already closed.
    void readFailed();
    bool retryingUnopenable() const;
    // The update's steps; true once the board was signed and told to restart.
    bool flashAndRestart();
    void reportUnopenable(const QByteArray& path);
    void reportLocked(const HidEntry& entry);
    void reportHidException(const QString& title, const QString& text, const QString& line);

    QRandomGenerator m_random; // default seed: the same salt sequence in every run
    // Matching boards already announced in the log but not opened (a second board).
    QSet<QByteArray> m_announced;
    // Matching boards listed but not openable (no permission, or another
    // program holds their lock), retried quietly while they stay listed.
    QSet<QByteArray> m_unopenable;
};

// The process-wide device object.
extern TorvelDRV Torvel;
