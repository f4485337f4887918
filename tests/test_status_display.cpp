// The status area on every real-time record: read-outs, inputs, driver status,
// faults with the red panel, the mode indicator, position and speed, and the
// "Reset faults" button.
#include "support/window_fixture.h"

#include "app/frame_pacer.h"
#include "monitor/lcd_text.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QTabWidget>
#include <cmath>
#include <qcustomplot.h>

using namespace protocol;

Q_DECLARE_METATYPE(sim::LiveValues)

namespace {
const QString kOverTemperature = QStringLiteral("Device has entered overtemperature shutdown.");
const QString kLowVoltage = QStringLiteral("Power supply voltage too low.");

// The raw voltage that decodes just below the motor-power threshold (7.99 V).
constexpr std::uint16_t kBelowPowerRaw = 111;

const char* const kInputBoxes[] = {
    "cbInpBootloaderOverride", "cbInpSleep", "cbInpStep", "cbInpDir", "cbInpBin1", "cbInpBin2",
    "cbInpEndSwitch"};

QStringList faultLines(const WindowFixture& f)
{
    return f.find<QPlainTextEdit>("pteFaults")->toPlainText().split('\n');
}

// Whether the LCD shows text, judged by its picture: a twin of it, showing
// text, must look the same. The LCD itself offers no way to read it back.
bool lcdShows(QLCDNumber* lcd, const QString& text)
{
    QLCDNumber twin(lcd->parentWidget());
    twin.setGeometry(lcd->geometry());
    twin.setFrameShape(lcd->frameShape());
    twin.setDigitCount(lcd->digitCount());
    twin.setSmallDecimalPoint(lcd->smallDecimalPoint());
    twin.setPalette(lcd->palette());
    twin.setAutoFillBackground(lcd->autoFillBackground());
    twin.display(text);
    return twin.grab().toImage() == lcd->grab().toImage();
}

// The status area holds no value: nothing a record could have set is shown.
void verifyNoData(const WindowFixture& f, const QString& driverText)
{
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdVoltage"), QStringLiteral("--.-")));
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdTemperature"), QStringLiteral("--.-")));
    QCOMPARE(f.find<QLabel>("lblDriverStatus")->text(), driverText);
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), QStringLiteral("Faults unknown"));
    QCOMPARE(f.find<QPlainTextEdit>("pteFaults")->toPlainText(), QString());
    QVERIFY(f.find<QFrame>("frmStatus")->isHidden());
    for (const char* box : kInputBoxes)
        QVERIFY2(!f.find<QCheckBox>(box)->isChecked(), box);
    for (const char* mode : {"rbMode", "rbMode_2", "rbMode_3", "rbMode_4"})
        QVERIFY2(!f.find<QRadioButton>(mode)->isChecked(), mode);
}

// Paint events per widget, counted from when it was last reset.
class PaintCounter : public QObject {
public:
    void watch(QWidget* widget, const QString& name)
    {
        widget->installEventFilter(this);
        m_names.insert(widget, name);
    }
    void reset() { m_painted.clear(); }
    QStringList painted() const
    {
        QStringList names = m_painted.values();
        names.sort();
        return names;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted.insert(m_names.value(watched));
        return false;
    }

private:
    QHash<QObject*, QString> m_names;
    QSet<QString> m_painted;
};

// The status display's widgets besides the input boxes (the fault list is
// watched through its viewport too, where its text is painted), and the frame
// that holds the read-outs.
const char* const kStatusWidgets[] = {
    "lcdVoltage", "lcdTemperature", "lblDriverStatus", "lblFaultsStatus",
    "frmStatus",  "pteFaults",      "btnRunStop",      "rbMode",
    "rbMode_2",   "rbMode_3",       "rbMode_4",        "sbCurPos",
    "sbCurSpeed", "sbAccel",        "sbDecel",         "frm"};

// Lets every pending relayout and repaint happen, the window's held-back
// frame included.
void settle(VirtualTime& time)
{
    constexpr int kRounds = 10; // a relayout posts further events
    for (int i = 0; i < kRounds; ++i)
        QCoreApplication::processEvents();
    time.advance(app::FramePacer::kFrameIntervalMs);
    for (int i = 0; i < kRounds; ++i)
        QCoreApplication::processEvents();
}

