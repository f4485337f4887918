// The "Driver setup" tab: the slider/spin-box pairs, showing records the board
// reports, auto-apply, the DC motor mode switch, and the read and write buttons
// with and without a board.
#include "support/window_fixture.h"

#include "device/protocol.h"
#include "settings/settings_ranges.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

using namespace protocol;

namespace {
const QString kDefaultValues = QStringLiteral("3;2.2;1.0;85;0.5;1;5;1.00;0;0.5;15.0;0");

// The register block of the start-up record as it travels in a write-values
// report, without offset 16 (the program's own business): words 0 to 6, zeros
// for word 7, stepper mode, temperature limit, idle and reduced current words.
const QByteArray kDefaultWriteBlock =
    QByteArray::fromHex("1906 8707 1d00 3100 0005 000f af05 0000 01 55 7a03 3d03");
// The same record as the board keeps it: words 0 to 7, temperature limit, currents.
const QByteArray kDefaultValuesBlock =
    QByteArray::fromHex("1906 8707 1d00 3100 0005 000f af05 0000 55 7a03 3d03");

// A record far from the start-up one, in every field a values reply carries.
DrvSettings boardRecord()
{
    DrvSettings s;
    s.StepMode = 5;
    s.FullScaleCurrent = 3.0;
    s.IdleCurrent = 0.8;
    s.TemperatureLimit = 70;
    s.ReducedCurrent = 0.4;
    s.DTime = 2;
    s.DecayMode = 3;
    s.TBlank = 99;
    s.AdaptiveBlanking = 1;
    s.TDecay = 9;
    s.TOff = 59;
    return s;
}
const QString kBoardValues = QStringLiteral("5;3.0;0.8;70;0.4;2;3;2.00;1;5.0;30.0;0");
// How long a values read waits for the board's reply once both requests are sent.
constexpr int kReadTimeOutMs = 1500;

QList<int> codes(const QList<sim::Report>& reports)
{
    QList<int> result;
    for (const sim::Report& r : reports)
        result.append(r.code());
    return result;
}

// Hands the receive path the replies already waiting, one per tick.
void receive(int replies)
{
    Torvel.rxTimer->stop();
    for (int i = 0; i < replies; ++i)
        Torvel.USBRXTimerHandler();
}
} // namespace

class SetupPanelTest : public QObject {
    Q_OBJECT
private slots:
    void rangesOfOtherProgramsAreThePanels_data();
    void rangesOfOtherProgramsAreThePanels();
    void blankingPairConverts_data();
    void blankingPairConverts();
    void fixedOffPullsMixedDecayDownAndMixedDecayPushesFixedOffUp();
    void everyCountSurvivesShowingARecord();
    void recordWithMixedDecayAboveFixedOffShowsItPulledDown();
    void readoutFollowsPredriverSpeedAndTimes_data();
    void readoutFollowsPredriverSpeedAndTimes();
    void oneEditWithAutoApplyWritesOnce_data();
    void oneEditWithAutoApplyWritesOnce();
    void autoApplyWritesOnlySettledPairs_data();
    void autoApplyWritesOnlySettledPairs();
    void dcMotorModeCheckBoxSwitchesToPwmControl();
    void valuesReplyWithDcModeShowsItWithoutThePwmHandler();
    void readButtonKeepsThePanelUntilTheRepliesArrive();
    void failedReadChangesNothingAndWarns_data();
    void failedReadChangesNothingAndWarns();
    void writeButtonWithoutBoardLogsAndKeepsDriverValues();
    void writeButtonSendsRecordNameAndSaveAndReadsBack();
};

