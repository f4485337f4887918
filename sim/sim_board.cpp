#include "sim_board.h"

#include "device/protocol.h"
#include "sim_hash.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

namespace sim {

namespace {

using namespace protocol;

constexpr qint64 kNever = std::numeric_limits<qint64>::max();
// hidraw keeps this many reports per open file and drops new ones beyond.
constexpr std::size_t kQueueLimit = 64;
constexpr std::uint8_t kModeApplication = 0xA5;
constexpr std::uint8_t kReplyChecksum = CMD_BL_READ_CRC;
constexpr int kShortReportLength = 10;
constexpr int kWriteBlockWord7 = 14;
constexpr int kWriteBlockTempLimit = 18;
constexpr int kWriteBlockIdle = 19;
constexpr int kValuesTempLimit = 16;
constexpr int kValuesIdle = 17;
constexpr int kTxStepDivider = kTxArgs;
constexpr int kTxStepDirection = kTxArgs + 4;
constexpr int kTxPwmDuties = kTxArgs + 4; // after the period
// Target, maximum speed, acceleration, deceleration.
constexpr int kTxTrajectory = kTxArgs;

void putBigEndian16(QByteArray& r, int at, std::uint16_t value)
{
    r[at] = char(value >> 8);
    r[at + 1] = char(value);
}

void putBigEndian32(QByteArray& r, int at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        r[at + i] = char(value >> (24 - 8 * i));
}

std::int32_t littleEndian32(const QByteArray& r, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(r[at + i]);
    return std::int32_t(value);
}

std::uint32_t bigEndian32(const QByteArray& r, int at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | std::uint8_t(r[at + i]);
    return value;
}

QByteArray defaultRegisters()
{
    const std::uint16_t words[8] = {0x619, 0x787, 0x01D, 0x031, 0x500, 0xF00, 0x5AF, 0x000};
    QByteArray block(kValuesBlockSize, '\0');
    for (int i = 0; i < 8; ++i) {
        block[2 * i] = char(words[i]);
        block[2 * i + 1] = char(words[i] >> 8);
    }
    block[kValuesTempLimit] = char(85);
    block[kValuesIdle] = char(0x7A);
    block[kValuesIdle + 1] = char(0x03);
    block[kValuesIdle + 2] = char(0x3D);
    block[kValuesIdle + 3] = char(0x03);
    return block;
}

QByteArray paddedName(const QByteArray& raw)
{
    QByteArray name = raw.left(kNameLength);
    name.append(QByteArray(kNameLength - name.size(), '\0'));
    return name;
}

// Undoes the program's scrambling with this board's key, last step first.
void descramble(QByteArray& r, std::uint32_t key)
{
    auto byte = [&r](int i) { return std::uint8_t(r[i]); };
    const std::uint8_t k0 = std::uint8_t(key);
    const std::uint8_t k1 = std::uint8_t(key >> 8);
    const std::uint8_t k2 = std::uint8_t(key >> 16);
    const std::uint8_t k3 = std::uint8_t(key >> 24);
    const std::uint8_t salt = byte(kTxSalt);

    r[kSaltAddByte] = char(byte(kSaltAddByte) - salt);
    r[kSaltSubtractByte] = char(byte(kSaltSubtractByte) + salt);
    const std::uint8_t bandKeys[kBandCount] = {k0, k3, kBandMaskA, k2, k1, kBandMaskB, k0};
    for (int band = 0; band < kBandCount; ++band) {
        for (int i = 0; i < kBandLength; ++i) {
            const int at = kFirstBandByte + band * kBandLength + i;
            r[at] = char(byte(at) ^ bandKeys[band]);
        }
    }
    // Byte 4 was mixed with byte 14 as built, which the bands just restored.
    r[4] = char(byte(4) ^ byte(14));
    r[3] = char(byte(3) ^ (k2 | kK2Mask));
    r[kTxCommand] = char(byte(kTxCommand) ^ salt);
}

bool isBootloaderCommand(std::uint8_t code)
{
    return code >= CMD_BL_ERASE && code <= CMD_BL_READ_CRC;
}

// Codes the program acts on; noise must not pass for one of them.
bool isMeaningfulReplyCode(std::uint8_t code)
{
    return code == REPLY_DEVICE_INFO || code == REPLY_DEVICE_INFO_ALT || code == REPLY_VALUES ||
           code == REPLY_REAL_TIME || code == REPLY_NAME;
}

} // namespace

QByteArray realTimeReport(const LiveValues& v)
{
    QByteArray r(kReplySize, '\0');
    r[kRxReplyCode] = char(REPLY_REAL_TIME);
    r[kRtInputs] = char(v.inputs);
    putBigEndian16(r, kRtVoltage, v.voltageRaw);
    putBigEndian32(r, kRtPosition, std::uint32_t(v.position));
    putBigEndian32(r, kRtSpeed, std::uint32_t(v.speed));
    putBigEndian16(r, kRtTemperature, v.temperatureRaw);
    r[kRtDriverState] = char(v.driverState);
    r[kRtMode] = char(v.mode);
    r[kRtGain] = char(v.gainCode);
    r[kRtTorque] = char(v.torque);
    r[kRtFaults] = char(v.faults);
    return r;
}

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Registry& registry()
{
    static Registry* const instance = new Registry;
    return *instance;
}

Board* plug(const BoardConfig& config)
{
    Registry& r = registry();
    const QByteArray path = "sim:" + QByteArray::number(r.nextPath++);
    r.boards.push_back(std::make_unique<SimBoard>(config, path));
    return r.boards.back().get();
}

void reset()
{
    Registry& r = registry();
    // Each board cuts its handle loose as it goes; the handles stay allocated
    // until the program closes them.
    r.boards.clear();
    r.nextPath = 0;
}

QList<Board*> boards()
{
    QList<Board*> list;
    for (const auto& board : registry().boards)
        list.append(board.get());
    return list;
}

int openHandleCount()
{
    return int(registry().handles.size());
}

SimBoard::SimBoard(const BoardConfig& config, QByteArray path)
    : config_(config), path_(std::move(path)), bootloader_(config.bootloader), flash_(config),
      registers_(defaultRegisters()), savedRegisters_(registers_),
      name_(paddedName(QByteArrayLiteral("Bench axis")))
{
    bootloaderIdleSinceMs_ = nowMs();
    model_.advanceTo(bootloaderIdleSinceMs_);
    model_.setDriverRegisters(registers_);
}

SimBoard::~SimBoard()
{
    leaveBus();
}

void SimBoard::sync() const
{
    // Observers see the present: events that fell due since the last call
    // happen now. Boards are only ever created non-const, so this is sound.
    const_cast<SimBoard*>(this)->catchUp(nowMs());
}

void SimBoard::catchUp(qint64 now)
{
    // Bus events may chain (restart, bootloader, its timeout, application),
    // so they are taken in order at the times they fell due.
    for (;;) {
        if (bus_ == Bus::Restarting && backOnBusAtMs_ <= now) {
            powerUp(backOnBusAtMs_, backInBootloader_);
            continue;
        }
        const qint64 autoStart = autoStartDueMs();
        if (autoStart <= now) {
            beginRestart(autoStart, false);
            continue;
        }
        break;
    }
    deliver(now);
    model_.advanceTo(now);
}

void SimBoard::leaveBus()
{
    if (handle_)
        handle_->board = nullptr;
    handle_ = nullptr;
    inFlight_.clear();
    readable_.clear();
    streaming_ = false;
    model_.powerOff();
}

void SimBoard::powerUp(qint64 at, bool inBootloader)
{
    bus_ = Bus::On;
    bootloader_ = inBootloader;
    bootloaderIdleSinceMs_ = at;
    registers_ = savedRegisters_;
    model_.setDriverRegisters(registers_);
    streaming_ = false;
}

void SimBoard::beginRestart(qint64 at, bool toBootloader)
{
    leaveBus();
    bus_ = Bus::Restarting;
    backOnBusAtMs_ = at + std::max(0, restartOffBusMs_);
    backInBootloader_ = toBootloader;
    ++restarts_;
}

qint64 SimBoard::autoStartDueMs() const
{
    if (bus_ != Bus::On || !bootloader_ || !flash_.signatureValid() || bootloaderTimeoutMs_ <= 0)
        return kNever;
    return bootloaderIdleSinceMs_ + bootloaderTimeoutMs_;
}

qint64 SimBoard::nextStreamDueMs() const
{
    if (!streaming_ || streamRate_ <= 0)
        return kNever;
    return streamBaseMs_ + (streamSent_ - streamBase_) * 1000 / streamRate_;
}

qint64 SimBoard::nextOutputDueMs() const
{
    const qint64 reply = inFlight_.empty() ? kNever : inFlight_.front().dueMs;
    return std::min(reply, nextStreamDueMs());
}

void SimBoard::deliver(qint64 now)
{
    for (;;) {
        const qint64 reply = inFlight_.empty() ? kNever : inFlight_.front().dueMs;
        const qint64 stream = nextStreamDueMs();
        if (std::min(reply, stream) > now)
            return;
        if (reply <= stream) {
            enqueue(inFlight_.front().data);
            inFlight_.pop_front();
        } else {
            // The board sends whether or not anyone listens or has room, and
            // each report tells the state at its own time.
            model_.advanceTo(stream);
            const qint64 number = ++streamSent_;
            if (!silent_ && handle_ && readable_.size() < kQueueLimit)
                enqueue(streamReport(number));
        }
    }
}

void SimBoard::enqueue(const QByteArray& report)
{
    if (handle_ && readable_.size() < kQueueLimit)
        readable_.push_back(report);
}

void SimBoard::reply(const QByteArray& report, qint64 now)
{
    if (silent_ || !handle_)
        return;
    const qint64 due = now + std::max(0, replyLatencyMs_);
    const auto after = std::upper_bound(inFlight_.begin(), inFlight_.end(), due,
                                        [](qint64 t, const InFlight& f) { return t < f.dueMs; });
    inFlight_.insert(after, InFlight{due, report});
}

void SimBoard::echo(std::uint8_t code, qint64 now)
{
    QByteArray r(kReplySize, '\0');
    r[kRxReplyCode] = char(code);
    reply(r, now);
}

QByteArray SimBoard::streamReport(qint64 number) const
{
    if (garbageEvery_ > 0 && number % garbageEvery_ == 0) {
        QByteArray noise(kReplySize, '\0');
        for (int i = 0; i < kReplySize; ++i)
            noise[i] = char(mix(std::uint32_t(number) * 0x9E3779B9u + std::uint32_t(i) + key()));
        if (isMeaningfulReplyCode(std::uint8_t(noise[kRxReplyCode])))
            noise[kRxReplyCode] = char(0xEE);
        return noise;
    }
    QByteArray report = realTimeReport(model_.values());
    if (shortEvery_ > 0 && number % shortEvery_ == 0)
        report.truncate(kShortReportLength);
    return report;
}

QByteArray SimBoard::deviceInfo() const
{
    QByteArray r(kReplySize, '\0');
    r[kInfoBootloaderHigh] = char(config_.bootloaderHigh);
    r[kInfoBootloaderLow] = char(config_.bootloaderLow);
    r[kInfoFirmwareHigh] = char(flash_.versionHigh());
    r[kInfoFirmwareLow] = char(flash_.versionLow());
    r[kInfoMode] = char(bootloader_ ? kModeBootloader : kModeApplication);
    r[kRxReplyCode] = char(REPLY_DEVICE_INFO);
    putBigEndian32(r, kInfoSignature, flash_.signature());
    for (int i = 0; i < 4; ++i)
        putBigEndian32(r, kInfoUniqueId + 4 * i, config_.uniqueId[std::size_t(i)]);
    const std::uint16_t temperature = model_.values().temperatureRaw;
    r[kInfoTemperature] = char(temperature >> 8);
    r[kInfoTemperature + 1] = char(temperature);
    return r;
}

std::uint32_t SimBoard::key() const
{
    const auto& id = config_.uniqueId;
    return id[3] ^ id[2] ^ id[1] ^ id[0];
}

bool SimBoard::opensFor(qint64 now)
{
    catchUp(now);
    return bus_ == Bus::On && !handle_ && !openFails_;
}

void SimBoard::attach(hid_device_* handle)
{
    handle_ = handle;
    handle->board = this;
    inFlight_.clear();
    readable_.clear();
}

void SimBoard::detach(hid_device_* handle)
{
    if (handle_ != handle)
        return;
    handle_->board = nullptr;
    handle_ = nullptr;
    inFlight_.clear();
    readable_.clear();
}

int SimBoard::read(hid_device_* handle, unsigned char* data, std::size_t length)
{
    catchUp(nowMs());
    if (handle->board != this)
        return -1; // left the bus meanwhile
    if (failNextRead_) {
        failNextRead_ = false;
        return -1;
    }
    // Blocking reads wait for the next report the board will send. Where none
    // is coming, return instead of hanging: nothing else could wake us.
    while (readable_.empty() && !handle->nonBlocking) {
        const qint64 next = std::min(nextOutputDueMs(), autoStartDueMs());
        if (next == kNever)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max<qint64>(0, next - nowMs())));
        catchUp(nowMs());
        if (handle->board != this)
            return -1;
    }
    if (readable_.empty())
        return 0;
    const QByteArray report = readable_.front();
    readable_.pop_front();
    const std::size_t n = std::min(length, std::size_t(report.size()));
    std::memcpy(data, report.constData(), n);
    return int(n);
}

