// Every command report as the board receives it, and what each command logs.
#include "support/link_fixture.h"

#include "device/protocol.h"
#include "settings/register_codec.h"

#include <QtTest>
#include <memory>

using namespace protocol;

using Operation = void (TorvelDRV::*)();
Q_DECLARE_METATYPE(Operation)

namespace {
std::int32_t le32(const sim::Report& r, int at)
{
    return static_cast<std::int32_t>(std::uint32_t(r.at(at)) | (std::uint32_t(r.at(at + 1)) << 8) |
                                     (std::uint32_t(r.at(at + 2)) << 16) |
                                     (std::uint32_t(r.at(at + 3)) << 24));
}
} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void stepFrequencyCarriesDividerAndDirection_data();
    void stepFrequencyCarriesDividerAndDirection();
    void nameRequestIsSentTwiceUnderTheKey();
    void emptyNameClearsTheWholeArgumentArea();
    void writeValuesCarriesTheRegisterBlock();
    void dcMotorModeMarksTheWriteBlock();
    void trajectoryCarriesItsFieldsAndEndSwitchByte_data();
    void trajectoryCarriesItsFieldsAndEndSwitchByte();
    void pwmCarriesPeriodAndFourDuties();
    void eachCommandSendsOneReportAndLogsItsLine_data();
    void eachCommandSendsOneReportAndLogsItsLine();
    void valuesWriteIsRefusedWhileBusy();
    void withoutABoardCommandsLogButSendNothing();

private:
    std::unique_ptr<LinkFixture> m_fixture;
    sim::Board* m_board = nullptr;
};

void CommandsTest::initTestCase()
{
    m_fixture = std::make_unique<LinkFixture>();
    m_board = m_fixture->plugAndScan();
    QVERIFY(Torvel.connected);
    QVERIFY(Torvel.scrambleKey != 0);
    m_board->setStreamRate(0);
}

void CommandsTest::init()
{
    QVERIFY(Torvel.connected);
    Torvel.rxTimer->stop(); // replies are not the subject here
    m_board->clearReceived();
    m_fixture->clearLog();
}

void CommandsTest::cleanupTestCase()
{
    m_fixture.reset();
}

void CommandsTest::stepFrequencyCarriesDividerAndDirection_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("divider");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("actual");
    QTest::newRow("stop") << 0 << -1 << 1 << 0;
    QTest::newRow("slowest reverse") << -1 << 4799999 << 0 << -1;
    QTest::newRow("reverse 1000") << -1000 << 4799 << 0 << -1000;
    QTest::newRow("100") << 100 << 47999 << 1 << 100;
    QTest::newRow("70000 rounds up") << 70000 << 67 << 1 << 70588;
    QTest::newRow("dial maximum reverse") << -250000 << 18 << 0 << -252631;
    QTest::newRow("fastest") << 3000000 << 0 << 1 << 4800000;
}

void CommandsTest::stepFrequencyCarriesDividerAndDirection()
{
    QFETCH(int, speed);
    QFETCH(int, divider);
    QFETCH(int, direction);
    QFETCH(int, actual);
    QCOMPARE(Torvel.SetStepDirFrequency(speed), actual);
    const sim::Report r = m_board->received().last();
    QCOMPARE(r.code(), CMD_SET_STEP_FREQ);
    QCOMPARE(le32(r, 21), divider);
    QCOMPARE(int(r.at(25)), direction);
    QCOMPARE(Torvel.stepDir.Divider, divider);
    QCOMPARE(Torvel.stepDir.Direction, direction);
    QCOMPARE(Torvel.stepDir.SpeedMagnitude, qAbs(speed));
    QVERIFY(m_fixture->lines().isEmpty());
}

void CommandsTest::nameRequestIsSentTwiceUnderTheKey()
{
    Torvel.GetDriverName();
    const QList<sim::Report> sent = m_board->received();
    QCOMPARE(sent.size(), 2);
    for (const sim::Report& r : sent) {
        QVERIFY(r.scrambled());
        QCOMPARE(r.code(), CMD_GET_NAME);
    }
    QCOMPARE(sent[1].atMs - sent[0].atMs, qint64(TorvelDRV::kNameRequestWaitMs));
}