void SetupPanelTest::rangesOfOtherProgramsAreThePanels_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("widget");
    const QList<QPair<const char*, const char*>> widgets = {
        {"StepMode", "cbStepMode"},
        {"FullScaleCurrent", "dsbFSCurrent"},
        {"IdleCurrent", "dsbIdleCurrent"},
        {"TemperatureLimit", "sbTempLimit"},
        {"ReducedCurrent", "dsbReducedCurrent"},
        {"PredriverSpeed", "cbPredriverSpeed"},
        {"DecayMode", "cbDecayMode"},
        {"BlankingTime", "dsbBlankingTime"},
        {"AdaptiveBlanking", "cbAdaptiveBlanking"},
        {"MixedDecayTime", "dsbMixedDecayTime"},
        {"FixedOffTime", "dsbFixedOffTime"},
    };
    QCOMPARE(widgets.size(), settingsrange::kRangeCount);
    for (const auto& [key, widget] : widgets)
        QTest::newRow(key) << QString::fromLatin1(key) << QString::fromLatin1(widget);
}

// The command-line program refuses what the panel cannot show, so its range
// table must say what the panel's widgets allow.
void SetupPanelTest::rangesOfOtherProgramsAreThePanels()
{
    QFETCH(QString, key);
    QFETCH(QString, widget);
    const settingsrange::Range* range = settingsrange::find(key);
    QVERIFY(range);
    WindowFixture f;
    if (auto* combo = f.window->findChild<QComboBox*>(widget)) {
        QCOMPARE(range->low, 0.0);
        QCOMPARE(range->high, double(combo->count() - 1));
        QCOMPARE(range->stepsPerUnit, 1);
    } else if (auto* spin = f.window->findChild<QSpinBox*>(widget)) {
        QCOMPARE(range->low, double(spin->minimum()));
        QCOMPARE(range->high, double(spin->maximum()));
        QCOMPARE(range->stepsPerUnit * spin->singleStep(), 1);
    } else {
        auto* box = f.find<QDoubleSpinBox>(qPrintable(widget));
        QCOMPARE(range->low, box->minimum());
        QCOMPARE(range->high, box->maximum());
        QCOMPARE(range->stepsPerUnit * box->singleStep(), 1.0);
        QCOMPARE(range->decimals, box->decimals());
    }
}

void SetupPanelTest::blankingPairConverts_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("time");
    QTest::newRow("slider 49") << "hsBlankingTime" << 49.0 << 49 << 1.00;
    QTest::newRow("slider 0") << "hsBlankingTime" << 0.0 << 0 << 0.02;
    QTest::newRow("slider 255") << "hsBlankingTime" << 255.0 << 255 << 5.12;
    QTest::newRow("spin 2.56") << "dsbBlankingTime" << 2.56 << 127 << 2.56;
    QTest::newRow("spin 0.58 rounds") << "dsbBlankingTime" << 0.58 << 28 << 0.58;
    QTest::newRow("spin 5.12") << "dsbBlankingTime" << 5.12 << 255 << 5.12;
}

void SetupPanelTest::blankingPairConverts()
{
    QFETCH(QString, control);
    QFETCH(double, value);
    QFETCH(int, count);
    QFETCH(double, time);
    WindowFixture f;
    f.edit(control, value);
    QCOMPARE(f.find<QSlider>("hsBlankingTime")->value(), count);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbBlankingTime")->value(), time);
    QCOMPARE(Torvel.settings.TBlank, count);
    QCOMPARE(Torvel.settings.BlankingTime, time);
}

void SetupPanelTest::fixedOffPullsMixedDecayDownAndMixedDecayPushesFixedOffUp()
{
    WindowFixture f;
    auto* mixed = f.find<QSlider>("hsMixedDecayTime");
    auto* mixedTime = f.find<QDoubleSpinBox>("dsbMixedDecayTime");
    auto* off = f.find<QSlider>("hsFixedOffTime");
    auto* offTime = f.find<QDoubleSpinBox>("dsbFixedOffTime");
    f.edit("hsMixedDecayTime", 20);
    QCOMPARE(mixedTime->value(), 10.5);
    QCOMPARE(off->value(), 29);

    f.edit("hsFixedOffTime", 10);
    QCOMPARE(offTime->value(), 5.5);
    QCOMPARE(mixed->value(), 10);
    QCOMPARE(mixedTime->value(), 5.5);

    f.edit("dsbMixedDecayTime", 20.0);
    QCOMPARE(mixed->value(), 39);
    QCOMPARE(off->value(), 39);
    QCOMPARE(offTime->value(), 20.0);
    QCOMPARE(Torvel.settings.TDecay, 39);
    QCOMPARE(Torvel.settings.TOff, 39);
    QVERIFY(f.configuration("Custom settings").endsWith(";20.0;20.0;0"));
}

