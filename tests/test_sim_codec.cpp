// The simulated board's wire codec on its own: hand-placed bytes in, command
// fields out; fields in, every byte of the report out; and the scrambling
// undone for any key and salt.
#include "sim_control.h"
#include "support/reference_scramble.h"
#include "wire_codec.h"

#include <QtTest>

namespace wire = sim::wire;

namespace {

using Placed = QList<QPair<int, QByteArray>>;

// A report or command of the given length, zero but for the placed bytes.
QByteArray placed(int length, const Placed& bytes)
{
    QByteArray r(length, '\0');
    for (const auto& [at, data] : bytes)
        r.replace(at, data.size(), data);
    return r;
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace

Q_DECLARE_METATYPE(Placed)

class SimCodecTest : public QObject {
    Q_OBJECT
private slots:
    void descrambleUndoesTheProgramsSteps_data();
    void descrambleUndoesTheProgramsSteps();
    void commandFieldsAreReadFromTheirBytes();
    void writtenValuesDropTheTwoUnkeptBytes();
    void reportsCarryEachFieldAtItsBytes_data();
    void reportsCarryEachFieldAtItsBytes();
    void noiseNeverPassesForAReplyTheProgramActsOn();
};

void SimCodecTest::descrambleUndoesTheProgramsSteps_data()
{
    QTest::addColumn<quint32>("key");
    QTest::addColumn<int>("random");
    QTest::newRow("key 0, salt 0x29") << 0u << 0x00;
    QTest::newRow("default board, random 0xFF")
        << (0x12345678u ^ 0x9ABCDEF0u ^ 0x0F1E2D3Cu ^ 0x4B5A6978u) << 0xFF;
    QTest::newRow("every key byte set") << 0xFFFFFFFFu << 0x96;
    QTest::newRow("one key byte") << 0x00AB0000u << 0x10;
}

void SimCodecTest::descrambleUndoesTheProgramsSteps()
{
    QFETCH(quint32, key);
    QFETCH(int, random);
    QByteArray built(wire::kCommandLength, '\0');
    for (int i = 2; i <= 62; ++i)
        built[i] = char(i * 7 + 1);
    QByteArray command = built;
    support::scramble(command, key, quint8(random));
    wire::descramble(command, key);
    QCOMPARE(command.left(63).toHex(), built.left(63).toHex());
    QCOMPARE(quint8(command[64]), quint8(random | 0x29));

    // Sent plain (salt 0): nothing to undo.
    QByteArray plain = built;
    wire::descramble(plain, key);
    QCOMPARE(plain, built);
}

void SimCodecTest::commandFieldsAreReadFromTheirBytes()
{
    const QByteArray step = placed(65, {{2, hex("90")}, {21, hex("bf120000")}, {25, hex("00")}});
    QCOMPARE(int(wire::code(step)), 0x90);
    QCOMPARE(wire::stepRate(step).divider, 4799);
    QVERIFY(!wire::stepRate(step).forward);
    QCOMPARE(wire::stepRate(placed(65, {{21, hex("ffffffff")}, {25, hex("01")}})).divider, -1);

    const QByteArray pwm = placed(65, {{21, hex("17000000")}, {25, hex("28000019")}});
    QCOMPARE(wire::pwmDuties(pwm), (std::array<std::uint8_t, 4>{0x28, 0x00, 0x00, 0x19}));

    const wire::Trajectory t = wire::trajectory(
        placed(65, {{21, hex("204e0000 e8030000 10270000 feffffff")}, {37, hex("ff")}}));
    QCOMPARE(t.target, 20000);
    QCOMPARE(t.maxSpeed, 1000);
    QCOMPARE(t.acceleration, 10000);
    QCOMPARE(t.deceleration, -2);

    QVERIFY(wire::enableArgument(placed(65, {{21, hex("01")}})));
    QVERIFY(!wire::enableArgument(placed(65, {{22, hex("01")}})));

    const QByteArray name = QByteArray("Axis 1").leftJustified(32, 'x');
    QCOMPARE(wire::nameArgument(placed(65, {{3, name}, {35, hex("55")}})), name);

    const QByteArray block = QByteArray(32, char(0x3C));
    const QByteArray write = placed(65, {{3, hex("05 7f")}, {5, block}, {37, hex("ee")}});
    QCOMPARE(wire::bootloaderSector(write), 5);
    QCOMPARE(wire::bootloaderSubsector(write), 0x7F);
    QCOMPARE(wire::flashBlock(write), block);
    QCOMPARE(wire::signatureArgument(placed(65, {{8, hex("babe3dc2")}})), 0xBABE3DC2u);
}

void SimCodecTest::writtenValuesDropTheTwoUnkeptBytes()
{
    const QByteArray command = placed(
        65, {{21, hex("0102030405060708090a0b0c0d0e0f10 ee03 2d 11121314")}, {44, hex("99")}});
    QCOMPARE(wire::writtenValues(command).toHex(),
             hex("0102030405060708090a0b0c0d0e0f10 2d 11121314").toHex());
}

void SimCodecTest::reportsCarryEachFieldAtItsBytes_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<Placed>("expected");

    sim::LiveValues v;
    v.voltageRaw = 0x0123;
    v.temperatureRaw = 0x0456;
    v.inputs = 0x45;
    v.driverState = 4;
    v.mode = 3;
    v.gainCode = 2;
    v.torque = 135;
    v.faults = 0x21;
    v.position = -2;
    v.speed = -300000;
    QTest::newRow("real-time") << wire::realTimeReport(v)
                               << Placed{{6, hex("45")},        {8, hex("0123")},
                                         {15, hex("a0")},       {20, hex("fffffffe")},
                                         {24, hex("fffb6c20")}, {44, hex("0456")},
                                         {46, hex("04030287")}, {54, hex("21")}};

    wire::Identity id;
    id.bootloaderHigh = 2;
    id.bootloaderLow = 5;
    id.firmwareHigh = 3;
    id.firmwareLow = 9;
    id.signature = 0xBABE3DC2u;
    id.uniqueId = {{0x11223344u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF01u}};
    id.temperatureRaw = 0x1234;
    const Placed info = {{1, hex("02050309")},
                         {15, hex("01")},
                         {20, hex("babe3dc2")},
                         {24, hex("11223344 55667788 99aabbcc ddeeff01")},
                         {44, hex("1234")}};
    Placed application = info;
    application.append({5, hex("a5")});
    QTest::newRow("device info, application") << wire::deviceInfoReply(id) << application;
    id.bootloaderRunning = true;
    Placed bootloader = info;
    bootloader.append({5, hex("b0")});
    QTest::newRow("device info, bootloader") << wire::deviceInfoReply(id) << bootloader;

    const QByteArray block = hex("1906 8707 1d00 3100 0005 000f af05 0000 55 7a03 3d03");
    QTest::newRow("values") << wire::valuesReply(block) << Placed{{15, hex("81")}, {40, block}};
    QTest::newRow("values, short block padded")
        << wire::valuesReply(hex("1906")) << Placed{{15, hex("81")}, {40, hex("1906")}};
    QTest::newRow("name") << wire::nameReply(QByteArray("Bench axis"))
                          << Placed{{15, hex("c0")}, {16, QByteArray("Bench axis")}};
    QTest::newRow("checksum") << wire::checksumReply(7, 0xD2D2D78Fu)
                              << Placed{{1, hex("d2d2d78f")}, {15, hex("06")}, {16, hex("07")}};
    QTest::newRow("echo") << wire::echoReply(0xB1) << Placed{{15, hex("b1")}};
}

void SimCodecTest::reportsCarryEachFieldAtItsBytes()
{
    QFETCH(QByteArray, report);
    QFETCH(Placed, expected);
    QCOMPARE(report.size(), wire::kReportLength);
    QCOMPARE(report.toHex(' '), placed(64, expected).toHex(' '));
}

void SimCodecTest::noiseNeverPassesForAReplyTheProgramActsOn()
{
    const QList<int> meaningful = {0x00, 0x01, 0x81, 0xA0, 0xC0};
    bool varied = false;
    for (std::uint32_t seed = 0; seed < 5000; ++seed) {
        const QByteArray noise = wire::noiseReport(seed);
        QCOMPARE(noise.size(), 64);
        QVERIFY(!meaningful.contains(quint8(noise[15])));
        varied = varied || noise != wire::noiseReport(0);
    }
    QVERIFY(varied);
    QCOMPARE(wire::noiseReport(42), wire::noiseReport(42));
}

QTEST_GUILESS_MAIN(SimCodecTest)
#include "test_sim_codec.moc"