int SimBoard::write(hid_device_* handle, const unsigned char* data, std::size_t length)
{
    const qint64 now = nowMs();
    catchUp(now);
    if (handle->board != this)
        return -1;
    if (failNextWrite_) {
        failNextWrite_ = false;
        return -1;
    }
    if (length == 0 || length > std::size_t(kReportBufferSize))
        return -1;
    QByteArray tx(kReportBufferSize, '\0');
    std::memcpy(tx.data(), data, length);
    if (tx.at(kTxSalt) != 0)
        descramble(tx, key());
    received_.append(Report{tx, now});
    act(tx, now);
    if (reportsUntilUnplug_ > 0 && --reportsUntilUnplug_ == 0) {
        leaveBus();
        bus_ = Bus::Unplugged;
    }
    return int(length);
}

void SimBoard::act(const QByteArray& tx, qint64 now)
{
    const std::uint8_t code = std::uint8_t(tx[kTxCommand]);
    if (ignored_.test(code))
        return;
    switch (code) {
    case CMD_GET_DEVICE_INFO:
        reply(deviceInfo(), now);
        return;
    case CMD_RESTART:
        // Only an application asks for its bootloader; the bootloader starts
        // the application unless it is incomplete.
        beginRestart(now, !bootloader_ || !flash_.signatureValid());
        return;
    default:
        break;
    }
    if (bootloader_)
        actInBootloader(tx, now);
    else
        actInApplication(tx, now);
}