void CommandsTest::emptyNameClearsTheWholeArgumentArea()
{
    Torvel.SetDriverName(QString());
    const sim::Report r = m_board->received().last();
    QCOMPARE(r.code(), CMD_SET_NAME);
    for (int i = setname::kFirst; i <= outbound::kLast; ++i)
        QCOMPARE(int(r.at(i)), 0);
    QVERIFY(Torvel.settings.DriverName.isEmpty());
}

void CommandsTest::writeValuesCarriesTheRegisterBlock()
{
    codec::parseConfiguration(
        QStringLiteral("Default configuration;3;2.2;1.0;85;0.5;1;5;1.0;0;0.5;15.0;0"),
        Torvel.settings);
    Torvel.settings.TBlank = 49;
    Torvel.settings.TOff = 29;
    Torvel.settings.TDecay = 0;
    const codec::PredriverCodes codes = codec::predriverCodes(1);
    Torvel.settings.DTime = codes.DTime;
    Torvel.settings.TDrive = codes.TDrive;
    Torvel.settings.IDrive = codes.IDrive;
    Torvel.WriteDriverValues();

    const sim::Report r = m_board->received().last();
    QCOMPARE(r.code(), CMD_WRITE_VALUES);
    const QByteArray block = r.bytes.mid(21, 23);
    const QByteArray expected = QByteArray::fromHex("1906"
                                                    "8707"
                                                    "1d00"
                                                    "3100"
                                                    "0005"
                                                    "000f"
                                                    "af05"
                                                    "0000"
                                                    "00"
                                                    "01"
                                                    "55"
                                                    "7a03"
                                                    "3d03");
    QCOMPARE(block.toHex(), expected.toHex());
    // The board now holds what was written.
    QCOMPARE(m_board->registers().toHex(), QByteArray::fromHex("1906"
                                                               "8707"
                                                               "1d00"
                                                               "3100"
                                                               "0005"
                                                               "000f"
                                                               "af05"
                                                               "0000"
                                                               "55"
                                                               "7a03"
                                                               "3d03")
                                               .toHex());
    QCOMPARE(Torvel.busy, 0);
    QCOMPARE(m_fixture->lines(), QStringList{QStringLiteral("Writing Torvel driver values...")});
}

void CommandsTest::dcMotorModeMarksTheWriteBlock()
{
    Torvel.settings.DCMotorMode = 1;
    Torvel.WriteDriverValues();
    Torvel.settings.DCMotorMode = 0;
    const sim::Report r = m_board->received().last();
    QCOMPARE(int(r.at(21 + 5)) & 0x01, 1); // OffWord bit 8
    QCOMPARE(int(r.at(21 + 17)), 3);
}

void CommandsTest::trajectoryCarriesItsFieldsAndEndSwitchByte_data()
{
    QTest::addColumn<int>("enabled");
    QTest::addColumn<int>("normallyClosed");
    QTest::addColumn<int>("byte37");
    QTest::newRow("both") << 1 << 1 << 3;
    QTest::newRow("enabled only") << 1 << 0 << 1;
    QTest::newRow("NC only") << 0 << 1 << 2;
    QTest::newRow("neither") << 0 << 0 << 0;
}

void CommandsTest::trajectoryCarriesItsFieldsAndEndSwitchByte()
{
    QFETCH(int, enabled);
    QFETCH(int, normallyClosed);
    QFETCH(int, byte37);
    Torvel.trajectory.RequiredPosition = -123456;
    Torvel.trajectory.MaxSpeed = 60000;
    Torvel.trajectory.Acceleration = 2000;
    Torvel.trajectory.Deceleration = 50000;
    Torvel.trajectory.EndSwitchEnabled = static_cast<std::uint8_t>(enabled);
    Torvel.trajectory.EndSwitchNormallyClosed = static_cast<std::uint8_t>(normallyClosed);
    Torvel.WriteTrajectory();
    const sim::Report r = m_board->received().last();
    QCOMPARE(r.code(), CMD_WRITE_TRAJECTORY);
    QCOMPARE(le32(r, 21), -123456);
    QCOMPARE(le32(r, 25), 60000);
    QCOMPARE(le32(r, 29), 2000);
    QCOMPARE(le32(r, 33), 50000);
    QCOMPARE(int(r.at(37)), byte37);
}