// A powered, enabled driver with the direction input set, at a position.
sim::LiveValues movedRecord()
{
    sim::LiveValues v = support::poweredRecord(0x0A);
    v.position = 100;
    return v;
}
} // namespace

class StatusDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void readoutsShowFilteredValuesWithOneDecimalAndSendNothing();
    void eachInputBitChecksItsOwnBox_data();
    void eachInputBitChecksItsOwnBox();
    void driverStatusTextFollowsTheStateCode_data();
    void driverStatusTextFollowsTheStateCode();
    void faultsShowThenClear();
    void faultLabelAndListFollowTheFaultBits_data();
    void faultLabelAndListFollowTheFaultBits();
    void recordWithoutMotorPowerKeepsFaultListAndPanel_data();
    void recordWithoutMotorPowerKeepsFaultListAndPanel();
    void modeIndicatorMovesOnlyForKnownCodes();
    void positionAndSpeedShowAndMovingLocksAccelerationAndDeceleration();
    void resetFaultsSendsOneReportAndChangesNothing();
    void lcdTextKeepsEveryDigit_data();
    void lcdTextKeepsEveryDigit();
    void lcdsShowExtremeRecordsInFull_data();
    void lcdsShowExtremeRecordsInFull();
    void twoFaultsAreReadableFromTheFirst();
    void noBoardShowsNoValueUntilTheNextRecord();
    void onlyWhatChangedIsRepainted_data();
    void onlyWhatChangedIsRepainted();
};

void StatusDisplayTest::readoutsShowFilteredValuesWithOneDecimalAndSendNothing()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.voltageRaw = 400;     // 28.83 V
    v.temperatureRaw = 300; // 37.5 degC
    f.feed(board, v, 40);   // long enough for both smoothings to settle
    QCOMPARE(f.find<QLCDNumber>("lcdVoltage")->value(), 28.8);
    QCOMPARE(f.find<QLCDNumber>("lcdTemperature")->value(), 37.5);
    QVERIFY(board->received().isEmpty());

    // The median filter ignores one outlier among five.
    v.voltageRaw = 4000;
    f.feed(board, v);
    QCOMPARE(f.find<QLCDNumber>("lcdVoltage")->value(), 28.8);
}

void StatusDisplayTest::eachInputBitChecksItsOwnBox_data()
{
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("box"); // index into kInputBoxes, -1 for none
    for (int bit = 0; bit < 7; ++bit)
        QTest::addRow("bit %d", bit) << (1 << bit) << bit;
    QTest::newRow("unused bit 7") << 0x80 << -1;
}

void StatusDisplayTest::eachInputBitChecksItsOwnBox()
{
    QFETCH(int, inputs);
    QFETCH(int, box);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.inputs = 0x7F; // every box checked first, so each must be cleared again
    f.feed(board, v);
    v.inputs = std::uint8_t(inputs);
    f.feed(board, v);

    for (int i = 0; i < 7; ++i)
        QVERIFY2(f.find<QCheckBox>(kInputBoxes[i])->isChecked() == (i == box), kInputBoxes[i]);
    QCOMPARE(f.find<QPushButton>("btnRunStop")->text(),
             box == 1 ? QStringLiteral("Stop") : QStringLiteral("Run"));
    QCOMPARE(Torvel.rt.EnableInput, box == 1);
}

void StatusDisplayTest::driverStatusTextFollowsTheStateCode_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "No motor power available";
    QTest::newRow("1") << 1 << "Driver Disabled (Sleep)";
    QTest::newRow("2") << 2 << "Driver Active";
    QTest::newRow("3") << 3 << "Driver IDLE";
    QTest::newRow("4") << 4 << "Driver Overheated";
    QTest::newRow("5") << 5 << "Driver in PWM mode";
    QTest::newRow("6, past the table") << 6 << "Driver state 6";
    QTest::newRow("255") << 255 << "Driver state 255";
}

void StatusDisplayTest::driverStatusTextFollowsTheStateCode()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.driverState = std::uint8_t(state);
    f.feed(board, v);
    QCOMPARE(f.find<QLabel>("lblDriverStatus")->text(), text);
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), QStringLiteral("Driver OK"));
}