void SetupPanelTest::everyCountSurvivesShowingARecord()
{
    WindowFixture f;
    auto* blanking = f.find<QSlider>("hsBlankingTime");
    auto* mixed = f.find<QSlider>("hsMixedDecayTime");
    auto* off = f.find<QSlider>("hsFixedOffTime");
    QList<int> counts;
    for (int c = 0; c < 256; ++c)
        counts.append(c);
    for (int c = 255; c >= 0; --c)
        counts.append(c);
    for (int c : counts) {
        DrvSettings s = boardRecord();
        s.TBlank = s.TDecay = s.TOff = c;
        Torvel.registers = codec::encode(s);
        Torvel.DriverRegisters2DrvSettings();
        emit Torvel.newDriverValuesAvailable();

        const QByteArray at = QByteArray::number(c);
        QVERIFY2(blanking->value() == c && mixed->value() == c && off->value() == c, at);
        QVERIFY2(Torvel.settings.TBlank == c && Torvel.settings.TDecay == c &&
                     Torvel.settings.TOff == c,
                 at);
        // The read-out re-encodes the image from the record.
        QVERIFY2(int(Torvel.registers.BlankWord & 0xFF) == c &&
                     int(Torvel.registers.DecayWord & 0xFF) == c &&
                     int(Torvel.registers.OffWord & 0xFF) == c,
                 at);
    }
}

void SetupPanelTest::recordWithMixedDecayAboveFixedOffShowsItPulledDown()
{
    WindowFixture f;
    DrvSettings s = boardRecord();
    s.TDecay = 80;
    s.TOff = 30;
    Torvel.registers = codec::encode(s);
    Torvel.DriverRegisters2DrvSettings();
    emit Torvel.newDriverValuesAvailable();
    QCOMPARE(f.find<QSlider>("hsFixedOffTime")->value(), 30);
    QCOMPARE(f.find<QSlider>("hsMixedDecayTime")->value(), 30);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbMixedDecayTime")->value(), 15.5);
    QCOMPARE(Torvel.settings.TDecay, 30);
    QCOMPARE(Torvel.settings.MixedDecayTime, 15.5);
}

void SetupPanelTest::readoutFollowsPredriverSpeedAndTimes_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("blankingCount");
    QTest::addColumn<QStringList>("timing");
    QTest::addColumn<QString>("onLabel");
    QTest::newRow("slowest, drive time over blanking")
        << 3 << 49
        << QStringList{"IDRIVE > Q / RT == 50.0mA > 43.0nC / 850.0ns = 50.6mA",
                       "TDRIVE > 2 x RT == 2000.0ns > 1700.0ns",
                       "DTIME = 850.0ns, TBLANK = 1000ns, TOFF = 15000ns, (TDECAY = 500ns) >> "
                       "fPWM ~ 56.5kHz",
                       "Q < 20mA/4xfPWM == 88.5nC"}
        << "2.00us < ";
    QTest::newRow("slowest, blanking over drive time")
        << 3 << 127
        << QStringList{"IDRIVE > Q / RT == 50.0mA > 43.0nC / 850.0ns = 50.6mA",
                       "TDRIVE > 2 x RT == 2000.0ns > 1700.0ns",
                       "DTIME = 850.0ns, TBLANK = 2560ns, TOFF = 15000ns, (TDECAY = 500ns) >> "
                       "fPWM ~ 51.9kHz",
                       "Q < 20mA/4xfPWM == 96.3nC"}
        << "2.56us < ";
    QTest::newRow("fast, drive time equal to blanking")
        << 0 << 49
        << QStringList{"IDRIVE > Q / RT == 100.0mA > 43.0nC / 400.0ns = 107.5mA",
                       "TDRIVE > 2 x RT == 1000.0ns > 800.0ns",
                       "DTIME = 400.0ns, TBLANK = 1000ns, TOFF = 15000ns, (TDECAY = 500ns) >> "
                       "fPWM ~ 59.5kHz",
                       "Q < 20mA/4xfPWM == 84.0nC"}
        << "1.00us < ";
    QTest::newRow("slow, drive time just over blanking")
        << 2 << 98
        << QStringList{"IDRIVE > Q / RT == 100.0mA > 43.0nC / 650.0ns = 66.2mA",
                       "TDRIVE > 2 x RT == 2000.0ns > 1300.0ns",
                       "DTIME = 650.0ns, TBLANK = 1980ns, TOFF = 15000ns, (TDECAY = 500ns) >> "
                       "fPWM ~ 54.7kHz",
                       "Q < 20mA/4xfPWM == 91.4nC"}
        << "2.00us < ";
}

