// The motion panels as the board sees them: run/sleep, the step rate, the
// trajectory set and its limits, and the DC motor duties, frequency and the
// warned switch into and out of DC-motor mode.
#include "support/window_fixture.h"

#include <QApplication>
#include <QDial>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

using namespace protocol;

namespace {
// The motion commands' arguments start at byte 21 (the enable byte, the step
// divider, the PWM period, the target position); counted here by hand.
constexpr int kArgs = 21;

std::int32_t le32(const sim::Report& r, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | r.at(at + i);
    return std::int32_t(value);
}

QList<int> codes(const QList<sim::Report>& reports)
{
    QList<int> result;
    for (const sim::Report& r : reports)
        result.append(r.code());
    return result;
}

QByteArray args(const sim::Report& r, int count)
{
    return r.bytes.mid(kArgs, count);
}

// The 17 argument bytes of a trajectory report.
QByteArray trajectoryArgs(std::int32_t position, std::int32_t vmax, std::int32_t accel,
                          std::int32_t decel, int switchBits)
{
    QByteArray bytes;
    for (std::int32_t value : {position, vmax, accel, decel})
        for (int i = 0; i < 4; ++i)
            bytes.append(char((std::uint32_t(value) >> (8 * i)) & 0xFF));
    bytes.append(char(switchBits));
    return bytes;
}

// Records, next to each box, how many reports the board had received and how
// many lines the log held when it was shown.
class OrderingAnswerer : public dialogs::ScriptedAnswerer {
public:
    OrderingAnswerer(const sim::Board* board, const WindowFixture* f) : m_board(board), m_f(f) {}
    void notify(dialogs::Kind kind, const QString& title, const QString& text) override
    {
        reportsBefore.append(m_board->received().size());
        linesBefore.append(m_f->lines().size());
        ScriptedAnswerer::notify(kind, title, text);
    }
    QList<int> reportsBefore;
    QList<int> linesBefore;

private:
    const sim::Board* m_board;
    const WindowFixture* m_f;
};
} // namespace

class MotionPanelsTest : public QObject {
    Q_OBJECT
private slots:
    // Run/sleep.
    void runStopFollowsTheLastRecordNotTheCaption_data();
    void runStopFollowsTheLastRecordNotTheCaption();

    // Step control.
    void setFrequencySendsDividerAndDirection_data();
    void setFrequencySendsDividerAndDirection();
    void loweringMaxSpeedClampsAndSendsTheSpeed_data();
    void loweringMaxSpeedClampsAndSendsTheSpeed();
    void stopReturnsTheDialToZero_data();
    void stopReturnsTheDialToZero();

    // Position control.
    void sendDataBeforeAnyChangeSendsAnAllZeroSet();
    void jogButtonsMoveWithinTheLimits_data();
    void jogButtonsMoveWithinTheLimits();
    void upperLimitBelowTheRequiredPositionClampsIt();
    void lowerLimitAboveTheUpperIsPulledBack();
    void endSwitchBoxesSetTheSwitchBits_data();
    void endSwitchBoxesSetTheSwitchBits();
    void enableEndSwitchTakesEffectAtOnce_data();
    void enableEndSwitchTakesEffectAtOnce();
    void speedProfileSendsOnlyAfterTheFirstRecomputation();
    void stopAndSetZero_data();
    void stopAndSetZero();

    // DC motor control.
    void setPwmsSendsPeriodAndDuties_data();
    void setPwmsSendsPeriodAndDuties();
    void eachMirroredChangeSendsOnce_data();
    void eachMirroredChangeSendsOnce();
    void withoutAutoUpdateTheReadoutFollowsAndNothingIsSent();
    void stopPwmSendsZeroDutiesOnce_data();
    void stopPwmSendsZeroDutiesOnce();
    void switchingDcMotorControlWarnsSleepsThenWritesValues_data();
    void switchingDcMotorControlWarnsSleepsThenWritesValues();

    // Esc.
    void escapeStopsThePresentModeFromEveryTab_data();
    void escapeStopsThePresentModeFromEveryTab();
};

// Run/sleep --------------------------------------------------------------

void MotionPanelsTest::runStopFollowsTheLastRecordNotTheCaption_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("caption"); // after a click
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("enableByte");
    QTest::newRow("enabled driver sleeps") << true << "Run"
                                           << "Stopping driver (Sleep)." << 0;
    QTest::newRow("sleeping driver runs") << false << "Stop"
                                          << "Enabling driver (out of Sleep)." << 1;
}

