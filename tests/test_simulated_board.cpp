// The simulated board, driven through the hidapi C functions and its control
// API with every report built by hand, on a virtual clock that moves only when
// the test waits; its motion profile and live model also on their own, on a
// clock the test sets.
#include "board_model.h"
#include "clock.h"
#include "device/protocol.h"
#include "motion_profile.h"
#include "sim_control.h"
#include "support/reference_scramble.h"
#include "virtual_clock.h"

#include <QtTest>
#include <hidapi/hidapi.h>

#include <functional>

namespace p = protocol;

namespace {

QByteArray command(std::uint8_t code)
{
    QByteArray report(65, '\0');
    report[2] = char(code);
    return report;
}

QByteArray bootloaderCommand(std::uint8_t code, int sector)
{
    QByteArray report = command(code);
    report[3] = char(sector);
    return report;
}

int send(hid_device* handle, const QByteArray& report)
{
    return hid_write(handle, reinterpret_cast<const unsigned char*>(report.constData()),
                     std::size_t(report.size()));
}

// One read; the report's bytes, or an empty array with the result in *result.
QByteArray readOnce(hid_device* handle, int* result = nullptr)
{
    unsigned char buffer[65] = {};
    const int n = hid_read(handle, buffer, sizeof buffer);
    if (result)
        *result = n;
    return n > 0 ? QByteArray(reinterpret_cast<const char*>(buffer), n) : QByteArray();
}

// Polls a millisecond apart until a full report with this reply code arrives;
// empty on timeout or error.
QByteArray awaitReply(hid_device* handle, std::uint8_t code, int timeoutMs = 150)
{
    for (const std::int64_t start = timing::nowMs(); timing::nowMs() - start < timeoutMs;) {
        int n = 0;
        const QByteArray report = readOnce(handle, &n);
        if (n < 0)
            return {};
        if (n == 64 && std::uint8_t(report[15]) == code)
            return report;
        if (n == 0)
            timing::waitMs(1);
    }
    return {};
}

void sleepUntil(qint64 ms)
{
    timing::waitMs(int(qMax<qint64>(0, ms - timing::nowMs())));
}

// Looks a millisecond apart until the condition holds; false on timeout.
bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    for (const std::int64_t start = timing::nowMs(); !condition(); timing::waitMs(1))
        if (timing::nowMs() - start > timeoutMs)
            return false;
    return true;
}

quint32 be32(const QByteArray& r, int at)
{
    return quint32(quint8(r[at])) << 24 | quint32(quint8(r[at + 1])) << 16 |
           quint32(quint8(r[at + 2])) << 8 | quint8(r[at + 3]);
}

int be16(const QByteArray& r, int at)
{
    return quint8(r[at]) << 8 | quint8(r[at + 1]);
}

QList<QByteArray> listedPaths()
{
    QList<QByteArray> paths;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* info = list; info; info = info->next)
        paths << QByteArray(info->path);
    hid_free_enumeration(list);
    return paths;
}

bool listed(sim::Board* board)
{
    return listedPaths().contains(board->path());
}

// The worked example register image as the 21-byte values block.
const QByteArray kDefaultBlock =
    QByteArray::fromHex("1906 8707 1d00 3100 0005 000f af05 0000 55 7a03 3d03");

// The default image with the DC-motor bit, temperature limit and full-scale
// current changed.
QByteArray valuesBlock(bool dcMotorMode, int temperatureLimit = 85, int torque = 135,
                       int gainCode = 2)
{
    QByteArray block = kDefaultBlock;
    block[1] = char((block[1] & ~3) | gainCode);
    block[2] = char(torque);
    block[5] = char(dcMotorMode ? 1 : 0);
    block[16] = char(temperatureLimit);
    return block;
}

void putLittleEndian32(QByteArray& r, int at, qint32 value)
{
    for (int i = 0; i < 4; ++i)
        r[at + i] = char(quint32(value) >> (8 * i));
}

QByteArray enableCommand(bool enable)
{
    QByteArray report = command(p::CMD_SET_ENABLE);
    report[21] = char(enable ? 1 : 0);
    return report;
}

QByteArray trajectoryCommand(qint32 target, qint32 maxSpeed, qint32 accel, qint32 decel)
{
    QByteArray report = command(p::CMD_WRITE_TRAJECTORY);
    putLittleEndian32(report, 21, target);
    putLittleEndian32(report, 25, maxSpeed);
    putLittleEndian32(report, 29, accel);
    putLittleEndian32(report, 33, decel);
    return report;
}

QList<qint64> fields(const sim::LiveValues& v)
{
    return {v.voltageRaw, v.temperatureRaw, v.inputs, v.driverState, v.mode,
            v.gainCode,   v.torque,         v.faults, v.position,    v.speed};
}

// A model on a clock at 0 ms, driver enabled.
sim::BoardModel enabledModel()
{
    sim::BoardModel model;
    model.advanceTo(0);
    model.setEnabled(true);
    return model;
}

// Supply counts for 24 V +- 0.2 V.
constexpr int kSupplyLow = 330;
constexpr int kSupplyHigh = 336;
constexpr int kFullScaleTorque = 135;
constexpr int kIdleTorque = 122;

sim::BoardConfig bootloaderConfig(bool validSignature)
{
    sim::BoardConfig config;
    config.bootloader = true;
    config.validSignature = validSignature;
    return config;
}

} // namespace

class TestSimulatedBoard : public QObject {
    Q_OBJECT

    timing::VirtualClock clock_;
    timing::Installed installed_{clock_};
    QList<hid_device*> handles_;

    hid_device* open(sim::Board* board)
    {
        hid_device* handle = hid_open_path(board->path().constData());
        if (handle) {
            hid_set_nonblocking(handle, 1);
            handles_ << handle;
        }
        return handle;
    }
    void close(hid_device* handle)
    {
        handles_.removeOne(handle);
        hid_close(handle);
    }
    // A board that stays in its bootloader until told otherwise.
    sim::Board* plugBootloader(bool validSignature)
    {
        sim::Board* board = sim::plug(bootloaderConfig(validSignature));
        board->setBootloaderTimeoutMs(0);
        return board;
    }
    void writeSector(hid_device* handle, int sector, const QByteArray& data)
    {
        for (int sub = 0; sub < 128; ++sub) {
            QByteArray block = bootloaderCommand(p::CMD_BL_WRITE_BLOCK, sector);
            block[4] = char(sub);
            block.replace(5, 32, data.mid(sub * 32, 32));
            QCOMPARE(send(handle, block), 65);
        }
    }
    quint32 readChecksum(hid_device* handle, int sector)
    {
        send(handle, bootloaderCommand(p::CMD_BL_READ_CRC, sector));
        const QByteArray reply = awaitReply(handle, 0x06);
        if (reply.isEmpty() || quint8(reply[16]) != sector)
            return 0xDEADBEEF;
        return be32(reply, 1);
    }
    QByteArray deviceInfo(hid_device* handle)
    {
        send(handle, command(p::CMD_GET_DEVICE_INFO));
        return awaitReply(handle, p::REPLY_DEVICE_INFO);
    }

private slots:
    void init() { sim::reset(); }
    void cleanup()
    {
        for (hid_device* handle : handles_)
            hid_close(handle);
        handles_.clear();
        sim::reset();
        QCOMPARE(sim::openHandleCount(), 0);
    }