void SetupPanelTest::readoutFollowsPredriverSpeedAndTimes()
{
    QFETCH(int, speed);
    QFETCH(int, blankingCount);
    QFETCH(QStringList, timing);
    QFETCH(QString, onLabel);
    WindowFixture f;
    f.edit("cbPredriverSpeed", speed);
    f.edit("hsBlankingTime", blankingCount);
    const QStringList lines =
        f.find<QPlainTextEdit>("pteRegistersValues")->toPlainText().split('\n');
    QCOMPARE(lines.mid(0, 4), timing);
    QCOMPARE(lines.mid(4),
             (QStringList{Torvel.DrvSettings2String(), Torvel.DriverRegisters2String()}));
    QCOMPARE(f.find<QLabel>("lblTon")->text(), onLabel);
    QCOMPARE(f.find<QLabel>("lblTblank")->text(),
             QString::asprintf("%0.2fus", codec::kBlankingUnitUs * (blankingCount + 1)));
}

void SetupPanelTest::oneEditWithAutoApplyWritesOnce_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("full-scale current") << "dsbFSCurrent" << QVariant(3.1);
    QTest::newRow("blanking slider") << "hsBlankingTime" << QVariant(77);
    QTest::newRow("blanking time") << "dsbBlankingTime" << QVariant(0.58);
    QTest::newRow("mixed-decay slider past fixed off") << "hsMixedDecayTime" << QVariant(60);
    QTest::newRow("mixed-decay time past fixed off") << "dsbMixedDecayTime" << QVariant(30.0);
    QTest::newRow("fixed-off slider below mixed decay") << "hsFixedOffTime" << QVariant(0);
    QTest::newRow("step mode") << "cbStepMode" << QVariant(5);
}

void SetupPanelTest::oneEditWithAutoApplyWritesOnce()
{
    QFETCH(QString, control);
    QFETCH(QVariant, value);
    WindowFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(f.waitForReplies());
    f.autoApply();
    f.edit("hsMixedDecayTime", 9); // a mixed-decay count the fixed-off edit pulls down
    board->clearReceived();

    f.edit(control, value);
    const QList<sim::Report> writes = board->receivedWithCode(CMD_WRITE_VALUES);
    QCOMPARE(writes.size(), 1);
    std::uint8_t expected[writevalues::kBlockSize] = {};
    codec::toWriteBlock(codec::encode(Torvel.settings), Torvel.settings.DCMotorMode, expected);
    for (int i = 0; i < writevalues::kBlockSize; ++i)
        if (i != 16) // the spare byte goes out as 0
            QCOMPARE(int(writes.first().at(writevalues::kBlock + i)), int(expected[i]));
    QCOMPARE(int(writes.first().at(writevalues::kBlock + writevalues::kSpare)), 0);
}

void SetupPanelTest::autoApplyWritesOnlySettledPairs_data()
{
    QTest::addColumn<bool>("drag");
    QTest::newRow("dragging the mixed-decay slider") << true;
    QTest::newRow("typing the mixed-decay time") << false;
}