void StatusDisplayTest::faultsShowThenClear()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    auto* panel = f.find<QFrame>("frmStatus");
    QVERIFY(panel->isHidden());

    sim::LiveValues v = support::poweredRecord();
    v.faults = 0x21;
    f.feed(board, v);
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), QStringLiteral("Fault no. 0x21 detected"));
    QCOMPARE(faultLines(f), (QStringList{kOverTemperature, kLowVoltage}));
    QVERIFY(!panel->isHidden());

    // The list is rebuilt, not appended to, on every powered record.
    f.feed(board, v);
    QCOMPARE(faultLines(f), (QStringList{kOverTemperature, kLowVoltage}));

    v.faults = 0;
    f.feed(board, v);
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), QStringLiteral("Driver OK"));
    QCOMPARE(faultLines(f), QStringList{QStringLiteral("No faults detected!")});
    QVERIFY(panel->isHidden());
}

void StatusDisplayTest::faultLabelAndListFollowTheFaultBits_data()
{
    QTest::addColumn<int>("faultByte");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("lines");
    const QStringList all = {
        kOverTemperature,
        "Channel A overcurrent shutdown. Please check wireing or possible short circuit.",
        "Channel B overcurrent shutdown. Please check wireing or possible short circuit.",
        "Channel A predriver fault. Please check driver settings.",
        "Channel B predriver fault. Please check driver settings.",
        kLowVoltage};
    QTest::newRow("0x05 without leading zero")
        << 0x05 << "Fault no. 0x5 detected" << QStringList{all[0], all[2]};
    QTest::newRow("0x1A") << 0x1A << "Fault no. 0x1A detected"
                          << QStringList{all[1], all[3], all[4]};
    QTest::newRow("all six") << 0x3F << "Fault no. 0x3F detected" << all;
    QTest::newRow("upper two bits dropped")
        << 0xC1 << "Fault no. 0x1 detected" << QStringList{all[0]};
    QTest::newRow("upper bits alone are no fault")
        << 0xC0 << "Driver OK" << QStringList{"No faults detected!"};
}

void StatusDisplayTest::faultLabelAndListFollowTheFaultBits()
{
    QFETCH(int, faultByte);
    QFETCH(QString, label);
    QFETCH(QStringList, lines);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.faults = std::uint8_t(faultByte);
    f.feed(board, v);
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), label);
    QCOMPARE(faultLines(f), lines);
    QCOMPARE(f.find<QFrame>("frmStatus")->isHidden(), (faultByte & 0x3F) == 0);
    QCOMPARE(f.find<QLabel>("lblDriverStatus")->text(), QStringLiteral("Driver Active"));
}

void StatusDisplayTest::recordWithoutMotorPowerKeepsFaultListAndPanel_data()
{
    QTest::addColumn<int>("poweredFaults");
    QTest::addColumn<int>("unpoweredFaults");
    QTest::newRow("after a fault") << 0x02 << 0x00;
    QTest::newRow("after no fault") << 0x00 << 0x21;
}

void StatusDisplayTest::recordWithoutMotorPowerKeepsFaultListAndPanel()
{
    QFETCH(int, poweredFaults);
    QFETCH(int, unpoweredFaults);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.faults = std::uint8_t(poweredFaults);
    f.feed(board, v);
    const QStringList before = faultLines(f);
    const bool panelHidden = f.find<QFrame>("frmStatus")->isHidden();

    v.voltageRaw = kBelowPowerRaw;
    v.faults = std::uint8_t(unpoweredFaults);
    f.feed(board, v);
    QVERIFY(!Torvel.rt.MotorPower);
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(),
             QStringLiteral("No motor power available."));
    QCOMPARE(f.find<QLabel>("lblDriverStatus")->text(), QString());
    QCOMPARE(faultLines(f), before);
    QCOMPARE(f.find<QFrame>("frmStatus")->isHidden(), panelHidden);

    // Power back: the status branch runs again.
    v.voltageRaw = kBelowPowerRaw + 1;
    v.faults = 0;
    f.feed(board, v);
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), QStringLiteral("Driver OK"));
    QCOMPARE(f.find<QLabel>("lblDriverStatus")->text(), QStringLiteral("Driver Active"));
}

