// The receive tick and the decoding of values, name and real-time replies.
#include "support/link_fixture.h"

#include "device/protocol.h"
#include "device/reply_decode.h"
#include "settings/register_codec.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace protocol;

namespace {
QByteArray replyWithCode(std::uint8_t code)
{
    QByteArray r(kReplySize, '\0');
    r[inbound::kReplyCode] = static_cast<char>(code);
    return r;
}

void put16(QByteArray& r, int at, int value)
{
    r[at] = static_cast<char>(value >> 8);
    r[at + 1] = static_cast<char>(value);
}

const std::uint8_t* bytes(const QByteArray& r)
{
    return reinterpret_cast<const std::uint8_t*>(r.constData());
}

// A powered, enabled, fault-free real-time report.
QByteArray liveReport()
{
    QByteArray r = replyWithCode(REPLY_REAL_TIME);
    put16(r, rt::kVoltage, 366);
    r[rt::kInputs] = 0x02;
    return r;
}
} // namespace

class ReceiveTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void realTimeCurrentNeedsPowerEnableAndNoFault_data();
    void realTimeCurrentNeedsPowerEnableAndNoFault();
    void realTimeFieldsDecode();
    void filterTakesTheMeanOfTheMiddleThree();
    void nameSkipsControlBytes();
    void onlyIdentificationRepliesPassForDeviceInfo_data();
    void onlyIdentificationRepliesPassForDeviceInfo();

    void replyCodesFollowTheLogRule_data();
    void replyCodesFollowTheLogRule();
    void valuesReplyBecomesRegistersAndSettings();
    void nameReplySetsTheDriverName();
    void realTimeReportSmoothsTheTemperature();
    void shortReportIsIgnoredAndClearsTheBusyFlag();
    void tickWithoutALinkStopsTheTimer();

private:
    void tick(const QByteArray& report);
    std::unique_ptr<LinkFixture> m_fixture;
    sim::Board* m_board = nullptr;
};

void ReceiveTest::initTestCase()
{
    m_fixture = std::make_unique<LinkFixture>();
    m_board = m_fixture->plugAndScan();
    QVERIFY(Torvel.connected);
    m_board->setStreamRate(0);
}

void ReceiveTest::init()
{
    QVERIFY(Torvel.connected);
    Torvel.rxTimer->stop();     // ticks are run by hand
    m_fixture->time.advance(5); // replies under way arrive and are drained
    Torvel.ClearHIDReadBuffer();
    m_fixture->clearLog();
}

void ReceiveTest::cleanupTestCase()
{
    m_fixture.reset();
}

void ReceiveTest::tick(const QByteArray& report)
{
    m_board->injectReport(report);
    Torvel.USBRXTimerHandler();
}

void ReceiveTest::realTimeCurrentNeedsPowerEnableAndNoFault_data()
{
    QTest::addColumn<int>("voltageRaw");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("faults");
    QTest::addColumn<bool>("power");
    QTest::addColumn<double>("current");
    const double driving = 135 * 2.75 / (20 * 8.448);
    QTest::newRow("driving") << 366 << 0x02 << 0 << true << driving;
    QTest::newRow("raw 112 has power") << 112 << 0x02 << 0 << true << driving;
    QTest::newRow("raw 111 has none") << 111 << 0x02 << 0 << false << 0.0;
    QTest::newRow("asleep") << 366 << 0x00 << 0 << true << 0.0;
    QTest::newRow("overtemperature") << 366 << 0x02 << 0x01 << true << 0.0;
    QTest::newRow("upper fault bits dropped") << 366 << 0x02 << 0xC0 << true << driving;
}

void ReceiveTest::realTimeCurrentNeedsPowerEnableAndNoFault()
{
    QFETCH(int, voltageRaw);
    QFETCH(int, inputs);
    QFETCH(int, faults);
    QFETCH(bool, power);
    QFETCH(double, current);
    QByteArray r = liveReport();
    put16(r, rt::kVoltage, voltageRaw);
    r[rt::kInputs] = static_cast<char>(inputs);
    r[rt::kFaults] = static_cast<char>(faults);
    r[rt::kGain] = static_cast<char>(0xFE); // only the low two bits are the gain code
    r[rt::kTorque] = static_cast<char>(135);
    RTData rt;
    reply::decodeRealTime(bytes(r), rt);
    QCOMPARE(rt.MotorPower, power);
    QCOMPARE(rt.Current, current);
    QCOMPARE(rt.FaultBits, faults & 0x3F);
}