    void enumerationListsEveryBoardOnTheBus()
    {
        sim::BoardConfig second;
        second.serial = QStringLiteral("TM4-000002");
        second.product = QStringLiteral("Second axis");
        sim::Board* a = sim::plug();
        sim::Board* b = sim::plug(second);
        QVERIFY(a->path() != b->path());

        hid_device_info* list = hid_enumerate(0, 0);
        QVERIFY(list && list->next && !list->next->next);
        QCOMPARE(QByteArray(list->path), a->path());
        QCOMPARE(list->vendor_id, p::kVendorId);
        QCOMPARE(list->product_id, p::kProductId);
        QCOMPARE(QString::fromWCharArray(list->manufacturer_string), QStringLiteral("Marlox"));
        QCOMPARE(QString::fromWCharArray(list->serial_number), QStringLiteral("TM4-000001"));
        QCOMPARE(QString::fromWCharArray(list->next->serial_number), QStringLiteral("TM4-000002"));
        QCOMPARE(QString::fromWCharArray(list->next->product_string),
                 QStringLiteral("Second axis"));
        hid_free_enumeration(list);

        QVERIFY(open(a));
        QCOMPARE(listedPaths(), (QList<QByteArray>{a->path(), b->path()}));

        list = hid_enumerate(p::kVendorId, p::kProductId);
        QVERIFY(list && list->next);
        hid_free_enumeration(list);
        QVERIFY(!hid_enumerate(0x1111, 0));

        b->unplug();
        QCOMPARE(listedPaths(), QList<QByteArray>{a->path()});
    }

    void openIsExclusive()
    {
        sim::Board* board = sim::plug();
        hid_device* first = open(board);
        QVERIFY(first);
        QVERIFY(board->isOpen());
        QVERIFY(!hid_open_path(board->path().constData()));
        QCOMPARE(sim::openHandleCount(), 1);

        close(first);
        QCOMPARE(sim::openHandleCount(), 0);
        QVERIFY(!board->isOpen());
        hid_device* again = open(board);
        QVERIFY(again);
        close(again);

        board->setOpenFails(true);
        QVERIFY(!hid_open_path(board->path().constData()));
        board->setOpenFails(false);
        board->unplug();
        QVERIFY(!hid_open_path(board->path().constData()));
        QVERIFY(!hid_open_path("sim:99"));
        QCOMPARE(sim::openHandleCount(), 0);
    }

    void deviceInfoReply_data()
    {
        QTest::addColumn<bool>("bootloader");
        QTest::addColumn<bool>("validSignature");
        QTest::addColumn<int>("mode");
        QTest::addColumn<quint32>("signature");
        QTest::newRow("application") << false << true << 0xA5 << 0xBABE3DC2u;
        QTest::newRow("bootloader") << true << true << 0xB0 << 0xBABE3DC2u;
        QTest::newRow("bootloader, unsigned") << true << false << 0xB0 << 0xFFFFFFFFu;
    }
    void deviceInfoReply()
    {
        QFETCH(bool, bootloader);
        QFETCH(bool, validSignature);
        sim::BoardConfig config;
        config.bootloader = bootloader;
        config.validSignature = validSignature;
        config.uniqueId = {{0x11223344u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF01u}};
        config.bootloaderHigh = 0x02;
        config.bootloaderLow = 0x05;
        config.firmwareHigh = 0x03;
        config.firmwareLow = 0x09;
        sim::Board* board = sim::plug(config);
        sim::LiveValues live;
        live.temperatureRaw = 0x1234;
        board->setLive(live);
        hid_device* handle = open(board);

        const QByteArray info = deviceInfo(handle);
        QCOMPARE(info.size(), 64);
        QCOMPARE(QByteArray(info.mid(1, 4)), QByteArray::fromHex("02050309"));
        QTEST(int(quint8(info[5])), "mode");
        QTEST(be32(info, 20), "signature");
        QCOMPARE(info.mid(24, 16), QByteArray::fromHex("11223344 55667788 99aabbcc ddeeff01"));
        QCOMPARE(be16(info, 44), 0x1234);
        QCOMPARE(board->bootloaderRunning(), bootloader);
    }

    void replyIsReadableAfterTheLatencyOnly()
    {
        sim::Board* board = sim::plug();
        board->setReplyLatencyMs(40);
        hid_device* handle = open(board);
        QCOMPARE(send(handle, command(p::CMD_GET_DEVICE_INFO)), 65);
        int n = -1;
        timing::waitMs(39);
        readOnce(handle, &n);
        QCOMPARE(n, 0);
        timing::waitMs(1);
        const QByteArray reply = readOnce(handle);
        QCOMPARE(reply.size(), 64);
        QCOMPARE(quint8(reply[15]), p::REPLY_DEVICE_INFO);

        // Opening anew starts with an empty queue, also for replies under way.
        send(handle, command(p::CMD_GET_DEVICE_INFO));
        close(handle);
        handle = open(board);
        QVERIFY(awaitReply(handle, p::REPLY_DEVICE_INFO, 100).isEmpty());
    }

    void valuesRoundTripAndSave()
    {
        sim::Board* board = sim::plug();
        hid_device* handle = open(board);
        send(handle, command(p::CMD_GET_VALUES));
        QCOMPARE(awaitReply(handle, p::REPLY_VALUES).mid(40, 21), kDefaultBlock);

        // Offsets 16 and 17 of the write block are not part of the image.
        QByteArray write = command(p::CMD_WRITE_VALUES);
        write.replace(21, 23,
                      QByteArray::fromHex("0102030405060708090a0b0c0d0e 0f10 ee03 2d 1112 1314"));
        const QByteArray image =
            QByteArray::fromHex("0102030405060708090a0b0c0d0e 0f10 2d 1112 1314");
        send(handle, write);
        QCOMPARE(board->registers(), image);
        send(handle, command(p::CMD_GET_VALUES));
        QCOMPARE(awaitReply(handle, p::REPLY_VALUES).mid(40, 21), image);

        // Only a saved image survives a power cycle.
        board->replug();
        QCOMPARE(board->registers(), kDefaultBlock);
        handle = open(board);
        send(handle, write);
        send(handle, command(p::CMD_SAVE_VALUES));
        board->replug();
        QCOMPARE(board->registers(), image);
    }