void MotionPanelsTest::runStopFollowsTheLastRecordNotTheCaption()
{
    QFETCH(bool, enabled);
    QFETCH(QString, caption);
    QFETCH(QString, line);
    QFETCH(int, enableByte);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.feed(board, support::poweredRecord(enabled ? 0x02 : 0x00));
    f.clearLog();
    auto* button = f.find<QPushButton>("btnRunStop");

    button->click();
    QCOMPARE(button->text(), caption);
    button->click(); // no record in between: the same command again
    QCOMPARE(button->text(), caption);
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), (QList<int>{CMD_SET_ENABLE, CMD_SET_ENABLE}));
    for (const sim::Report& r : sent)
        QCOMPARE(int(r.at(kArgs)), enableByte);
    QCOMPARE(f.lines(), (QStringList{line, line}));

    // The board did not change state: the caption falls back.
    f.feed(board, support::poweredRecord(enabled ? 0x02 : 0x00));
    QCOMPARE(button->text(), enabled ? QStringLiteral("Stop") : QStringLiteral("Run"));
}

// Step control -----------------------------------------------------------

void MotionPanelsTest::setFrequencySendsDividerAndDirection_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<quint32>("divider");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("actual");
    QTest::newRow("0 stops") << 0 << 0xFFFFFFFFu << 1 << 0;
    QTest::newRow("-1") << -1 << 4799999u << 0 << -1;
    QTest::newRow("100") << 100 << 47999u << 1 << 100;
    QTest::newRow("70000 rounds up") << 70000 << 67u << 1 << 70588;
    QTest::newRow("99999") << 99999 << 47u << 1 << 100000;
    QTest::newRow("250000") << 250000 << 18u << 1 << 252631;
    QTest::newRow("-250000") << -250000 << 18u << 0 << -252631;
}

void MotionPanelsTest::setFrequencySendsDividerAndDirection()
{
    QFETCH(int, speed);
    QFETCH(quint32, divider);
    QFETCH(int, direction);
    QFETCH(int, actual);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.find<QCheckBox>("cbAutoUpdate")->setChecked(false);
    f.edit(QStringLiteral("dialMaxStepSpeed"), 250000);
    f.edit(QStringLiteral("dialStepSpeed"), speed);
    QCOMPARE(f.find<QLabel>("lblFrequency")->text(), QString::number(speed));
    QVERIFY(board->received().isEmpty());
    f.clearLog();

    f.find<QPushButton>("btnSetFrequency")->click();
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_SET_STEP_FREQ});
    QCOMPARE(quint32(le32(sent.first(), kArgs)), divider);
    QCOMPARE(int(sent.first().at(kArgs + 4)), direction);
    QCOMPARE(f.find<QLabel>("lblPR")->text(), QStringLiteral("Actual speed: %1").arg(actual));
    QCOMPARE(Torvel.stepDir.SpeedMagnitude, qAbs(speed));
    QVERIFY(f.lines().isEmpty());
}

void MotionPanelsTest::loweringMaxSpeedClampsAndSendsTheSpeed_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("clamped");
    QTest::addColumn<int>("direction");
    QTest::newRow("forward") << 300 << 100 << 1;
    QTest::newRow("reverse") << -300 << -100 << 0;
}

void MotionPanelsTest::loweringMaxSpeedClampsAndSendsTheSpeed()
{
    QFETCH(int, speed);
    QFETCH(int, clamped);
    QFETCH(int, direction);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("dialMaxStepSpeed"), 500);
    f.edit(QStringLiteral("dialStepSpeed"), speed);
    board->clearReceived();

    f.edit(QStringLiteral("dialMaxStepSpeed"), 100);
    auto* dial = f.find<QDial>("dialStepSpeed");
    QCOMPARE(dial->value(), clamped);
    QCOMPARE(dial->minimum(), -100);
    QCOMPARE(dial->maximum(), 100);
    QCOMPARE(f.find<QLabel>("lblFrequency")->text(), QString::number(clamped));
    QCOMPARE(f.find<QLabel>("lblMaxStepSpeed")->text(), QStringLiteral("100"));
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_SET_STEP_FREQ});
    QCOMPARE(le32(sent.first(), kArgs), 47999);
    QCOMPARE(int(sent.first().at(kArgs + 4)), direction);
    QCOMPARE(f.find<QLabel>("lblPR")->text(), QStringLiteral("Actual speed: %1").arg(clamped));
}