void ReceiveTest::realTimeFieldsDecode()
{
    QByteArray r = liveReport();
    r[rt::kInputs] = static_cast<char>(0xFF);
    r[rt::kFaults] = static_cast<char>(0xC1);
    r[rt::kDriverState] = 9;
    r[rt::kMode] = 4;
    const char position[] = {'\xFF', '\xFF', '\xFF', '\xFE'};
    const char speed[] = {'\x00', '\x01', '\x86', '\xA0'};
    r.replace(rt::kPosition, 4, position, 4);
    r.replace(rt::kSpeed, 4, speed, 4);
    RTData rt;
    reply::decodeRealTime(bytes(r), rt);
    QCOMPARE(rt.ActualPosition, -2);
    QCOMPARE(rt.ActualSpeed, 100000);
    QCOMPARE(rt.FaultBits, 0x01);
    QCOMPARE(rt.DriverState, 9);
    QCOMPARE(rt.OperatingMode, 4);
    QVERIFY(rt.BootloaderOverrideInput && rt.EnableInput && rt.StepInput && rt.DirInput &&
            rt.Bin1Input && rt.Bin2Input && rt.EndSwitchInput);
    QCOMPARE(rt.Voltage, 366 / 1024.0 * 3.3 * 49.2 / 2.2);
}

void ReceiveTest::filterTakesTheMeanOfTheMiddleThree()
{
    double history[kFilterLength] = {};
    const double volts[] = {10, 50, 12, 11, 13};
    double filtered = 0;
    for (double v : volts)
        filtered = reply::filterMiddleThree(history, v);
    QCOMPARE(filtered, 12.0);
    QCOMPARE(history[0], 13.0);
    QCOMPARE(history[4], 10.0);
    // The zeros of a fresh history take part at first.
    double fresh[kFilterLength] = {};
    QCOMPARE(reply::filterMiddleThree(fresh, 24.0), 0.0);
}

void ReceiveTest::nameSkipsControlBytes()
{
    QByteArray r = replyWithCode(REPLY_NAME);
    const char raw[] = {'\x41', '\x42', '\x00', '\x43', '\x44', '\x1F',
                        '\xE9', '\x7F', '\x85', '\x9B', '\x45'};
    r.replace(namereply::kFirst, sizeof raw, raw, sizeof raw);
    // DEL and the Latin-1 controls (NEL, CSI) cannot start a line or an escape either.
    QCOMPARE(reply::decodeName(bytes(r)), QStringLiteral("ABCDé???E"));
}

void ReceiveTest::onlyIdentificationRepliesPassForDeviceInfo_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("byte1");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("code 1") << int(REPLY_DEVICE_INFO) << 0x00 << true;
    QTest::newRow("code 1, byte 1 of a name reply") << int(REPLY_DEVICE_INFO) << 0xC0 << true;
    QTest::newRow("code 0") << int(REPLY_DEVICE_INFO_ALT) << 0x01 << true;
    // A name reply's leftovers: code 0 with 0xC0 in byte 1 is never device info.
    QTest::newRow("code 0, byte 1 of a name reply") << int(REPLY_DEVICE_INFO_ALT) << 0xC0 << false;
    QTest::newRow("name reply") << int(REPLY_NAME) << 0x00 << false;
    QTest::newRow("values reply") << int(REPLY_VALUES) << 0x00 << false;
    QTest::newRow("real-time report") << int(REPLY_REAL_TIME) << 0x00 << false;
}

void ReceiveTest::onlyIdentificationRepliesPassForDeviceInfo()
{
    QFETCH(int, code);
    QFETCH(int, byte1);
    QFETCH(bool, accepted);
    QByteArray r = replyWithCode(static_cast<std::uint8_t>(code));
    r[1] = static_cast<char>(byte1);
    QCOMPARE(reply::isDeviceInfo(bytes(r)), accepted);
}

void ReceiveTest::replyCodesFollowTheLogRule_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("logged");
    QTest::newRow("step echo") << 0x90 << false;
    QTest::newRow("pwm echo") << 0xB0 << false;
    QTest::newRow("trajectory echo") << 0xB1 << false;
    QTest::newRow("real-time") << 0xA0 << false;
    QTest::newRow("save echo") << 0x82 << true;
    QTest::newRow("unknown") << 0x55 << true;
    QTest::newRow("identification") << 0x01 << true;
}