void CommandsTest::pwmCarriesPeriodAndFourDuties()
{
    Torvel.pwm.Period = 23;
    Torvel.pwm.AForward = 0;
    Torvel.pwm.AReverse = 40;
    Torvel.pwm.BForward = 25;
    Torvel.pwm.BReverse = 0;
    Torvel.WritePWM();
    const sim::Report r = m_board->received().last();
    QCOMPARE(r.code(), CMD_SET_PWM);
    QCOMPARE(le32(r, 21), 23);
    QCOMPARE(r.bytes.mid(25, 4), QByteArray::fromHex("00281900"));
}

void CommandsTest::eachCommandSendsOneReportAndLogsItsLine_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("argument21");
    QTest::newRow("enable") << Operation(&TorvelDRV::EnableDriver) << int(CMD_SET_ENABLE)
                            << "Enabling driver (out of Sleep)." << 1;
    QTest::newRow("sleep") << Operation(&TorvelDRV::SleepDriver) << int(CMD_SET_ENABLE)
                           << "Stopping driver (Sleep)." << 0;
    QTest::newRow("save") << Operation(&TorvelDRV::SaveDriverValues) << int(CMD_SAVE_VALUES)
                          << "Saving Torvel driver values..." << -1;
    QTest::newRow("stop trajectory") << Operation(&TorvelDRV::StopTrajectory)
                                     << int(CMD_STOP_TRAJECTORY) << "Stop trajectory..." << -1;
    QTest::newRow("home") << Operation(&TorvelDRV::SetHome) << int(CMD_SET_HOME)
                          << "Settign home..." << -1;
    QTest::newRow("stream") << Operation(&TorvelDRV::EnableRTStream) << int(CMD_RT_STREAM)
                            << "Enabling real-time data stream." << -1;
}

void CommandsTest::eachCommandSendsOneReportAndLogsItsLine()
{
    QFETCH(Operation, operation);
    QFETCH(int, command);
    QFETCH(QString, line);
    QFETCH(int, argument21);
    (Torvel.*operation)();
    QCOMPARE(m_board->received().size(), 1);
    const sim::Report r = m_board->received().last();
    QCOMPARE(int(r.code()), command);
    if (argument21 >= 0)
        QCOMPARE(int(r.at(21)), argument21);
    QCOMPARE(m_fixture->lines(), QStringList{line});
}

void CommandsTest::valuesWriteIsRefusedWhileBusy()
{
    Torvel.busy = TorvelDRV::kBusyMark;
    Torvel.WriteDriverValues();
    QVERIFY(m_board->received().isEmpty());
    QVERIFY(m_fixture->lines().isEmpty());
    Torvel.busy = 0;
}

void CommandsTest::withoutABoardCommandsLogButSendNothing()
{
    Torvel.DisconnectDevice();
    m_board->clearReceived();
    m_fixture->clearLog();

    Torvel.WriteDriverValues();
    Torvel.WriteDriverValues(); // refused: the first one left the busy flag set
    QCOMPARE(Torvel.SetStepDirFrequency(-1000), -1000);
    Torvel.SetDriverName(QStringLiteral("Offline"));
    Torvel.RestartDevice();
    QVERIFY(m_board->received().isEmpty());
    QCOMPARE(Torvel.settings.DriverName, QStringLiteral("Offline"));
    const QStringList expected = {QStringLiteral("Writing Torvel driver values..."),
                                  QStringLiteral("Changing device custom name to: Offline"),
                                  QStringLiteral("Restarting device...")};
    QCOMPARE(m_fixture->lines(), expected);
    QCOMPARE(Torvel.busy, TorvelDRV::kBusyMark);

    // Reconnect for any later case: the identification clears the busy flag.
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    QCOMPARE(Torvel.busy, 0);
}

QTEST_MAIN(CommandsTest)
#include "test_commands.moc"