void MotionPanelsTest::stopReturnsTheDialToZero_data()
{
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("reports");
    QTest::newRow("auto update, moving: through the dial and directly") << true << 200 << 2;
    QTest::newRow("auto update, standing: directly only") << true << 0 << 1;
    QTest::newRow("no auto update") << false << 200 << 0;
}

void MotionPanelsTest::stopReturnsTheDialToZero()
{
    QFETCH(bool, autoUpdate);
    QFETCH(int, speed);
    QFETCH(int, reports);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("dialMaxStepSpeed"), 1000);
    f.edit(QStringLiteral("dialStepSpeed"), speed);
    f.find<QPushButton>("btnSetFrequency")->click();
    const QString actualBefore = f.find<QLabel>("lblPR")->text();
    f.find<QCheckBox>("cbAutoUpdate")->setChecked(autoUpdate);
    board->clearReceived();

    f.find<QPushButton>("btnStopStepDir")->click();
    QCOMPARE(f.find<QDial>("dialStepSpeed")->value(), 0);
    QCOMPARE(f.find<QLabel>("lblFrequency")->text(), QStringLiteral("0"));
    const QList<sim::Report> sent = board->received();
    QCOMPARE(sent.size(), reports);
    for (const sim::Report& r : sent) {
        QCOMPARE(int(r.code()), int(CMD_SET_STEP_FREQ));
        QCOMPARE(le32(r, kArgs), -1);
        QCOMPARE(int(r.at(kArgs + 4)), 1);
    }
    QCOMPARE(f.find<QLabel>("lblPR")->text(),
             reports ? QStringLiteral("Actual speed: 0") : actualBefore);
}

// Position control -------------------------------------------------------

void MotionPanelsTest::sendDataBeforeAnyChangeSendsAnAllZeroSet()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    // A step report first leaves non-zero bytes in the argument area.
    f.edit(QStringLiteral("dialStepSpeed"), 50);
    board->clearReceived();

    f.find<QPushButton>("btnWriteTraj")->click();
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_WRITE_TRAJECTORY});
    QCOMPARE(args(sent.first(), 17), QByteArray(17, '\0'));
}

void MotionPanelsTest::jogButtonsMoveWithinTheLimits_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("smallInc");
    QTest::addColumn<int>("expected");
    QTest::newRow(">> stops at the upper limit") << 99500 << "btnLargInc" << 1000 << 100000;
    QTest::newRow(">>") << 500 << "btnLargInc" << 1000 << 5500;
    QTest::newRow(">") << 500 << "btnSmallInc" << 1000 << 1500;
    QTest::newRow("< stops at the lower limit") << 500 << "btnSmallDec" << 1000 << 0;
    QTest::newRow("<<") << 90000 << "btnLargDec" << 1000 << 85000;
    QTest::newRow("increment 0 still sends") << 500 << "btnSmallInc" << 0 << 500;
}

void MotionPanelsTest::jogButtonsMoveWithinTheLimits()
{
    QFETCH(int, start);
    QFETCH(QString, button);
    QFETCH(int, smallInc);
    QFETCH(int, expected);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("sbSmallInc"), smallInc);
    f.edit(QStringLiteral("sbFinPos"), start);
    QCOMPARE(Torvel.trajectory.RequiredPosition, start);
    board->clearReceived();

    f.find<QPushButton>(qPrintable(button))->click();
    QCOMPARE(Torvel.trajectory.RequiredPosition, expected);
    QCOMPARE(f.find<QSpinBox>("sbFinPos")->value(), expected);
    QCOMPARE(f.find<QSlider>("vsFinPos")->value(), expected);
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_WRITE_TRAJECTORY});
    QCOMPARE(args(sent.first(), 17), trajectoryArgs(expected, 10000, 2000, 2000, 3));
}

void MotionPanelsTest::upperLimitBelowTheRequiredPositionClampsIt()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("sbFinPos"), 50000);
    board->clearReceived();

    f.edit(QStringLiteral("sbPosLimitUpper"), 30000);
    QCOMPARE(Torvel.trajectory.RequiredPosition, 30000);
    QCOMPARE(Torvel.trajectory.UpperLimit, 30000);
    QCOMPARE(f.find<QSpinBox>("sbFinPos")->value(), 30000);
    QCOMPARE(f.find<QSlider>("vsFinPos")->value(), 30000);
    QCOMPARE(f.find<QSlider>("vsFinPos")->maximum(), 30000);
    QCOMPARE(f.find<QSpinBox>("sbPosLimitLower")->maximum(), 30000);
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_WRITE_TRAJECTORY});
    QCOMPARE(args(sent.first(), 17), trajectoryArgs(30000, 10000, 2000, 2000, 3));
}