void StatusDisplayTest::modeIndicatorMovesOnlyForKnownCodes()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    QRadioButton* radios[] = {f.find<QRadioButton>("rbMode"), f.find<QRadioButton>("rbMode_2"),
                              f.find<QRadioButton>("rbMode_3"), f.find<QRadioButton>("rbMode_4")};
    const auto checkedMode = [&radios] {
        int mode = 0;
        for (int i = 0; i < 4; ++i)
            if (radios[i]->isChecked()) {
                if (mode)
                    return -1; // two checked at once
                mode = i + 1;
            }
        return mode;
    };
    QCOMPARE(checkedMode(), 0);

    // Code sent, mode shown afterwards.
    const int steps[][2] = {{4, 4}, {2, 2}, {0, 2}, {1, 1}, {5, 1}, {3, 3}, {2, 2}, {4, 4}};
    sim::LiveValues v = support::poweredRecord();
    for (const auto& step : steps) {
        v.mode = std::uint8_t(step[0]);
        f.feed(board, v);
        QVERIFY2(checkedMode() == step[1], qPrintable(QString::number(step[0])));
    }

    // The group is an indicator only.
    QVERIFY(!f.find<QGroupBox>("groupBox_8")->isEnabled());
    radios[0]->click();
    QCOMPARE(checkedMode(), 4);
    QVERIFY(board->received().isEmpty());
}

void StatusDisplayTest::positionAndSpeedShowAndMovingLocksAccelerationAndDeceleration()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    auto* accel = f.find<QSpinBox>("sbAccel");
    auto* decel = f.find<QSpinBox>("sbDecel");
    auto* vmax = f.find<QSpinBox>("sbVmax");

    const struct {
        std::int32_t position;
        std::int32_t speed;
        int mode;
    } records[] = {{-2, 1500, 4}, {123456789, 0, 4}, {40, -1, 1}, {-987654321, 0, 2}};
    sim::LiveValues v = support::poweredRecord();
    for (const auto& r : records) {
        v.position = r.position;
        v.speed = r.speed;
        v.mode = std::uint8_t(r.mode);
        f.feed(board, v);
        QCOMPARE(f.find<QSpinBox>("sbCurPos")->value(), r.position);
        QCOMPARE(f.find<QSpinBox>("sbCurSpeed")->value(), r.speed);
        QCOMPARE(accel->isEnabled(), r.speed == 0);
        QCOMPARE(decel->isEnabled(), r.speed == 0);
        QVERIFY(vmax->isEnabled());
    }
}

void StatusDisplayTest::resetFaultsSendsOneReportAndChangesNothing()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.faults = 0x01;
    f.feed(board, v);
    f.clearLog();

    f.find<QPushButton>("btnResetFaults")->click();
    const QList<sim::Report> sent = board->received();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(int(sent.first().code()), int(CMD_RESET_FAULTS));
    QVERIFY(sent.first().scrambled());
    QVERIFY(f.lines().isEmpty());
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), QStringLiteral("Fault no. 0x1 detected"));
    QCOMPARE(faultLines(f), QStringList{kOverTemperature});
    QVERIFY(!f.find<QFrame>("frmStatus")->isHidden());
}

void StatusDisplayTest::lcdTextKeepsEveryDigit_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("hot driver") << 105.0 << "105.0";
    QTest::newRow("hottest in range") << 199.94 << "199.9";
    QTest::newRow("coldest in range") << -40.0 << "-40.0";
    QTest::newRow("highest supply in range") << 99.9 << "99.9";
    QTest::newRow("zero") << 0.0 << "0.0";
    QTest::newRow("rounds to zero from below") << -0.04 << "0.0";
    QTest::newRow("largest temperature a report holds") << 65535 * 0.125 << "8191.9";
    QTest::newRow("too many digits") << 123456.0 << "Err";
    QTest::newRow("too many digits below zero") << -12345.0 << "Err";
    QTest::newRow("not a number") << std::nan("") << "Err";
}

void StatusDisplayTest::lcdTextKeepsEveryDigit()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(lcd::text(value, 5), text);
}

void StatusDisplayTest::lcdsShowExtremeRecordsInFull_data()
{
    QTest::addColumn<int>("voltageRaw");
    QTest::addColumn<int>("temperatureRaw");
    QTest::addColumn<QString>("voltage");
    QTest::addColumn<QString>("temperature");
    QTest::newRow("105 degC") << 333 << 840 << "24.0"
                              << "105.0";
    QTest::newRow("199.9 degC, 99.9 V") << 1386 << 1599 << "99.9"
                                        << "199.9";
    QTest::newRow("largest raw values") << 65535 << 65535 << "4723.1"
                                        << "8191.9";
    QTest::newRow("zero") << 0 << 0 << "0.0"
                          << "0.0";
}