    void nameRoundTrip()
    {
        sim::Board* board = sim::plug();
        hid_device* handle = open(board);
        send(handle, command(p::CMD_GET_NAME));
        QByteArray reply = awaitReply(handle, p::REPLY_NAME);
        QCOMPARE(reply.mid(16, 32), QByteArray("Bench axis").leftJustified(32, '\0'));

        QByteArray raw("AB\0CD\x7f", 6);
        raw = raw.leftJustified(32, 'z');
        QByteArray set = command(p::CMD_SET_NAME);
        set.replace(3, 32, raw);
        set[35] = 'X'; // beyond the 32 name bytes
        send(handle, set);
        QCOMPARE(board->name(), raw);
        send(handle, command(p::CMD_GET_NAME));
        reply = awaitReply(handle, p::REPLY_NAME);
        QCOMPARE(reply.mid(16, 32), raw);
    }

    void scrambledReportsAreDescrambled_data()
    {
        QTest::addColumn<quint32>("w0");
        QTest::addColumn<quint32>("w3");
        QTest::addColumn<int>("random");
        QTest::newRow("default id, random 0") << 0x12345678u << 0x4B5A6978u << 0x00;
        QTest::newRow("default id, random 0xFF") << 0x12345678u << 0x4B5A6978u << 0xFF;
        QTest::newRow("other id") << 0xCAFEF00Du << 0x0BADBEEFu << 0x96;
    }
    void scrambledReportsAreDescrambled()
    {
        QFETCH(quint32, w0);
        QFETCH(quint32, w3);
        QFETCH(int, random);
        sim::BoardConfig config;
        config.uniqueId = {{w0, 0x9ABCDEF0u, 0x0F1E2D3Cu, w3}};
        sim::Board* board = sim::plug(config);
        hid_device* handle = open(board);
        const quint32 key = w0 ^ 0x9ABCDEF0u ^ 0x0F1E2D3Cu ^ w3;

        // Every scrambled byte holds something, so each band must come back.
        QByteArray built = command(p::CMD_SET_NAME);
        for (int i = 3; i <= 62; ++i)
            built[i] = char(i * 7 + 1);
        QByteArray wire = built;
        support::scramble(wire, key, quint8(random));
        QVERIFY(wire.mid(3, 60) != built.mid(3, 60));
        QCOMPARE(send(handle, wire), 65);

        const sim::Report got = board->received().last();
        QVERIFY(got.scrambled());
        QCOMPARE(got.at(64), quint8(random | 0x29));
        QCOMPARE(got.bytes.left(63), built.left(63));
        QCOMPARE(board->name(), built.mid(3, 32));
    }

    void streamCarriesLiveValuesAtItsRate()
    {
        sim::Board* board = sim::plug();
        sim::LiveValues live;
        live.voltageRaw = 0x0123;
        live.temperatureRaw = 0x0456;
        live.inputs = 0x45;
        live.driverState = 4;
        live.mode = 3;
        live.gainCode = 2;
        live.torque = 135;
        live.faults = 0x21;
        live.position = -2;
        live.speed = -300000;
        board->setLive(live);
        board->setStreamRate(200);
        hid_device* handle = open(board);

        QVERIFY(awaitReply(handle, p::REPLY_REAL_TIME, 50).isEmpty());
        QVERIFY(!board->streaming());
        send(handle, command(p::CMD_RT_STREAM));
        QVERIFY(board->streaming());

        const QByteArray report = awaitReply(handle, p::REPLY_REAL_TIME);
        QCOMPARE(report.size(), 64);
        QCOMPARE(quint8(report[6]), quint8(0x45));
        QCOMPARE(be16(report, 8), 0x0123);
        QCOMPARE(be32(report, 20), 0xFFFFFFFEu);
        QCOMPARE(qint32(be32(report, 24)), -300000);
        QCOMPARE(be16(report, 44), 0x0456);
        QCOMPARE(report.mid(46, 4), QByteArray::fromHex("04030287"));
        QCOMPARE(quint8(report[54]), quint8(0x21));

        // 300 ms at 200 reports a second.
        timing::waitMs(300);
        int count = 0;
        while (readOnce(handle).size() == 64)
            ++count;
        QCOMPARE(count, 60);
    }

    void streamQueueKeepsTheOldest64()
    {
        sim::Board* board = sim::plug();
        board->setStreamRate(400);
        hid_device* handle = open(board);
        sim::LiveValues live;
        live.position = 1;
        board->setLive(live);
        send(handle, command(p::CMD_RT_STREAM));
        timing::waitMs(300); // 120 reports fall due
        live.position = 2;
        board->setLive(live);

        int older = 0;
        QByteArray report;
        while ((report = readOnce(handle)).size() == 64 && be32(report, 20) == 1)
            ++older;
        QCOMPARE(older, 64);
    }

    void streamNoise()
    {
        sim::Board* board = sim::plug();
        board->setLive(board->live()); // held, so that every real report is the same
        board->setStreamRate(500);
        board->setStreamNoise(3, 5);
        hid_device* handle = open(board);
        send(handle, command(p::CMD_RT_STREAM));

        QList<QByteArray> reports;
        QVERIFY(waitFor(
            [&] {
                const QByteArray r = readOnce(handle);
                if (!r.isEmpty())
                    reports << r;
                return reports.size() >= 15;
            },
            500));
        for (int n = 1; n <= 15; ++n) {
            const QByteArray& r = reports[n - 1];
            if (n % 3 == 0) {
                QCOMPARE(r.size(), 64);
                QVERIFY(quint8(r[15]) != 0xA0);
            } else if (n % 5 == 0) {
                QCOMPARE(r, reports[0].left(10));
            } else {
                QCOMPARE(r, reports[0]);
            }
        }
    }