void MotionPanelsTest::lowerLimitAboveTheUpperIsPulledBack()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    auto* lower = f.find<QSpinBox>("sbPosLimitLower");

    // Before any recomputation the box still spans the whole range.
    f.edit(QStringLiteral("sbPosLimitLower"), 200000);
    QCOMPARE(lower->value(), 100000);
    QCOMPARE(Torvel.trajectory.LowerLimit, 100000);
    QCOMPARE(Torvel.trajectory.RequiredPosition, 100000);
    QCOMPARE(f.find<QSpinBox>("sbFinPos")->value(), 100000);
    const QList<sim::Report> sent = board->received();
    QVERIFY(!sent.isEmpty());
    QCOMPARE(args(sent.last(), 17), trajectoryArgs(100000, 10000, 2000, 2000, 3));

    // From now on the box stops at the upper limit.
    board->clearReceived();
    f.edit(QStringLiteral("sbPosLimitLower"), 150000);
    QCOMPARE(lower->value(), 100000);
    QVERIFY(board->received().isEmpty());
}

void MotionPanelsTest::endSwitchBoxesSetTheSwitchBits_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("normallyClosed");
    QTest::addColumn<int>("bits");
    QTest::newRow("enabled, NC") << true << true << 3;
    QTest::newRow("enabled") << true << false << 1;
    QTest::newRow("NC only, kept while its box is disabled") << false << true << 2;
    QTest::newRow("neither") << false << false << 0;
}

void MotionPanelsTest::endSwitchBoxesSetTheSwitchBits()
{
    QFETCH(bool, enabled);
    QFETCH(bool, normallyClosed);
    QFETCH(int, bits);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("cbNCTypeEndSwitch"), normallyClosed);
    f.edit(QStringLiteral("cbEnableEndSwitch"), enabled);
    f.edit(QStringLiteral("sbFinPos"), 42); // a recomputation whatever the boxes did
    QCOMPARE(f.find<QCheckBox>("cbNCTypeEndSwitch")->isEnabled(), enabled);
    QCOMPARE(int(Torvel.trajectory.EndSwitchEnabled), int(enabled));
    QCOMPARE(int(Torvel.trajectory.EndSwitchNormallyClosed), int(normallyClosed));
    const QList<sim::Report> sent = board->receivedWithCode(CMD_WRITE_TRAJECTORY);
    QVERIFY(!sent.isEmpty());
    QCOMPARE(int(sent.last().at(37)), bits);
}

void MotionPanelsTest::enableEndSwitchTakesEffectAtOnce_data()
{
    QTest::addColumn<bool>("autoUpdate");
    QTest::newRow("auto update") << true;
    QTest::newRow("no auto update") << false;
}

void MotionPanelsTest::enableEndSwitchTakesEffectAtOnce()
{
    QFETCH(bool, autoUpdate);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("cbAutoUpdatePos"), autoUpdate);
    auto* nc = f.find<QCheckBox>("cbNCTypeEndSwitch");

    f.edit(QStringLiteral("cbEnableEndSwitch"), false);
    QVERIFY(!nc->isEnabled());
    QVERIFY(nc->isChecked());
    QCOMPARE(int(Torvel.trajectory.EndSwitchEnabled), 0);
    QCOMPARE(int(Torvel.trajectory.EndSwitchNormallyClosed), 1);
    QList<sim::Report> sent = board->received();
    QCOMPARE(sent.size(), autoUpdate ? 1 : 0);
    if (autoUpdate)
        QCOMPARE(args(sent.first(), 17), trajectoryArgs(0, 10000, 2000, 2000, 2));

    board->clearReceived();
    f.edit(QStringLiteral("cbEnableEndSwitch"), true);
    QVERIFY(nc->isEnabled());
    QCOMPARE(int(Torvel.trajectory.EndSwitchEnabled), 1);
    QCOMPARE(board->received().size(), autoUpdate ? 1 : 0);

    f.find<QPushButton>("btnWriteTraj")->click();
    sent = board->received();
    QCOMPARE(int(sent.last().code()), int(CMD_WRITE_TRAJECTORY));
    QCOMPARE(int(sent.last().at(37)), 3);
}