void SetupPanelTest::autoApplyWritesOnlySettledPairs()
{
    QFETCH(bool, drag);
    WindowFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(f.waitForReplies());
    f.autoApply();
    QCOMPARE(f.find<QSlider>("hsFixedOffTime")->value(), 29);
    board->clearReceived();

    auto* mixed = f.find<QSlider>("hsMixedDecayTime");
    if (drag) {
        mixed->setSliderDown(true);
        for (int position : {10, 25, 33, 40})
            mixed->setSliderPosition(position);
        mixed->setSliderDown(false);
    } else {
        f.edit("dsbMixedDecayTime", 20.5);
    }

    const QList<sim::Report> writes = board->receivedWithCode(CMD_WRITE_VALUES);
    QVERIFY(!writes.isEmpty());
    for (const sim::Report& write : writes) {
        const int offCount = write.at(writevalues::kBlock + 4);
        const int decayCount = write.at(writevalues::kBlock + 8);
        QVERIFY2(decayCount <= offCount,
                 qPrintable(QStringLiteral("decay %1 above off %2").arg(decayCount).arg(offCount)));
    }
    QCOMPARE(int(std::uint8_t(board->registers().at(4))), 40); // fixed-off count
    QCOMPARE(int(std::uint8_t(board->registers().at(8))), 40); // mixed-decay count
    QCOMPARE(f.selectedEntry(), QStringLiteral("Custom settings"));
    QCOMPARE(f.configuration("Custom settings"),
             QStringLiteral("Custom settings;3;2.2;1.0;85;0.5;1;5;1.00;0;20.5;20.5;0"));
}

void SetupPanelTest::dcMotorModeCheckBoxSwitchesToPwmControl()
{
    WindowFixture f;
    auto* dcMode = f.find<QCheckBox>("cbDCMotorMode");
    auto* pwm = f.find<QGroupBox>("gbPWMControl");
    auto* stepMode = f.find<QComboBox>("cbStepMode");

    dcMode->click();
    QVERIFY(!stepMode->isEnabled());
    QVERIFY(pwm->isChecked());
    QCOMPARE(Torvel.settings.DCMotorMode, 1);
    QVERIFY(f.lines().contains(QStringLiteral("Enabling PWMs.")));
    QCOMPARE(f.answerer.shown().size(), 1);
    QCOMPARE(f.answerer.shown().first().title, QStringLiteral("PWM Information"));
    QVERIFY(f.configuration("Custom settings").endsWith(";1"));

    dcMode->click();
    QVERIFY(stepMode->isEnabled());
    QVERIFY(!pwm->isChecked());
    QCOMPARE(Torvel.settings.DCMotorMode, 0);
    QVERIFY(f.lines().contains(QStringLiteral("Disabling PWMs.")));
}

void SetupPanelTest::valuesReplyWithDcModeShowsItWithoutThePwmHandler()
{
    WindowFixture f;
    sim::Board* board = sim::plug();
    DrvSettings s = boardRecord();
    s.DCMotorMode = 1;
    board->setRegisters(support::valuesBlock(codec::encode(s)));
    board->setStreamRate(0);
    Torvel.USBEnumTimerHandler();
    QVERIFY(f.waitForReplies());

    QVERIFY(f.find<QCheckBox>("cbDCMotorMode")->isChecked());
    QVERIFY(f.find<QGroupBox>("gbPWMControl")->isChecked());
    QVERIFY(!f.find<QWidget>("tabPositionControl")->isEnabled());
    QVERIFY(!f.find<QComboBox>("cbStepMode")->isEnabled());
    QCOMPARE(Torvel.settings.DCMotorMode, 1);
    QVERIFY(f.answerer.shown().isEmpty());
    QVERIFY(!f.lines().contains(QStringLiteral("Enabling PWMs.")));
    QVERIFY(board->receivedWithCode(CMD_WRITE_VALUES).isEmpty());
    QVERIFY(board->receivedWithCode(CMD_SET_ENABLE).isEmpty());
}