    void enableCommandDrivesInputAndState()
    {
        sim::Board* board = sim::plug();
        hid_device* handle = open(board);
        QByteArray enable = command(p::CMD_SET_ENABLE);
        enable[21] = 1;
        send(handle, enable);
        QVERIFY(board->live().inputs & 0x02);
        QCOMPARE(board->live().driverState, std::uint8_t(3));
        send(handle, command(p::CMD_RT_STREAM));
        const QByteArray report = awaitReply(handle, p::REPLY_REAL_TIME);
        QCOMPARE(quint8(report[6]) & 0x02, 0x02);
        QCOMPARE(quint8(report[46]), quint8(3));

        enable[21] = 0;
        send(handle, enable);
        QVERIFY(!(board->live().inputs & 0x02));
        QCOMPARE(board->live().driverState, std::uint8_t(1));
    }

    void motionCommandsAreEchoed_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("step frequency") << int(p::CMD_SET_STEP_FREQ);
        QTest::newRow("pwm") << int(p::CMD_SET_PWM);
        QTest::newRow("trajectory") << int(p::CMD_WRITE_TRAJECTORY);
    }
    void motionCommandsAreEchoed()
    {
        QFETCH(int, code);
        hid_device* handle = open(sim::plug());
        send(handle, command(std::uint8_t(code)));
        QVERIFY(!awaitReply(handle, std::uint8_t(code)).isEmpty());
    }

    void trajectoryProfiles_data()
    {
        QTest::addColumn<double>("startPosition");
        QTest::addColumn<double>("startSpeed");
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("maxSpeed");
        QTest::addColumn<double>("accel");
        QTest::addColumn<double>("decel");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("speed");
        // Too short for the maximum speed: peaks at 3162 steps/s after 0.316 s.
        QTest::newRow("triangle, accelerating")
            << 0.0 << 0.0 << 1000.0 << 1e5 << 1e4 << 1e4 << 0.2 << 200.0 << 2000.0;
        QTest::newRow("triangle, arrived")
            << 0.0 << 0.0 << 1000.0 << 1e5 << 1e4 << 1e4 << 1.0 << 1000.0 << 0.0;
        // 1 s up to 1000 steps/s, 9 s cruising, 1 s down.
        QTest::newRow("trapezoid, cruising")
            << 0.0 << 0.0 << 10000.0 << 1000.0 << 1000.0 << 1000.0 << 5.0 << 4500.0 << 1000.0;
        QTest::newRow("trapezoid, braking")
            << 0.0 << 0.0 << 10000.0 << 1000.0 << 1000.0 << 1000.0 << 10.5 << 9875.0 << 500.0;
        QTest::newRow("trapezoid, arrived")
            << 0.0 << 0.0 << 10000.0 << 1000.0 << 1000.0 << 1000.0 << 12.0 << 10000.0 << 0.0;
        // Peak 1265 steps/s after 1.265 s, then 0.316 s of braking.
        QTest::newRow("reverse, unequal ramps")
            << 0.0 << 0.0 << -1000.0 << 1e6 << 1000.0 << 4000.0 << 1.0 << -500.0 << -1000.0;
        QTest::newRow("reverse, arrived")
            << 0.0 << 0.0 << -1000.0 << 1e6 << 1000.0 << 4000.0 << 1.6 << -1000.0 << 0.0;
        QTest::newRow("heading away, stops first")
            << 0.0 << 1000.0 << -100.0 << 1000.0 << 1000.0 << 1000.0 << 1.0 << 500.0 << 0.0;
        QTest::newRow("heading away, comes back")
            << 0.0 << 1000.0 << -100.0 << 1000.0 << 1000.0 << 1000.0 << 3.0 << -100.0 << 0.0;
        QTest::newRow("too fast to stop, overshoots")
            << 0.0 << 1000.0 << 100.0 << 1000.0 << 1000.0 << 1000.0 << 1.0 << 500.0 << 0.0;
        QTest::newRow("too fast to stop, comes back")
            << 0.0 << 1000.0 << 100.0 << 1000.0 << 1000.0 << 1000.0 << 3.0 << 100.0 << 0.0;
        QTest::newRow("maximum speed lowered")
            << 0.0 << 2000.0 << 1e5 << 1000.0 << 1000.0 << 1000.0 << 1.0 << 1500.0 << 1000.0;
        QTest::newRow("no acceleration, holds")
            << 5.0 << 300.0 << 1000.0 << 1000.0 << 0.0 << 1000.0 << 1.0 << 5.0 << 0.0;
        QTest::newRow("no speed, holds")
            << 5.0 << 0.0 << 1000.0 << 0.0 << 1000.0 << 1000.0 << 1.0 << 5.0 << 0.0;
    }
    void trajectoryProfiles()
    {
        QFETCH(double, startPosition);
        QFETCH(double, startSpeed);
        QFETCH(double, target);
        QFETCH(double, maxSpeed);
        QFETCH(double, accel);
        QFETCH(double, decel);
        QFETCH(double, seconds);
        QFETCH(double, position);
        QFETCH(double, speed);
        const sim::Profile profile{maxSpeed, accel, decel};

        // In one go and in millisecond slices, as the board runs it: the same.
        sim::Axis whole{startPosition, startSpeed};
        sim::moveTowards(whole, target, profile, seconds);
        sim::Axis sliced{startPosition, startSpeed};
        for (int ms = 0; ms < qRound(seconds * 1000); ++ms)
            sim::moveTowards(sliced, target, profile, 0.001);

        for (const sim::Axis& axis : {whole, sliced}) {
            if (position == target) {
                QCOMPARE(axis.position, target); // exactly on it
                QCOMPARE(axis.speed, 0.0);
            }
            QVERIFY2(qAbs(axis.position - position) < 1e-6 * qMax(1.0, qAbs(position)),
                     qPrintable(QString::number(axis.position, 'f', 9)));
            QVERIFY2(qAbs(axis.speed - speed) < 1e-6 * qMax(1.0, qAbs(speed)),
                     qPrintable(QString::number(axis.speed, 'f', 9)));
        }
    }

    void stepRate_data()
    {
        QTest::addColumn<qint32>("divider");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("speed");
        QTest::newRow("100 forward") << 47999 << true << 100;
        QTest::newRow("1000 reverse") << 4799 << false << -1000;
        QTest::newRow("fastest dial setting") << 18 << false << -252631;
        QTest::newRow("divider 0") << 0 << true << 4800000;
        QTest::newRow("stopped") << -1 << true << 0;
    }
    void stepRate()
    {
        QFETCH(qint32, divider);
        QFETCH(bool, forward);
        QFETCH(int, speed);
        sim::BoardModel model;
        model.advanceTo(0);
        model.setStepRate(divider, forward);
        model.advanceTo(1000);
        QCOMPARE(model.values().mode, std::uint8_t(2));
        QCOMPARE(model.values().position, 0); // asleep: no steps
        QCOMPARE(model.values().speed, 0);

        model.setEnabled(true);
        QCOMPARE(model.values().speed, speed);
        model.advanceTo(3000);
        const sim::LiveValues v = model.values();
        QCOMPARE(v.position, 2 * speed);
        QCOMPARE(v.speed, speed);
        QCOMPARE(v.driverState, std::uint8_t(speed ? 2 : 3));
        QCOMPARE(int(v.torque), speed ? kFullScaleTorque : kIdleTorque);
        QCOMPARE(int(v.gainCode), speed ? 2 : 3);
    }

    void trajectoryWaitsForTheEnableInput()
    {
        // 1000 steps at most 1000 steps/s and 1000 steps/s^2: 2 s from rest.
        sim::BoardModel model;
        model.advanceTo(0);
        model.setTrajectory(1000, 1000, 1000, 1000);
        model.advanceTo(1000);
        sim::LiveValues v = model.values();
        QCOMPARE(v.mode, std::uint8_t(4));
        QCOMPARE(v.position, 0);
        QCOMPARE(v.driverState, std::uint8_t(1));
        QCOMPARE(v.torque, std::uint8_t(0));

        model.setEnabled(true);
        model.advanceTo(2000);
        v = model.values();
        QCOMPARE(v.position, 500);
        QCOMPARE(v.speed, 1000);
        QCOMPARE(v.driverState, std::uint8_t(2));
        QCOMPARE(int(v.torque), kFullScaleTorque);

        // Asleep mid-move it stops dead and holds; woken, it goes on from rest.
        model.setEnabled(false);
        QCOMPARE(model.values().speed, 0);
        model.advanceTo(3000);
        QCOMPARE(model.values().position, 500);
        model.setEnabled(true);
        model.advanceTo(3500);
        QVERIFY(model.values().speed > 0 && model.values().speed < 1000);
        model.advanceTo(5000);
        v = model.values();
        QCOMPARE(v.position, 1000);
        QCOMPARE(v.speed, 0);
        QCOMPARE(v.driverState, std::uint8_t(3));
        QCOMPARE(int(v.torque), kIdleTorque);
        QCOMPARE(int(v.gainCode), 3);
    }

    void trajectoryCommandsWhileMoving()
    {
        sim::BoardModel model = enabledModel();
        model.setTrajectory(100000, 1000, 1000, 1000);
        model.advanceTo(2000); // cruising since 1 s
        QCOMPARE(model.values().position, 1500);

        // A new maximum speed bends the move: no jump in speed.
        model.setTrajectory(100000, 500, 1000, 1000);
        QCOMPARE(model.values().speed, 1000);
        model.advanceTo(3000); // 0.5 s slowing down, 0.5 s at 500 steps/s
        QCOMPARE(model.values().position, 2125);
        QCOMPARE(model.values().speed, 500);

        // Stop brakes with the deceleration: 125 steps in 0.5 s.
        model.setTrajectory(100000, 500, 1000, 1000);
        model.stopTrajectory();
        model.advanceTo(3250);
        QVERIFY(model.values().speed > 0);
        model.advanceTo(4000);
        QCOMPARE(model.values().position, 2250);
        QCOMPARE(model.values().speed, 0);

        // Home moves the target with the position, so nothing moves after it.
        model.setHome();
        model.advanceTo(5000);
        QCOMPARE(model.values().position, 0);
        QCOMPARE(model.values().speed, 0);

        // A profile that cannot move stops at once.
        model.setTrajectory(-10000, 1000, 1000, 1000);
        model.advanceTo(6000);
        QCOMPARE(model.values().speed, -1000);
        model.setTrajectory(-10000, 1000, 0, 1000);
        QCOMPARE(model.values().speed, 0);
        model.advanceTo(7000);
        QCOMPARE(model.values().position, -500);
    }

    void pwmNeedsDcMotorMode_data()
    {
        QTest::addColumn<bool>("dcMotorMode");
        QTest::addColumn<int>("duty");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("torque");
        QTest::newRow("DC motor mode, running") << true << 40 << 3 << 5 << kFullScaleTorque;
        QTest::newRow("DC motor mode, duty 0") << true << 0 << 3 << 5 << 0;
        QTest::newRow("stepper: ignored") << false << 40 << 2 << 3 << kIdleTorque;
    }
    void pwmNeedsDcMotorMode()
    {
        QFETCH(bool, dcMotorMode);
        QFETCH(int, duty);
        sim::BoardModel model = enabledModel();
        model.setDriverRegisters(valuesBlock(dcMotorMode));
        model.setStepRate(-1, true); // a mode to stay in
        model.setPwm({0, std::uint8_t(duty), 0, 0});
        sim::LiveValues v = model.values();
        QTEST(int(v.mode), "mode");
        QTEST(int(v.driverState), "state");
        QTEST(int(v.torque), "torque");

        // Back to stepper outputs: the PWM stops.
        model.setDriverRegisters(valuesBlock(false));
        if (dcMotorMode)
            QCOMPARE(model.values().mode, std::uint8_t(1));
        model.setPwm({0, 40, 0, 0});
        QVERIFY(model.values().mode != 3);
    }

    void temperatureFollowsTheCurrent()
    {
        // 2.2 A full scale settles near 44 degC with a 30 s time constant.
        sim::BoardModel model = enabledModel();
        model.setStepRate(47999, true);
        model.advanceTo(10000);
        const double warm = model.values().temperatureRaw * 0.125;
        QVERIFY2(warm > 27 && warm < 35, qPrintable(QString::number(warm)));
        model.advanceTo(600000);
        const double settled = model.values().temperatureRaw * 0.125;
        QVERIFY2(settled > 40 && settled < 48, qPrintable(QString::number(settled)));
        model.setEnabled(false);
        model.advanceTo(1200000);
        QCOMPARE(model.values().temperatureRaw, std::uint16_t(200));

        // 6 A against a 60 degC limit: shutdown, and no steps until it has
        // cooled and the faults are reset.
        model.setDriverRegisters(valuesBlock(false, 60, 184, 1));
        model.setEnabled(true);
        model.advanceTo(1260000);
        sim::LiveValues v = model.values();
        QCOMPARE(v.faults, std::uint8_t(0x01));
        QCOMPARE(v.driverState, std::uint8_t(4));
        QCOMPARE(v.torque, std::uint8_t(0));
        QCOMPARE(v.speed, 0);
        model.resetFaults();
        QCOMPARE(model.values().faults, std::uint8_t(0x01)); // still too hot
        const qint32 stoppedAt = model.values().position;
        model.advanceTo(1860000);
        QCOMPARE(model.values().position, stoppedAt);
        model.resetFaults();
        QCOMPARE(model.values().faults, std::uint8_t(0));
        QCOMPARE(model.values().speed, 100);
    }

    void supplyRipplesAndLowSupplyStopsTheDriver()
    {
        sim::BoardModel model;
        QSet<int> seen;
        for (int ms = 0; ms <= 2000; ms += 10) {
            model.advanceTo(ms);
            const int raw = model.values().voltageRaw;
            QVERIFY2(raw >= kSupplyLow && raw <= kSupplyHigh, qPrintable(QString::number(raw)));
            seen.insert(raw);
        }
        QVERIFY(seen.size() >= 3);

        // 7.9 V given, then a command: no motor power, nothing moves.
        sim::LiveValues low;
        low.voltageRaw = 110;
        low.inputs = 0x02;
        model.setValues(low);
        model.setTrajectory(1000, 1000, 1000, 1000);
        model.advanceTo(3000);
        sim::LiveValues v = model.values();
        QCOMPARE(v.driverState, std::uint8_t(0));
        QCOMPARE(v.position, 0);
        QCOMPARE(v.torque, std::uint8_t(0));
        QCOMPARE(v.voltageRaw, std::uint16_t(110));

        // The supply back, the remembered move runs.
        model.releaseValues();
        QVERIFY(model.values().voltageRaw >= kSupplyLow);
        model.advanceTo(5500);
        QCOMPARE(model.values().position, 1000);
    }

    void givenValuesHoldUntilACommandDrivesThem()
    {
        sim::BoardModel model;
        model.advanceTo(0);
        sim::LiveValues given;
        given.voltageRaw = 0x0123;
        given.temperatureRaw = 0x0456;
        given.inputs = 0x45;
        given.driverState = 2;
        given.mode = 4;
        given.gainCode = 1;
        given.torque = 99;
        given.faults = 0x10;
        given.position = -2;
        given.speed = -300000;
        model.setValues(given);
        model.advanceTo(5000);
        sim::LiveValues v = model.values();
        QCOMPARE(fields(v), fields(given));

        // Enabling drives state, current and speed; a predriver fault keeps
        // the bridges off. Supply and temperature stay as given.
        model.setEnabled(true);
        v = model.values();
        QCOMPARE(v.inputs, std::uint8_t(0x47));
        QCOMPARE(v.driverState, std::uint8_t(3));
        QCOMPARE(v.torque, std::uint8_t(0));
        QCOMPARE(v.speed, 0);
        QCOMPARE(v.position, -2);
        QCOMPARE(v.voltageRaw, std::uint16_t(0x0123));
        QCOMPARE(v.temperatureRaw, std::uint16_t(0x0456));

        model.resetFaults();
        QCOMPARE(model.values().faults, std::uint8_t(0));
        QCOMPARE(int(model.values().torque), kIdleTorque);
        model.releaseValues();
        QVERIFY(model.values().voltageRaw >= kSupplyLow);
        QCOMPARE(model.values().temperatureRaw, std::uint16_t(200));
    }

    void streamReportsFollowTheMoveAtTheirOwnTime()
    {
        sim::Board* board = sim::plug();
        board->setStreamRate(50);
        hid_device* handle = open(board);
        send(handle, command(p::CMD_RT_STREAM));
        send(handle, enableCommand(true));
        // 1000 steps at 2000 steps/s, 20 ms up and 20 ms down: 0.52 s.
        const qint64 sentAt = sim::nowMs();
        send(handle, trajectoryCommand(1000, 2000, 100000, 100000));
        QCOMPARE(board->live().position, 0);
        QCOMPARE(board->live().mode, std::uint8_t(4));

        // Nothing is read meanwhile: every report is made at the read, yet
        // each tells the state at the time it fell due, 2 ms after the stream
        // was asked for and every 20 ms after that.
        sleepUntil(sentAt + 1000);
        QList<QByteArray> reports;
        QByteArray r;
        while ((r = readOnce(handle)).size() == 64)
            if (quint8(r[15]) == p::REPLY_REAL_TIME)
                reports << r;
        QCOMPARE(reports.size(), 50);
        int moving = 0;
        for (int i = 0; i < reports.size(); ++i) {
            const qint32 position = qint32(be32(reports[i], 20));
            const qint32 speed = qint32(be32(reports[i], 24));
            QVERIFY(speed >= 0 && speed <= 2000);
            if (i > 0)
                QVERIFY(position >= qint32(be32(reports[i - 1], 20)));
            if (position > 0 && position < 1000) {
                ++moving;
                QCOMPARE(quint8(reports[i][46]), quint8(2));
                QCOMPARE(int(quint8(reports[i][49])), kFullScaleTorque);
            }
        }
        QCOMPARE(moving, 25); // from 22 ms to 502 ms
        const QByteArray last = reports.last();
        QCOMPARE(be32(last, 20), 1000u);
        QCOMPARE(be32(last, 24), 0u);
        QCOMPARE(quint8(last[46]), quint8(3));
        QCOMPARE(quint8(last[47]), quint8(4));
    }

    void wireCommandsReachTheModel()
    {
        sim::Board* board = sim::plug();
        board->setRestartOffBusMs(10);
        hid_device* handle = open(board);
        send(handle, enableCommand(true));

        // Acceleration before deceleration: up at once, then braking at 1
        // step/s^2 from about 45 steps/s for most of a minute.
        send(handle, trajectoryCommand(1000, 2000, 100000, 1));
        timing::waitMs(50);
        QCOMPARE(board->live().speed, 45);
        send(handle, command(p::CMD_SET_HOME));
        QCOMPARE(board->live().position, 0);

        QByteArray step = command(p::CMD_SET_STEP_FREQ);
        putLittleEndian32(step, 21, 4799);
        step[25] = 0;
        send(handle, step);
        QCOMPARE(board->live().speed, -1000);
        QCOMPARE(board->live().mode, std::uint8_t(2));

        QByteArray values = command(p::CMD_WRITE_VALUES);
        values.replace(21, 16, valuesBlock(true).left(16));
        send(handle, values);
        QByteArray pwm = command(p::CMD_SET_PWM);
        putLittleEndian32(pwm, 21, 23);
        pwm.replace(25, 4, QByteArray::fromHex("00281900"));
        send(handle, pwm);
        QCOMPARE(board->live().mode, std::uint8_t(3));
        QCOMPARE(board->live().driverState, std::uint8_t(5));
        QCOMPARE(int(board->live().torque), kFullScaleTorque);

        sim::LiveValues faulted = board->live();
        faulted.faults = 0x06;
        board->setLive(faulted);
        send(handle, command(p::CMD_RESET_FAULTS));
        QCOMPARE(board->live().faults, std::uint8_t(0));

        // A restart starts the board afresh.
        send(handle, command(p::CMD_RESTART));
        QVERIFY(waitFor([&] { return listed(board); }, 300));
        const sim::LiveValues v = board->live();
        QCOMPARE(v.inputs & 0x02, 0);
        QCOMPARE(v.driverState, std::uint8_t(1));
        QCOMPARE(v.mode, std::uint8_t(1));
        QCOMPARE(v.position, 0);
    }

    void restartGoesToBootloaderAndBack()
    {
        sim::Board* board = sim::plug();
        board->setRestartOffBusMs(60);
        board->setBootloaderTimeoutMs(0);
        hid_device* handle = open(board);
        send(handle, command(p::CMD_RT_STREAM));

        const qint64 restartAt = sim::nowMs();
        QCOMPARE(send(handle, command(p::CMD_RESTART)), 65);
        int n = 0;
        readOnce(handle, &n);
        QCOMPARE(n, -1);
        QCOMPARE(send(handle, command(p::CMD_GET_DEVICE_INFO)), -1);
        QVERIFY(!listed(board));
        QVERIFY(!hid_open_path(board->path().constData()));
        QCOMPARE(sim::openHandleCount(), 1); // the dead handle until it is closed
        close(handle);

        QVERIFY(waitFor([&] { return listed(board); }, 400));
        QCOMPARE(sim::nowMs() - restartAt, qint64(60));
        QCOMPARE(board->restarts(), 1);
        QVERIFY(!board->streaming());
        handle = open(board);
        QCOMPARE(quint8(deviceInfo(handle)[5]), quint8(0xB0));

        send(handle, command(p::CMD_RESTART));
        QVERIFY(waitFor([&] { return listed(board); }, 400));
        QCOMPARE(board->restarts(), 2);
        QVERIFY(!board->bootloaderRunning());
    }

    void bootloaderStartsItsApplicationWhenLeftAlone_data()
    {
        QTest::addColumn<bool>("validSignature");
        QTest::addColumn<bool>("keepBusy");
        QTest::addColumn<bool>("starts");
        QTest::newRow("signed, idle") << true << false << true;
        QTest::newRow("signed, flashing") << true << true << false;
        QTest::newRow("unsigned, idle") << false << false << false;
    }
    void bootloaderStartsItsApplicationWhenLeftAlone()
    {
        QFETCH(bool, validSignature);
        QFETCH(bool, keepBusy);
        QFETCH(bool, starts);
        sim::Board* board = sim::plug(bootloaderConfig(validSignature));
        const qint64 pluggedAt = sim::nowMs();
        board->setBootloaderTimeoutMs(80);
        board->setRestartOffBusMs(20);
        hid_device* handle = open(board);

        // Device-info requests are no bootloader work; checksum reads are.
        const std::uint8_t code = keepBusy ? p::CMD_BL_READ_CRC : p::CMD_GET_DEVICE_INFO;
        for (int at = 0; at <= (keepBusy ? 160 : 30); at += keepBusy ? 20 : 30) {
            sleepUntil(pluggedAt + at);
            QCOMPARE(send(handle, bootloaderCommand(code, 2)), 65);
        }
        // The departure fell due while nobody called; the first read must see it.
        sleepUntil(sim::nowMs() + (keepBusy ? 30 : 100));
        int n = 0;
        readOnce(handle, &n);
        QCOMPARE(n < 0, starts);
        if (!starts) {
            QVERIFY(board->bootloaderRunning());
            return;
        }
        QVERIFY(waitFor([&] { return listed(board); }, 300));
        QVERIFY(!board->bootloaderRunning());
        QCOMPARE(board->restarts(), 1);
    }

    void sectorChecksums_data()
    {
        QTest::addColumn<QByteArray>("sector");
        QTest::addColumn<quint32>("checksum");
        QByteArray ramp(4096, '\0');
        for (int i = 0; i < 4096; ++i)
            ramp[i] = char(i % 256);
        QTest::newRow("zeros") << QByteArray(4096, '\0') << 0u;
        QTest::newRow("ones") << QByteArray(4096, char(0xFF)) << 0xA0000280u;
        QTest::newRow("ramp") << ramp << 0xD2D2D78Fu;
    }
    void sectorChecksums()
    {
        QFETCH(QByteArray, sector);
        sim::Board* board = plugBootloader(true);
        hid_device* handle = open(board);
        send(handle, bootloaderCommand(p::CMD_BL_ERASE, 3));
        writeSector(handle, 3, sector);
        QCOMPARE(board->flash().mid(3 * 4096, 4096), sector);
        QTEST(readChecksum(handle, 3), "checksum");
    }

    void flashingCycle()
    {
        sim::Board* board = plugBootloader(true);
        board->setRestartOffBusMs(10);
        hid_device* handle = open(board);
        const QByteArray original = board->flash();
        QCOMPARE(deviceInfo(handle).mid(3, 2), QByteArray::fromHex("0103"));

        send(handle, bootloaderCommand(p::CMD_BL_ERASE, 2));
        QVERIFY(!board->signatureValid());
        QCOMPARE(board->flash().mid(2 * 4096, 4096), QByteArray(4096, char(0xFF)));
        QCOMPARE(board->flash().mid(3 * 4096), original.mid(3 * 4096));
        QByteArray info = deviceInfo(handle);
        QCOMPARE(info.mid(3, 2), QByteArray::fromHex("ffff"));
        QCOMPARE(be32(info, 20), 0xFFFFFFFFu);

        // The bootloader keeps its own sectors.
        send(handle, bootloaderCommand(p::CMD_BL_ERASE, 0));
        QByteArray block = bootloaderCommand(p::CMD_BL_WRITE_BLOCK, 1);
        block.replace(5, 32, QByteArray(32, '\0'));
        send(handle, block);
        QCOMPARE(board->flash().left(2 * 4096), original.left(2 * 4096));

        // Unsigned, a restart comes back in the bootloader.
        send(handle, command(p::CMD_RESTART));
        QVERIFY(waitFor([&] { return listed(board); }, 300));
        QVERIFY(board->bootloaderRunning());
        close(handle);
        handle = open(board);

        // The version tag at 0x2100 is subsector 8 of sector 2.
        block = bootloaderCommand(p::CMD_BL_WRITE_BLOCK, 2);
        block[4] = 8;
        block.replace(5, 6, QByteArray("TM4V\x02\x07", 6));
        send(handle, block);
        QCOMPARE(deviceInfo(handle).mid(3, 2), QByteArray::fromHex("0207"));

        QByteArray signature = command(p::CMD_BL_WRITE_SIGNATURE);
        signature.replace(8, 4, QByteArray::fromHex("babe3dc2"));
        send(handle, signature);
        QVERIFY(board->signatureValid());
        QCOMPARE(be32(deviceInfo(handle), 20), 0xBABE3DC2u);

        const quint32 sector4 = readChecksum(handle, 4);
        const quint32 sector5 = readChecksum(handle, 5);
        board->setWrongChecksumSector(5);
        QVERIFY(readChecksum(handle, 5) != sector5);
        QCOMPARE(readChecksum(handle, 4), sector4);

        send(handle, command(p::CMD_RESTART));
        QVERIFY(waitFor([&] { return listed(board); }, 300));
        QVERIFY(!board->bootloaderRunning());
        QCOMPARE(board->restarts(), 2);
    }

    void eachModeIgnoresTheOthersCommands()
    {
        sim::Board* app = sim::plug();
        hid_device* handle = open(app);
        const QByteArray flash = app->flash();
        send(handle, bootloaderCommand(p::CMD_BL_ERASE, 2));
        send(handle, bootloaderCommand(p::CMD_BL_READ_CRC, 2));
        QCOMPARE(app->flash(), flash);
        QVERIFY(app->signatureValid());
        QVERIFY(awaitReply(handle, 0x06, 30).isEmpty());

        sim::Board* bootloader = plugBootloader(true);
        handle = open(bootloader);
        QByteArray write = command(p::CMD_WRITE_VALUES);
        write.replace(21, 23, QByteArray(23, char(0x77)));
        send(handle, write);
        QCOMPARE(bootloader->registers(), kDefaultBlock);
        send(handle, command(p::CMD_RT_STREAM));
        send(handle, command(p::CMD_GET_VALUES));
        QVERIFY(!bootloader->streaming());
        int n = -1;
        timing::waitMs(20);
        readOnce(handle, &n);
        QCOMPARE(n, 0);
    }

    void oneShotIoFailures()
    {
        sim::Board* board = sim::plug();
        hid_device* handle = open(board);
        board->failNextWrite();
        QCOMPARE(send(handle, command(p::CMD_GET_DEVICE_INFO)), -1);
        QVERIFY(board->received().isEmpty());
        QCOMPARE(send(handle, command(p::CMD_GET_DEVICE_INFO)), 65);
        QCOMPARE(board->received().size(), 1);

        timing::waitMs(10);
        board->failNextRead();
        int n = 0;
        readOnce(handle, &n);
        QCOMPARE(n, -1);
        QCOMPARE(readOnce(handle).size(), 64); // the reply was kept
        QVERIFY(board->onBus());
    }

    void silentAndIgnoringBoardsStillRecord()
    {
        sim::Board* board = sim::plug();
        hid_device* handle = open(board);
        board->setSilent(true);
        send(handle, command(p::CMD_GET_DEVICE_INFO));
        send(handle, command(p::CMD_RT_STREAM));
        timing::waitMs(30);
        int n = -1;
        readOnce(handle, &n);
        QCOMPARE(n, 0);
        QCOMPARE(board->received().size(), 2);
        board->setSilent(false);
        QVERIFY(!awaitReply(handle, p::REPLY_REAL_TIME).isEmpty());

        board->ignoreCommand(p::CMD_GET_VALUES);
        send(handle, command(p::CMD_GET_VALUES));
        send(handle, command(p::CMD_GET_NAME));
        QVERIFY(!awaitReply(handle, p::REPLY_NAME).isEmpty());
        QVERIFY(awaitReply(handle, p::REPLY_VALUES, 30).isEmpty());
        QCOMPARE(board->receivedWithCode(p::CMD_GET_VALUES).size(), 1);
        board->ignoreCommand(p::CMD_GET_VALUES, false);
        send(handle, command(p::CMD_GET_VALUES));
        QVERIFY(!awaitReply(handle, p::REPLY_VALUES).isEmpty());
    }

    void unplugAfterReports()
    {
        sim::Board* board = sim::plug();
        hid_device* handle = open(board);
        send(handle, command(p::CMD_RT_STREAM));
        board->unplugAfterReports(2);
        QCOMPARE(send(handle, command(p::CMD_GET_NAME)), 65);
        QVERIFY(board->onBus());
        QCOMPARE(send(handle, command(p::CMD_GET_NAME)), 65);
        QVERIFY(!board->onBus());
        QCOMPARE(send(handle, command(p::CMD_GET_NAME)), -1);
        QVERIFY(!listed(board));
        QCOMPARE(board->received().size(), 3);

        board->replug();
        QVERIFY(listed(board));
        QVERIFY(!board->streaming());
        QVERIFY(open(board));
    }

    void injectedReportsAreReadAsGiven()
    {
        sim::Board* board = sim::plug();
        hid_device* handle = open(board);
        const QByteArray shortReport = QByteArray::fromHex("00112233445566778899");
        board->injectReport(shortReport);
        board->injectReport(QByteArray(64, char(0x81)));
        QCOMPARE(readOnce(handle), shortReport);
        QCOMPARE(readOnce(handle), QByteArray(64, char(0x81)));
    }

    void resetRemovesBoardsAndStrandsHandles()
    {
        hid_device* handle = open(sim::plug());
        sim::reset();
        QVERIFY(sim::boards().isEmpty());
        QVERIFY(listedPaths().isEmpty());
        int n = 0;
        readOnce(handle, &n);
        QCOMPARE(n, -1);
        QCOMPARE(send(handle, command(p::CMD_GET_DEVICE_INFO)), -1);
        QCOMPARE(sim::openHandleCount(), 1);
        close(handle);
        QCOMPARE(sim::openHandleCount(), 0);
        QCOMPARE(sim::plug()->path(), QByteArray("sim:0"));
    }
};

QTEST_GUILESS_MAIN(TestSimulatedBoard)
#include "test_simulated_board.moc"