void MotionPanelsTest::speedProfileSendsOnlyAfterTheFirstRecomputation()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("sbVmax"), 12000);
    QVERIFY(board->received().isEmpty());
    QCOMPARE(Torvel.trajectory.MaxSpeed, 0);

    f.edit(QStringLiteral("vsFinPos"), 2500);
    QCOMPARE(f.find<QSpinBox>("sbFinPos")->value(), 2500);
    const QList<sim::Report> first = board->received();
    QCOMPARE(codes(first), QList<int>{CMD_WRITE_TRAJECTORY});
    QCOMPARE(args(first.first(), 17), trajectoryArgs(2500, 12000, 2000, 2000, 3));

    // Each profile box now sends once per change.
    const struct {
        const char* box;
        int value;
        QByteArray expected;
    } edits[] = {{"sbVmax", 30000, trajectoryArgs(2500, 30000, 2000, 2000, 3)},
                 {"sbAccel", 700, trajectoryArgs(2500, 30000, 700, 2000, 3)},
                 {"sbDecel", 900, trajectoryArgs(2500, 30000, 700, 900, 3)},
                 {"sbFinPos", 3000, trajectoryArgs(3000, 30000, 700, 900, 3)}};
    for (const auto& e : edits) {
        board->clearReceived();
        f.edit(QLatin1String(e.box), e.value);
        const QList<sim::Report> sent = board->received();
        QVERIFY2(sent.size() == 1, e.box);
        QCOMPARE(args(sent.first(), 17), e.expected);
    }
    QCOMPARE(f.find<QSlider>("vsFinPos")->value(), 3000);

    // Without auto update only "Send data" sends, with the stored set.
    f.edit(QStringLiteral("cbAutoUpdatePos"), false);
    board->clearReceived();
    f.edit(QStringLiteral("sbFinPos"), 4000);
    QVERIFY(board->received().isEmpty());
    f.find<QPushButton>("btnWriteTraj")->click();
    QCOMPARE(codes(board->received()), QList<int>{CMD_WRITE_TRAJECTORY});
    QCOMPARE(args(board->received().first(), 17), trajectoryArgs(4000, 30000, 700, 900, 3));
}

void MotionPanelsTest::stopAndSetZero_data()
{
    QTest::addColumn<int>("lowerLimit");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("sentPosition"); // -1: no trajectory before the home command
    QTest::newRow("from 3000") << 0 << 3000 << 0;
    QTest::newRow("zero below the lower limit") << 1000 << 3000 << 1000;
    QTest::newRow("already at zero") << 0 << 0 << -1;
}

void MotionPanelsTest::stopAndSetZero()
{
    QFETCH(int, lowerLimit);
    QFETCH(int, start);
    QFETCH(int, sentPosition);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.edit(QStringLiteral("sbPosLimitLower"), lowerLimit);
    f.edit(QStringLiteral("sbFinPos"), start);
    board->clearReceived();
    f.clearLog();

    f.find<QPushButton>("btnStopTraj")->click();
    QCOMPARE(codes(board->received()), QList<int>{CMD_STOP_TRAJECTORY});
    QCOMPARE(f.lines(), QStringList{QStringLiteral("Stop trajectory...")});
    QCOMPARE(f.find<QSpinBox>("sbFinPos")->value(), std::max(start, lowerLimit));
    QCOMPARE(Torvel.trajectory.RequiredPosition, std::max(start, lowerLimit));

    board->clearReceived();
    f.find<QPushButton>("btnZeroCurPos")->click();
    const QList<sim::Report> sent = board->received();
    if (sentPosition < 0) {
        QCOMPARE(codes(sent), QList<int>{CMD_SET_HOME});
    } else {
        QCOMPARE(codes(sent), (QList<int>{CMD_WRITE_TRAJECTORY, CMD_SET_HOME}));
        QCOMPARE(le32(sent.first(), kArgs), sentPosition);
    }
    QCOMPARE(f.lines().last(), QStringLiteral("Settign home..."));
    QCOMPARE(f.find<QSpinBox>("sbFinPos")->value(), std::max(0, lowerLimit));
}

// DC motor control -------------------------------------------------------

namespace {
// Switches DC motor control on and empties what the switch left behind.
void enableDcMotors(WindowFixture& f, sim::Board* board)
{
    f.find<QGroupBox>("gbPWMControl")->setChecked(true);
    board->clearReceived();
    f.answerer.clear();
    f.clearLog();
}
} // namespace