void SimBoard::actInBootloader(const QByteArray& tx, qint64 now)
{
    const std::uint8_t code = std::uint8_t(tx[kTxCommand]);
    if (!isBootloaderCommand(code))
        return;
    bootloaderIdleSinceMs_ = now;
    const int sector = std::uint8_t(tx[kTxBlSector]);
    switch (code) {
    case CMD_BL_ERASE:
        flash_.eraseSector(sector);
        break;
    case CMD_BL_WRITE_BLOCK:
        flash_.writeBlock(sector, std::uint8_t(tx[kTxBlSubsector]),
                          reinterpret_cast<const std::uint8_t*>(tx.constData()) + kTxBlData);
        break;
    case CMD_BL_WRITE_SIGNATURE:
        flash_.writeSignature(bigEndian32(tx, kTxBlSignature));
        break;
    case CMD_BL_READ_CRC: {
        if (sector >= kFlashSize / kSectorSize)
            break;
        std::uint32_t checksum = flash_.checksum(sector);
        if (sector == wrongChecksumSector_)
            checksum ^= 0x5A5A5A5Au;
        QByteArray r(kReplySize, '\0');
        r[kRxReplyCode] = char(kReplyChecksum);
        r[kRxCrcSector] = char(sector);
        putBigEndian32(r, kRxCrcValue, checksum);
        reply(r, now);
        break;
    }
    default:
        break;
    }
}