void SetupPanelTest::readButtonKeepsThePanelUntilTheRepliesArrive()
{
    WindowFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(f.waitForReplies());
    QCOMPARE(f.entries().last(), QStringLiteral("Driver values"));
    QCOMPARE(f.selectedEntry(), QStringLiteral("Driver values"));
    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("Bench axis"));
    const int entryCount = f.entries().size();

    board->setRegisters(support::valuesBlock(codec::encode(boardRecord())));
    board->setName(support::boardName("Axis 9"));
    f.edit("leDriverName", QStringLiteral("typed"));
    board->clearReceived();
    f.find<QPushButton>("btnReadDrvValues")->click();

    QCOMPARE(codes(board->received()),
             (QList<int>{CMD_GET_VALUES, CMD_GET_VALUES, CMD_GET_NAME, CMD_GET_NAME}));
    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("typed"));
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 2.2);

    receive(1); // the first values reply shows the record's name again
    QCOMPARE(Torvel.DrvSettings2String(), kBoardValues);
    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("Bench axis"));
    receive(2); // second values reply, first name reply
    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("Axis 9"));
    receive(1);

    QCOMPARE(f.find<QComboBox>("cbStepMode")->currentIndex(), 5);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 3.0);
    QCOMPARE(f.find<QSpinBox>("sbTempLimit")->value(), 70);
    QCOMPARE(f.find<QComboBox>("cbPredriverSpeed")->currentIndex(), 2);
    QCOMPARE(f.find<QComboBox>("cbDecayMode")->currentIndex(), 3);
    QCOMPARE(f.find<QComboBox>("cbAdaptiveBlanking")->currentIndex(), 1);
    QCOMPARE(f.find<QSlider>("hsBlankingTime")->value(), 99);
    QCOMPARE(f.find<QSlider>("hsMixedDecayTime")->value(), 9);
    QCOMPARE(f.find<QSlider>("hsFixedOffTime")->value(), 59);
    QCOMPARE(f.entries().size(), entryCount);
    QCOMPARE(f.selectedEntry(), QStringLiteral("Driver values"));
    QCOMPARE(f.configuration("Driver values"), "Driver values;" + kBoardValues);
    f.time.advance(kReadTimeOutMs);
    QVERIFY(f.answerer.shown().isEmpty());
}

// No board, or one that never answers: the panel keeps every value (a zeroed
// current would reach the board with the next write) and the user is told.
void SetupPanelTest::failedReadChangesNothingAndWarns_data()
{
    QTest::addColumn<bool>("board");
    QTest::newRow("no board") << false;
    QTest::newRow("silent board") << true;
}

void SetupPanelTest::failedReadChangesNothingAndWarns()
{
    QFETCH(bool, board);
    WindowFixture f;
    if (board) {
        QVERIFY(f.plugAndScan());
        QVERIFY(f.waitForReplies());
        sim::boards().first()->setSilent(true);
    }
    f.edit("leDriverName", QStringLiteral("Axis 2"));
    f.edit("dsbFSCurrent", 3.1);
    const QString record = Torvel.DrvSettings2String();
    const QStringList entries = f.entries();
    f.clearLog();
    f.find<QPushButton>("btnReadDrvValues")->click();
    // Told when the board is missing, or once the read has had its time.
    if (board) {
        f.time.advance(kReadTimeOutMs - 1);
        QVERIFY(f.answerer.shown().isEmpty());
        f.time.advance(1);
    }

    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("Axis 2"));
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->value(), 3.1);
    QCOMPARE(Torvel.DrvSettings2String(), record);
    QCOMPARE(f.entries(), entries);
    QCOMPARE(f.answerer.shown().size(), 1);
    QCOMPARE(f.answerer.shown().first().kind, dialogs::Kind::Warning);
    QCOMPARE(f.answerer.shown().first().title, QStringLiteral("Read values from driver"));
    const QString reason = board ? QStringLiteral("The board did not answer the values request; "
                                                  "the panel keeps its values.")
                                 : QStringLiteral("Cannot read values from driver: no board "
                                                  "connected.");
    QCOMPARE(f.count(reason), 1);
}