void MotionPanelsTest::setPwmsSendsPeriodAndDuties_data()
{
    QTest::addColumn<int>("dutyA");
    QTest::addColumn<int>("dutyB");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("period");
    QTest::addColumn<QByteArray>("duties"); // A forward, A reverse, B forward, B reverse
    QTest::addColumn<QStringList>("readout");
    QTest::newRow("-40, 25, 20 kHz")
        << -40 << 25 << 20000 << 23 << QByteArray::fromHex("00281900")
        << QStringList{"PWM A:  -40%, PWM B:   25%, Freq: 20000 Hz",
                       "TMR_A:    0,   40, TMR_B:   25,    0, Actual Freq: 20000 Hz"};
    QTest::newRow("full duties, 100 kHz")
        << 100 << -100 << 100000 << 3 << QByteArray::fromHex("64000064")
        << QStringList{"PWM A:  100%, PWM B: -100%, Freq: 100000 Hz",
                       "TMR_A:  100,    0, TMR_B:    0,  100, Actual Freq: 120000 Hz"};
    QTest::newRow("7 kHz") << 50 << -30 << 7000 << 67 << QByteArray::fromHex("3200001e")
                           << QStringList{
                                  "PWM A:   50%, PWM B:  -30%, Freq: 7000 Hz",
                                  "TMR_A:   50,    0, TMR_B:    0,   30, Actual Freq: 7058 Hz"};
    QTest::newRow("10 Hz, zero duties")
        << 0 << 0 << 10 << 47999 << QByteArray(4, '\0')
        << QStringList{"PWM A:    0%, PWM B:    0%, Freq: 10 Hz",
                       "TMR_A:    0,    0, TMR_B:    0,    0, Actual Freq: 10 Hz"};
}

void MotionPanelsTest::setPwmsSendsPeriodAndDuties()
{
    QFETCH(int, dutyA);
    QFETCH(int, dutyB);
    QFETCH(int, frequency);
    QFETCH(int, period);
    QFETCH(QByteArray, duties);
    QFETCH(QStringList, readout);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    enableDcMotors(f, board);
    f.edit(QStringLiteral("cbAutoUpdatePWMs"), false);
    f.edit(QStringLiteral("sbPWM_A"), dutyA);
    f.edit(QStringLiteral("vsPWM_B"), dutyB);
    f.edit(QStringLiteral("sbPWMFreq"), frequency);
    QVERIFY(board->received().isEmpty());

    f.find<QPushButton>("btnSetPWM")->click();
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_SET_PWM});
    QCOMPARE(le32(sent.first(), kArgs), period);
    QCOMPARE(sent.first().bytes.mid(kArgs + 4, 4), duties);
    auto* listing = f.find<QPlainTextEdit>("ptePWMValues");
    QCOMPARE(listing->toPlainText().split('\n'), readout);

    // The listing belongs to the expert view.
    QVERIFY(listing->isHidden());
    f.pressF12();
    QVERIFY(!listing->isHidden());
    QVERIFY(f.lines().isEmpty());
}

void MotionPanelsTest::eachMirroredChangeSendsOnce_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("period");
    QTest::addColumn<QByteArray>("duties");
    QTest::newRow("spin box A") << "sbPWM_A"
                                << "vsPWM_A" << 75 << 23 << QByteArray::fromHex("4b000000");
    QTest::newRow("slider A") << "vsPWM_A"
                              << "sbPWM_A" << -60 << 23 << QByteArray::fromHex("003c0000");
    QTest::newRow("spin box B") << "sbPWM_B"
                                << "vsPWM_B" << -20 << 23 << QByteArray::fromHex("00000014");
    QTest::newRow("slider B") << "vsPWM_B"
                              << "sbPWM_B" << 5 << 23 << QByteArray::fromHex("00000500");
    QTest::newRow("frequency box") << "sbPWMFreq"
                                   << "dialPWMFreq" << 7000 << 67 << QByteArray(4, '\0');
    QTest::newRow("frequency dial") << "dialPWMFreq"
                                    << "sbPWMFreq" << 33333 << 13 << QByteArray(4, '\0');
}

void MotionPanelsTest::eachMirroredChangeSendsOnce()
{
    QFETCH(QString, source);
    QFETCH(QString, partner);
    QFETCH(int, value);
    QFETCH(int, period);
    QFETCH(QByteArray, duties);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    enableDcMotors(f, board);

    f.edit(source, value);
    QCOMPARE(f.window->findChild<QWidget*>(partner)->property("value").toInt(), value);
    QCOMPARE(f.window->findChild<QWidget*>(source)->property("value").toInt(), value);
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_SET_PWM});
    QCOMPARE(le32(sent.first(), kArgs), period);
    QCOMPARE(sent.first().bytes.mid(kArgs + 4, 4), duties);
}