void ReceiveTest::replyCodesFollowTheLogRule()
{
    QFETCH(int, code);
    QFETCH(bool, logged);
    QSignalSpy values(&Torvel, &TorvelDRV::newDriverValuesAvailable);
    tick(code == REPLY_REAL_TIME ? liveReport() : replyWithCode(static_cast<std::uint8_t>(code)));
    const QStringList expected =
        logged ? QStringList{QStringLiteral("Device HID read OK (64 bytes).")} : QStringList();
    QCOMPARE(m_fixture->lines(), expected);
    QCOMPARE(values.count(), 0);
}

void ReceiveTest::valuesReplyBecomesRegistersAndSettings()
{
    QByteArray r = replyWithCode(REPLY_VALUES);
    const QByteArray block = QByteArray::fromHex("1906"
                                                 "8707"
                                                 "1d01"
                                                 "3101"
                                                 "0003"
                                                 "000f"
                                                 "af05"
                                                 "3412"
                                                 "2d"
                                                 "7a03"
                                                 "3d03");
    r.replace(valuesreply::kBlock, block.size(), block);
    QSignalSpy values(&Torvel, &TorvelDRV::newDriverValuesAvailable);
    Torvel.settings.DriverName = QStringLiteral("kept");
    tick(r);
    QCOMPARE(values.count(), 1);
    QCOMPARE(m_fixture->lines(), (QStringList{QStringLiteral("Device HID read OK (64 bytes)."),
                                              QStringLiteral("Values read from driver.")}));
    QCOMPARE(Torvel.registers.Word7, 0x1234u);
    QCOMPARE(Torvel.registers.TempLimitByte, 45u);
    QCOMPARE(Torvel.settings.StepMode, 3);
    QCOMPARE(Torvel.settings.FullScaleCurrent, 2.197265625);
    QCOMPARE(Torvel.settings.DCMotorMode, 1);
    QCOMPARE(Torvel.settings.AdaptiveBlanking, 1);
    QCOMPARE(Torvel.settings.DecayMode, 3);
    QCOMPARE(Torvel.settings.TemperatureLimit, 45);
    QCOMPARE(Torvel.settings.DriverName, QStringLiteral("kept"));
}

void ReceiveTest::nameReplySetsTheDriverName()
{
    QByteArray r = replyWithCode(REPLY_NAME);
    const char raw[] = {'A', 'B', '\0', 'C', 'D'};
    r.replace(namereply::kFirst, sizeof raw, raw, sizeof raw);
    QSignalSpy values(&Torvel, &TorvelDRV::newDriverValuesAvailable);
    tick(r);
    QCOMPARE(Torvel.settings.DriverName, QStringLiteral("ABCD"));
    QCOMPARE(values.count(), 1);
    QCOMPARE(m_fixture->lines(), (QStringList{QStringLiteral("Device HID read OK (64 bytes)."),
                                              QStringLiteral("Device name: ABCD")}));
}

void ReceiveTest::realTimeReportSmoothsTheTemperature()
{
    QSignalSpy rtSignal(&Torvel, &TorvelDRV::newRTDataAvailable);
    Torvel.rt.Temperature = 20.0;
    QByteArray r = liveReport();
    put16(r, rt::kTemperature, 320); // 40 degC
    tick(r);
    QCOMPARE(Torvel.rt.Temperature, 30.0);
    tick(r);
    QCOMPARE(Torvel.rt.Temperature, 35.0);
    QCOMPARE(Torvel.rt.TemperatureHistory[0], 35.0);
    QCOMPARE(Torvel.rt.TemperatureHistory[1], 30.0);
    QCOMPARE(rtSignal.count(), 2);
}

void ReceiveTest::shortReportIsIgnoredAndClearsTheBusyFlag()
{
    QSignalSpy rtSignal(&Torvel, &TorvelDRV::newRTDataAvailable);
    Torvel.busy = TorvelDRV::kBusyMark;
    tick(liveReport().left(10));
    QCOMPARE(Torvel.busy, 0);
    QCOMPARE(rtSignal.count(), 0);
    QVERIFY(m_fixture->lines().isEmpty());
    QVERIFY(Torvel.connected);
}

void ReceiveTest::tickWithoutALinkStopsTheTimer()
{
    Torvel.DisconnectDevice();
    m_fixture->clearLog();
    Torvel.rxTimer->start(TorvelDRV::kRxPeriodMs);
    Torvel.USBRXTimerHandler();
    QVERIFY(!Torvel.rxTimer->isActive());
    QCOMPARE(m_fixture->lines(),
             QStringList{QStringLiteral(
                 "Device disconection detected within RX handler. RX timer stopped.")});
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
}

QTEST_MAIN(ReceiveTest)
#include "test_receive.moc"