void SetupPanelTest::writeButtonWithoutBoardLogsAndKeepsDriverValues()
{
    WindowFixture f;
    f.edit("leDriverName", QStringLiteral("Axis 3"));
    f.clearLog();
    auto* write = f.find<QPushButton>("btnWriteDrvValues");
    write->click();
    QCOMPARE(f.lines(), (QStringList{"Writing Torvel driver values...",
                                     "Changing device custom name to: Axis 3",
                                     "Saving Torvel driver values..."}));
    QCOMPARE(f.entries(),
             (QStringList{"Default configuration", "Low temp configuration", "Driver values"}));
    QCOMPARE(f.selectedEntry(), QStringLiteral("Driver values"));
    QCOMPARE(f.configuration("Driver values"), "Driver values;" + kDefaultValues);

    f.edit("sbTempLimit", 50);
    f.clearLog();
    write->click();
    QCOMPARE(f.lines(), (QStringList{"Changing device custom name to: Axis 3",
                                     "Saving Torvel driver values..."}));
    QCOMPARE(f.entries(), (QStringList{"Default configuration", "Low temp configuration",
                                       "Driver values", "Custom settings"}));
    QCOMPARE(f.selectedEntry(), QStringLiteral("Driver values"));
    QCOMPARE(f.configuration("Driver values"),
             QStringLiteral("Driver values;3;2.2;1.0;50;0.5;1;5;1.00;0;0.5;15.0;0"));
}

void SetupPanelTest::writeButtonSendsRecordNameAndSaveAndReadsBack()
{
    WindowFixture f;
    sim::Board* board = sim::plug();
    board->setRegisters(support::valuesBlock(codec::encode(boardRecord())));
    board->setStreamRate(0);
    Torvel.USBEnumTimerHandler();
    QVERIFY(f.waitForReplies());
    const int entryCount = f.entries().size();

    f.edit("cbConfigurations", 0); // the start-up record
    f.edit("leDriverName", QStringLiteral("Axis 7"));
    f.clearLog();
    board->clearReceived();
    f.find<QPushButton>("btnWriteDrvValues")->click();

    const QList<sim::Report> sent = board->received();
    QCOMPARE(codes(sent), (QList<int>{CMD_WRITE_VALUES, CMD_SET_NAME, CMD_SAVE_VALUES}));
    QByteArray block = sent[0].bytes.mid(writevalues::kBlock, writevalues::kBlockSize);
    block.remove(16, 1);
    QCOMPARE(block.toHex(), kDefaultWriteBlock.toHex());
    QCOMPARE(sent[1].bytes.mid(setname::kFirst, setname::kLength), support::boardName("Axis 7"));
    QCOMPARE(board->registers().toHex(), kDefaultValuesBlock.toHex());
    QCOMPARE(board->name(), support::boardName("Axis 7"));
    QCOMPARE(f.lines(), (QStringList{"Writing Torvel driver values...",
                                     "Changing device custom name to: Axis 7",
                                     "Saving Torvel driver values..."}));
    QCOMPARE(f.entries().size(), entryCount);
    QCOMPARE(f.selectedEntry(), QStringLiteral("Driver values"));
    QCOMPARE(f.configuration("Driver values"), "Driver values;" + kDefaultValues);

    // What was written comes back with the next read, and survives a power cycle.
    f.edit("cbConfigurations", 1);
    f.find<QPushButton>("btnReadDrvValues")->click();
    receive(4);
    QCOMPARE(Torvel.DrvSettings2String(), kDefaultValues);
    QCOMPARE(f.find<QLineEdit>("leDriverName")->text(), QStringLiteral("Axis 7"));
    board->unplug();
    board->replug();
    QCOMPARE(board->registers().toHex(), kDefaultValuesBlock.toHex());
}

QTEST_MAIN(SetupPanelTest)
#include "test_setup_panel.moc"