void MotionPanelsTest::withoutAutoUpdateTheReadoutFollowsAndNothingIsSent()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    enableDcMotors(f, board);
    f.edit(QStringLiteral("cbAutoUpdatePWMs"), false);
    auto* listing = f.find<QPlainTextEdit>("ptePWMValues");
    for (int frequency : {19000, 18000, 33333}) {
        f.edit(QStringLiteral("dialPWMFreq"), frequency);
        QCOMPARE(f.find<QSpinBox>("sbPWMFreq")->value(), frequency);
        QVERIFY(listing->toPlainText().startsWith(
            QStringLiteral("PWM A:    0%, PWM B:    0%, Freq: %1 Hz\n").arg(frequency)));
    }
    QVERIFY(listing->toPlainText().endsWith(QStringLiteral("Actual Freq: 34285 Hz")));
    QVERIFY(board->received().isEmpty());
    f.find<QPushButton>("btnSetPWM")->click();
    QCOMPARE(codes(board->received()), QList<int>{CMD_SET_PWM});
    QCOMPARE(le32(board->received().first(), kArgs), 13);
}

void MotionPanelsTest::stopPwmSendsZeroDutiesOnce_data()
{
    QTest::addColumn<bool>("autoUpdate");
    QTest::newRow("auto update") << true;
    QTest::newRow("no auto update") << false;
}

void MotionPanelsTest::stopPwmSendsZeroDutiesOnce()
{
    QFETCH(bool, autoUpdate);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    enableDcMotors(f, board);
    f.edit(QStringLiteral("sbPWM_A"), 60);
    f.edit(QStringLiteral("sbPWM_B"), -30);
    f.edit(QStringLiteral("sbPWMFreq"), 7000);
    f.edit(QStringLiteral("cbAutoUpdatePWMs"), autoUpdate);
    board->clearReceived();

    f.find<QPushButton>("btnStopPWM")->click();
    for (const char* name : {"sbPWM_A", "vsPWM_A", "sbPWM_B", "vsPWM_B"})
        QVERIFY2(f.window->findChild<QWidget*>(name)->property("value").toInt() == 0, name);
    QCOMPARE(f.find<QDial>("dialPWMFreq")->value(), 7000);
    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), QList<int>{CMD_SET_PWM});
    QCOMPARE(le32(sent.first(), kArgs), 67);
    QCOMPARE(sent.first().bytes.mid(kArgs + 4, 4), QByteArray(4, '\0'));

    // The PWM links are back: the next change is sent as usual.
    board->clearReceived();
    f.edit(QStringLiteral("vsPWM_A"), 10);
    QCOMPARE(board->received().size(), autoUpdate ? 1 : 0);
}

void MotionPanelsTest::switchingDcMotorControlWarnsSleepsThenWritesValues_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QList<int>>("reports");
    QTest::newRow("on") << true << int(dialogs::Kind::Information) << "PWM Information"
                        << "Please make sure DC motor is connected to output terminals!!! "
                           "Driver will be stopped."
                        << "Enabling PWMs." << QList<int>{CMD_SET_ENABLE, CMD_WRITE_VALUES};
    // A running duty is brought to 0 first.
    QTest::newRow("off") << false << int(dialogs::Kind::Warning) << "PWM warning"
                         << "Please make sure STEPPER MOTOR is now connected to output "
                            "terminals. DC motor can suddenly move with fast speed. Driver "
                            "will be stopped."
                         << "Disabling PWMs."
                         << QList<int>{CMD_SET_PWM, CMD_SET_ENABLE, CMD_WRITE_VALUES};
}