void StatusDisplayTest::lcdsShowExtremeRecordsInFull()
{
    QFETCH(int, voltageRaw);
    QFETCH(int, temperatureRaw);
    QFETCH(QString, voltage);
    QFETCH(QString, temperature);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.voltageRaw = std::uint16_t(voltageRaw);
    v.temperatureRaw = std::uint16_t(temperatureRaw);
    f.feed(board, v, 40); // the temperature's two-report smoothing settles
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdVoltage"), voltage));
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdTemperature"), temperature));
    QVERIFY(!lcdShows(f.find<QLCDNumber>("lcdTemperature"), temperature.mid(1)));
}

void StatusDisplayTest::twoFaultsAreReadableFromTheFirst()
{
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.faults = 0x06; // the two longest messages
    f.feed(board, v);
    auto* box = f.find<QPlainTextEdit>("pteFaults");
    QCOMPARE(faultLines(f).size(), 2);
    QCOMPARE(box->verticalScrollBar()->maximum(), 0);

    v.faults = 0x3F; // more than fit: the first stays in view
    f.feed(board, v);
    QCOMPARE(box->verticalScrollBar()->value(), 0);
    QApplication::setFont(QFont());
}

void StatusDisplayTest::noBoardShowsNoValueUntilTheNextRecord()
{
    WindowFixture f;
    verifyNoData(f, QStringLiteral("No board connected"));

    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    verifyNoData(f, QStringLiteral("Waiting for live data"));
    sim::LiveValues v = support::poweredRecord(0x7F);
    v.mode = kOpModeTrajectory;
    v.faults = 0x01;
    f.feed(board, v);
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdVoltage"), QStringLiteral("24.0")));
    QVERIFY(!f.find<QFrame>("frmStatus")->isHidden());
    auto* chart = f.find<QCustomPlot>("TempPlot");
    const int samples = chart->graph(0)->dataCount();

    board->unplug();
    Torvel.USBRXTimerHandler();
    QVERIFY(!Torvel.connected);
    verifyNoData(f, QStringLiteral("No board connected"));
    QCOMPARE(chart->graph(0)->dataCount(), samples);

    // Another supply now: the first record shows it, unmixed with the last link's.
    board->replug();
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    Torvel.rxTimer->stop();
    verifyNoData(f, QStringLiteral("Waiting for live data"));
    v = support::poweredRecord();
    v.voltageRaw = 166; // 11.97 V
    f.feed(board, v);
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdVoltage"), QStringLiteral("12.0")));
    QCOMPARE(f.find<QLabel>("lblDriverStatus")->text(), QStringLiteral("Driver Active"));
    QVERIFY(f.find<QRadioButton>("rbMode")->isChecked());

    // The same values on the next link: none of them counts as shown already.
    v.faults = 0x01;
    f.feed(board, v);
    board->unplug();
    Torvel.USBRXTimerHandler();
    verifyNoData(f, QStringLiteral("No board connected"));
    board->replug();
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    Torvel.rxTimer->stop();
    f.feed(board, v);
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdVoltage"), QStringLiteral("12.0")));
    QVERIFY(lcdShows(f.find<QLCDNumber>("lcdTemperature"), QStringLiteral("25.0")));
    QCOMPARE(f.find<QLabel>("lblDriverStatus")->text(), QStringLiteral("Driver Active"));
    QCOMPARE(f.find<QLabel>("lblFaultsStatus")->text(), QStringLiteral("Fault no. 0x1 detected"));
    QCOMPARE(faultLines(f), QStringList{kOverTemperature});
    QVERIFY(!f.find<QFrame>("frmStatus")->isHidden());
    QVERIFY(f.find<QCheckBox>("cbInpSleep")->isChecked());
    QCOMPARE(f.find<QPushButton>("btnRunStop")->text(), QStringLiteral("Stop"));
    QVERIFY(f.find<QRadioButton>("rbMode")->isChecked());
}