void SimBoard::actInApplication(const QByteArray& tx, qint64 now)
{
    const std::uint8_t code = std::uint8_t(tx[kTxCommand]);
    switch (code) {
    case CMD_GET_VALUES: {
        QByteArray r(kReplySize, '\0');
        r[kRxReplyCode] = char(REPLY_VALUES);
        r.replace(kRxValuesBlock, kValuesBlockSize, registers_);
        reply(r, now);
        break;
    }
    case CMD_WRITE_VALUES: {
        // The write block has two bytes the board does not keep (offsets 16
        // and 17); the rest maps onto the values block in order.
        const QByteArray block = tx.mid(kTxArgs, kWriteBlockSize);
        registers_.replace(0, kWriteBlockWord7 + 2, block.left(kWriteBlockWord7 + 2));
        registers_[kValuesTempLimit] = block[kWriteBlockTempLimit];
        registers_.replace(kValuesIdle, 4, block.mid(kWriteBlockIdle, 4));
        model_.setDriverRegisters(registers_);
        break;
    }
    case CMD_SAVE_VALUES:
        savedRegisters_ = registers_;
        break;
    case CMD_SET_NAME:
        name_ = tx.mid(kTxNameFirst, kNameLength);
        break;
    case CMD_GET_NAME: {
        QByteArray r(kReplySize, '\0');
        r[kRxReplyCode] = char(REPLY_NAME);
        r.replace(kRxNameFirst, kNameLength, name_);
        reply(r, now);
        break;
    }
    case CMD_RT_STREAM:
        if (!streaming_) {
            streaming_ = true;
            streamSent_ = 0;
            streamBase_ = 0;
            streamBaseMs_ = now + std::max(0, replyLatencyMs_);
        }
        break;
    case CMD_SET_ENABLE:
        model_.setEnabled(tx.at(kTxArgs) != 0);
        break;
    case CMD_RESET_FAULTS:
        model_.resetFaults();
        break;
    case CMD_SET_STEP_FREQ:
        model_.setStepRate(littleEndian32(tx, kTxStepDivider), tx.at(kTxStepDirection) != 0);
        echo(code, now);
        break;
    case CMD_SET_PWM: {
        std::array<std::uint8_t, 4> duties{};
        for (std::size_t i = 0; i < duties.size(); ++i)
            duties[i] = std::uint8_t(tx.at(kTxPwmDuties + int(i)));
        model_.setPwm(duties);
        echo(code, now);
        break;
    }
    case CMD_WRITE_TRAJECTORY:
        model_.setTrajectory(
            littleEndian32(tx, kTxTrajectory), littleEndian32(tx, kTxTrajectory + 4),
            littleEndian32(tx, kTxTrajectory + 8), littleEndian32(tx, kTxTrajectory + 12));
        echo(code, now);
        break;
    case CMD_STOP_TRAJECTORY:
        model_.stopTrajectory();
        break;
    case CMD_SET_HOME:
        model_.setHome();
        break;
    default:
        break;
    }
}