void MotionPanelsTest::switchingDcMotorControlWarnsSleepsThenWritesValues()
{
    QFETCH(bool, on);
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QFETCH(QList<int>, reports);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.feed(board, support::poweredRecord(0x02)); // enabled: the caption reads "Stop"
    if (!on) {
        enableDcMotors(f, board);
        f.edit(QStringLiteral("sbPWM_A"), 40);
        f.feed(board, support::poweredRecord(0x02));
    }
    QVERIFY(!f.find<QCheckBox>("cbAutoApplyChanges")->isChecked());
    board->clearReceived();
    f.clearLog();
    OrderingAnswerer answerer(board, &f);
    dialogs::setAnswerer(&answerer);

    f.find<QGroupBox>("gbPWMControl")->setChecked(on);
    dialogs::setAnswerer(&f.answerer);

    QCOMPARE(answerer.shown().size(), 1);
    QCOMPARE(int(answerer.shown().first().kind), kind);
    QCOMPARE(answerer.shown().first().title, title);
    QCOMPARE(answerer.shown().first().text, text);
    QCOMPARE(answerer.reportsBefore, QList<int>{0});
    QCOMPARE(answerer.linesBefore, QList<int>{0});

    const QStringList lines = f.lines();
    const int switched = lines.indexOf(line);
    const int sleep = lines.indexOf(QStringLiteral("Stopping driver (Sleep)."));
    const int write = lines.indexOf(QStringLiteral("Writing Torvel driver values..."));
    QVERIFY(switched == 0 && sleep > switched && write > sleep);

    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), reports);
    if (!on)
        QCOMPARE(sent.first().bytes.mid(kArgs + 4, 4), QByteArray(4, '\0'));
    const sim::Report& enable = sent.at(sent.size() - 2);
    QCOMPARE(int(enable.at(kArgs)), 0);
    std::uint8_t expected[writevalues::kBlockSize] = {};
    codec::toWriteBlock(codec::encode(Torvel.settings), on ? 1 : 0, expected);
    for (int i = 0; i < writevalues::kBlockSize; ++i)
        if (i != 16)
            QCOMPARE(int(sent.last().at(kArgs + i)), int(expected[i]));

    QCOMPARE(Torvel.settings.DCMotorMode, on ? 1 : 0);
    QCOMPARE(f.find<QCheckBox>("cbDCMotorMode")->isChecked(), on);
    QCOMPARE(f.find<QWidget>("tabPositionControl")->isEnabled(), !on);
    QCOMPARE(f.find<QPushButton>("btnRunStop")->text(), QStringLiteral("Run"));
    for (const char* name : {"sbPWM_A", "vsPWM_A", "sbPWM_B", "vsPWM_B"})
        QVERIFY2(f.window->findChild<QWidget*>(name)->property("value").toInt() == 0, name);
}

// Esc ----------------------------------------------------------------------

void MotionPanelsTest::escapeStopsThePresentModeFromEveryTab_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("code"); // the one report Esc sends, -1 for none
    QTest::addColumn<QString>("line");
    QTest::newRow("step/dir") << kOpModeStepDir << int(CMD_SET_STEP_FREQ)
                              << "Esc: stopping the step generator (step rate 0).";
    QTest::newRow("trajectory") << kOpModeTrajectory << int(CMD_STOP_TRAJECTORY)
                                << "Esc: stopping the trajectory.";
    QTest::newRow("dc motors") << kOpModeDcMotor << int(CMD_SET_PWM)
                               << "Esc: setting both PWM duties to 0.";
    QTest::newRow("external step/dir")
        << kOpModeDefault << -1
        << "Esc: the board follows its external Step/Dir inputs; nothing to stop from here.";
}

void MotionPanelsTest::escapeStopsThePresentModeFromEveryTab()
{
    QFETCH(int, mode);
    QFETCH(int, code);
    QFETCH(QString, line);
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.mode = std::uint8_t(mode);
    f.feed(board, v);

    auto* tabs = f.find<QTabWidget>("tabMainTab");
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        f.edit("dialStepSpeed", 40);
        f.find<QSpinBox>("sbPWM_A")->setValue(30);
        f.find<QSpinBox>("sbPWM_B")->setValue(-20);
        // Esc reaches the window from whatever has the focus on the tab.
        for (QWidget* child : tabs->currentWidget()->findChildren<QWidget*>())
            if (child->isVisible() && child->isEnabled() && child->focusPolicy() != Qt::NoFocus) {
                child->setFocus();
                break;
            }
        board->clearReceived();
        f.clearLog();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : f.window.get(), Qt::Key_Escape);

        const QString where = tabs->tabText(tab);
        const QList<sim::Report> sent = board->received();
        QCOMPARE(codes(sent), code < 0 ? QList<int>() : QList<int>{code});
        QCOMPARE(f.lines(), QStringList{line});
        if (code == CMD_SET_STEP_FREQ) {
            QCOMPARE(le32(sent.first(), kArgs), -1); // the stopped divider
            QVERIFY2(f.find<QDial>("dialStepSpeed")->value() == 0, qPrintable(where));
            QCOMPARE(f.find<QLabel>("lblFrequency")->text(), QStringLiteral("0"));
        }
        if (code == CMD_SET_PWM) {
            QCOMPARE(args(sent.first(), 8).mid(4), QByteArray(4, '\0'));
            QCOMPARE(f.find<QSpinBox>("sbPWM_A")->value(), 0);
            QCOMPARE(f.find<QSpinBox>("sbPWM_B")->value(), 0);
        }
    }
}

QTEST_MAIN(MotionPanelsTest)
#include "test_motion_panels.moc"