void StatusDisplayTest::onlyWhatChangedIsRepainted_data()
{
    QTest::addColumn<sim::LiveValues>("changed");
    QTest::addColumn<QStringList>("repainted");  // the widgets that show the change
    QTest::addColumn<QStringList>("mayRepaint"); // what their change may repaint around them
    const auto row = [](const char* name, const std::function<void(sim::LiveValues&)>& change,
                        const QStringList& repainted, const QStringList& mayRepaint = {}) {
        sim::LiveValues v = movedRecord();
        change(v);
        QTest::newRow(name) << v << repainted << mayRepaint;
    };
    row("voltage", [](sim::LiveValues& v) { v.voltageRaw = 400; }, {"lcdVoltage"});
    row("temperature", [](sim::LiveValues& v) { v.temperatureRaw = 300; }, {"lcdTemperature"});
    row("an input", [](sim::LiveValues& v) { v.inputs |= 0x04; }, {"cbInpStep"});
    // The caption's new width moves its neighbours.
    row("enable input", [](sim::LiveValues& v) { v.inputs &= ~0x02; }, {"btnRunStop", "cbInpSleep"},
        {"cbInpBootloaderOverride", "cbInpStep", "cbInpDir", "cbInpBin1", "cbInpBin2",
         "cbInpEndSwitch", "rbMode", "rbMode_2", "rbMode_3", "rbMode_4"});
    // The labels are transparent: their frame paints beneath a new text. The
    // read-outs, which change a hundred times a second, paint their own.
    row("driver state", [](sim::LiveValues& v) { v.driverState = 3; }, {"lblDriverStatus"},
        {"frm"});
    // The red panel appears behind both labels.
    row("a fault", [](sim::LiveValues& v) { v.faults = 0x01; },
        {"frmStatus", "lblFaultsStatus", "pteFaults"}, {"lblDriverStatus"});
    row("motor power", [](sim::LiveValues& v) { v.voltageRaw = kBelowPowerRaw; },
        {"lblDriverStatus", "lblFaultsStatus", "lcdVoltage"}, {"frm"});
    row("known mode", [](sim::LiveValues& v) { v.mode = kOpModeStepDir; }, {"rbMode", "rbMode_2"});
    row("unknown mode", [](sim::LiveValues& v) { v.mode = 0; }, {});
    row("position", [](sim::LiveValues& v) { v.position = -100; }, {"sbCurPos"});
    row("position beyond the box", [](sim::LiveValues& v) { v.position = 2000000000; },
        {"sbCurPos"});
    row("speed", [](sim::LiveValues& v) { v.speed = 200; }, {"sbAccel", "sbCurSpeed", "sbDecel"});
    row("a field not shown", [](sim::LiveValues& v) { v.gainCode = 3; }, {});
}

void StatusDisplayTest::onlyWhatChangedIsRepainted()
{
    QFETCH(sim::LiveValues, changed);
    QFETCH(QStringList, repainted);
    QFETCH(QStringList, mayRepaint);
    // Enough records for both smoothings to follow a change to the last digit.
    constexpr int kSettlingRecords = 20;
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    PaintCounter counter;
    for (const char* name : kStatusWidgets)
        counter.watch(f.find<QWidget>(name), name);
    for (const char* name : kInputBoxes)
        counter.watch(f.find<QWidget>(name), name);
    counter.watch(f.find<QPlainTextEdit>("pteFaults")->viewport(), "pteFaults");
    const auto paintedByRecord = [&](const sim::LiveValues& v, int times) {
        settle(f.time);
        counter.reset();
        f.feed(board, v, times);
        settle(f.time);
        return counter.painted();
    };

    // The fault list and the position boxes sit on different tabs.
    auto* tabs = f.find<QTabWidget>("tabMainTab");
    for (const char* tab : {"tabDriverSetup", "tabPositionControl"}) {
        tabs->setCurrentWidget(f.find<QWidget>(tab));
        f.feed(board, movedRecord(), kSettlingRecords);
        QCOMPARE(paintedByRecord(movedRecord(), 1), QStringList());

        const QStringList painted = paintedByRecord(changed, kSettlingRecords);
        QStringList shown;
        for (const QString& name : repainted)
            if (f.find<QWidget>(qPrintable(name))->isVisible())
                shown.append(name);
        for (const QString& name : painted)
            QVERIFY2(shown.contains(name) || mayRepaint.contains(name), qPrintable(name));
        for (const QString& name : shown)
            QVERIFY2(painted.contains(name), qPrintable(name));

        QCOMPARE(paintedByRecord(changed, 1), QStringList());
    }
}

QTEST_MAIN(StatusDisplayTest)
#include "test_status_display.moc"