void SimBoard::unplug()
{
    sync();
    leaveBus();
    bus_ = Bus::Unplugged;
    reportsUntilUnplug_ = 0;
}

void SimBoard::replug()
{
    const qint64 now = nowMs();
    catchUp(now);
    leaveBus();
    // Power-up: the bootloader hands over at once to a complete application.
    powerUp(now, !flash_.signatureValid());
    reportsUntilUnplug_ = 0;
}

void SimBoard::unplugAfterReports(int n)
{
    if (n <= 0) {
        unplug();
        return;
    }
    reportsUntilUnplug_ = n;
}

bool SimBoard::onBus() const
{
    sync();
    return bus_ == Bus::On;
}

bool SimBoard::isOpen() const
{
    sync();
    return handle_ != nullptr;
}

void SimBoard::setStreamRate(int reportsPerSecond)
{
    const qint64 now = nowMs();
    catchUp(now);
    streamRate_ = reportsPerSecond;
    if (streaming_ && reportsPerSecond > 0) {
        streamBase_ = streamSent_;
        streamBaseMs_ = now + 1000 / reportsPerSecond;
    }
}

void SimBoard::setReplyLatencyMs(int ms)
{
    sync();
    replyLatencyMs_ = ms;
}

void SimBoard::setRestartOffBusMs(int ms)
{
    sync();
    restartOffBusMs_ = ms;
}

void SimBoard::setBootloaderTimeoutMs(int ms)
{
    // Not synced first: the new timeout counts from the same start as the old.
    bootloaderTimeoutMs_ = ms;
}

void SimBoard::setSilent(bool silent)
{
    sync();
    silent_ = silent;
}

void SimBoard::ignoreCommand(std::uint8_t code, bool ignore)
{
    ignored_.set(code, ignore);
}

void SimBoard::setStreamNoise(int garbageEvery, int shortEvery)
{
    sync();
    garbageEvery_ = garbageEvery;
    shortEvery_ = shortEvery;
}

void SimBoard::injectReport(const QByteArray& data)
{
    sync();
    if (!data.isEmpty())
        enqueue(data.left(kReplySize));
}

LiveValues SimBoard::live() const
{
    sync();
    return model_.values();
}

void SimBoard::setLive(const LiveValues& values)
{
    // Reports that fell due before the change carry the old values.
    sync();
    model_.setValues(values);
}

void SimBoard::releaseLive()
{
    sync();
    model_.releaseValues();
}

bool SimBoard::bootloaderRunning() const
{
    sync();
    return bootloader_;
}

bool SimBoard::streaming() const
{
    sync();
    return streaming_;
}

QByteArray SimBoard::registers() const
{
    sync();
    return registers_;
}

void SimBoard::setRegisters(const QByteArray& block)
{
    sync();
    // As if the board had always held them: the saved image too.
    registers_.replace(0, std::min(block.size(), kValuesBlockSize), block.left(kValuesBlockSize));
    savedRegisters_ = registers_;
    model_.setDriverRegisters(registers_);
}

void SimBoard::setName(const QByteArray& raw)
{
    name_ = paddedName(raw);
}

int SimBoard::restarts() const
{
    sync();
    return restarts_;
}

QList<Report> SimBoard::receivedWithCode(std::uint8_t code) const
{
    QList<Report> list;
    for (const Report& report : received_) {
        if (report.code() == code)
            list.append(report);
    }
    return list;
}

} // namespace sim
