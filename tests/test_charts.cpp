// The two strip charts: how the window sets them up, the samples every
// real-time record adds, which axes follow the data, and the clear buttons.
#include "support/window_fixture.h"

#include "clock.h"
#include "monitor/strip_chart.h"
#include "virtual_clock.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <qcustomplot.h>

namespace {
sim::LiveValues powered()
{
    sim::LiveValues v = support::poweredRecord();
    v.torque = 135; // 2.197 A with gain code 2
    return v;
}

QCustomPlot* plot(const WindowFixture& f, const QString& name)
{
    return f.find<QCustomPlot>(qPrintable(name));
}

void compareRange(const QCPAxis* axis, double lower, double upper)
{
    QCOMPARE(axis->range().lower, lower);
    QCOMPARE(axis->range().upper, upper);
}

QVector<double> values(const QCustomPlot* plot, int graph)
{
    const charts::StripChart* chart = charts::StripChart::of(plot);
    QVector<double> result;
    for (int row = 0; row < chart->size(); ++row)
        result.append(chart->value(graph, row));
    return result;
}

QVector<double> keys(const QCustomPlot* plot)
{
    const charts::StripChart* chart = charts::StripChart::of(plot);
    QVector<double> result;
    for (int row = 0; row < chart->size(); ++row)
        result.append(chart->key(row));
    return result;
}

int samples(const QCustomPlot* plot)
{
    return charts::StripChart::of(plot)->size();
}
// The picture a chart shows now: what its last redraw drew.
QImage shown(QCustomPlot* plot)
{
    return plot->grab().toImage();
}

// Two charts set up as the temperature chart and given the same records: the
// one under test, on the first page of a tab widget so that it can be hidden,
// and a reference redrawn after every record.
struct ChartPair {
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 300;

    ChartPair()
    {
        auto* page = new QWidget;
        tabs.addTab(page, QStringLiteral("chart"));
        tabs.addTab(new QWidget, QStringLiteral("other"));
        auto* plot = new QCustomPlot(page);
        plot->setGeometry(0, 0, kWidth, kHeight);
        reference.resize(kWidth, kHeight);
        charts::ChartSpec spec;
        spec.graphs[1].onRightAxis = true;
        spec.leftTickStep = 10.0;
        spec.rightTickStep = 1.0;
        chart = new charts::StripChart(plot, spec, QFont());
        referenceChart = new charts::StripChart(&reference, spec, QFont());
        tabs.show();
        reference.show();
    }
    QCustomPlot* plot() const { return chart->plot(); }

    // A record as the window takes it: samples, the enlarging rescale, redraw.
    void record(int n)
    {
        const double key = clock.nowMs() / 1000.0;
        const charts::SampleTable::Values values = {40.0 + 15.0 * std::sin(n * 0.05),
                                                    1.0 + (n % 7) * 0.3, 24.0 - (n % 13) * 0.1};
        for (charts::StripChart* c : {chart, referenceChart}) {
            c->append(key, values);
            c->plot()->graph(0)->rescaleAxes(true);
        }
        reference.replot();
        chart->redraw();
    }

    timing::VirtualClock clock{1000};
    timing::Installed installed{clock};
    QTabWidget tabs;
    QCustomPlot reference;
    charts::StripChart* chart = nullptr;
    charts::StripChart* referenceChart = nullptr;
};

// The process's local time zone for as long as it lives.
class LocalZone {
public:
    explicit LocalZone(const char* zone)
        : m_saved(qgetenv("TZ")), m_wasSet(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~LocalZone()
    {
        if (m_wasSet)
            qputenv("TZ", m_saved);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_saved;
    bool m_wasSet;
};
} // namespace

class ChartsTest : public QObject {
    Q_OBJECT
private slots:
    void chartsAreSetUp_data();
    void chartsAreSetUp();
    void timeLabelsReadElapsedTime_data();
    void timeLabelsReadElapsedTime();
    void everyRecordAddsOneTemperatureSampleToEachGraph();
    void onlyTheTemperatureMovesTheTemperatureChartsAxes_data();
    void onlyTheTemperatureMovesTheTemperatureChartsAxes();
    void positionChartTakesSamplesOnlyInTrajectoryMode();
    void heldTargetOnTheTopOfTheAxisIsShown();
    void clearButtonsEmptyTheChartAndResetItsRanges_data();
    void clearButtonsEmptyTheChartAndResetItsRanges();
    void drawnPicturesAreThoseOfARedrawAfterEveryRecord_data();
    void drawnPicturesAreThoseOfARedrawAfterEveryRecord();
    void hiddenChartDrawsOnceWhenShown();
};

void ChartsTest::chartsAreSetUp_data()
{
    QTest::addColumn<QString>("chart");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<bool>>("onRight");
    QTest::addColumn<QString>("leftLabel");
    QTest::addColumn<QString>("rightLabel");
    QTest::addColumn<double>("leftTickStep"); // 0: automatic ticks
    QTest::addColumn<double>("rightTickStep");
    QTest::newRow("temperature") << "TempPlot" << QStringList{"Temperature", "Current", "Voltage"}
                                 << QList<bool>{false, true, false}
                                 << QString::fromUtf8("temperature / °C, voltage / V")
                                 << "motor current / A" << 10.0 << 1.0;
    QTest::newRow("position") << "PositionPlot"
                              << QStringList{"Required position", "Actual position", "Speed"}
                              << QList<bool>{false, false, true} << "Position / steps"
                              << "Speed / steps/s" << 0.0 << 0.0;
}

void ChartsTest::chartsAreSetUp()
{
    QFETCH(QString, chart);
    QFETCH(QStringList, names);
    QFETCH(QList<bool>, onRight);
    QFETCH(QString, leftLabel);
    QFETCH(QString, rightLabel);
    QFETCH(double, leftTickStep);
    QFETCH(double, rightTickStep);
    WindowFixture f;
    QCustomPlot* p = plot(f, chart);

    QCOMPARE(p->graphCount(), 3);
    const QPen pens[3] = {QPen(QColor(Qt::blue), 0), QPen(QColor(Qt::red), 1),
                          QPen(QColor(Qt::green), 1)};
    for (int i = 0; i < 3; ++i) {
        const QCPGraph* g = p->graph(i);
        QCOMPARE(g->name(), names[i]);
        QCOMPARE(g->keyAxis(), p->xAxis);
        QCOMPARE(g->valueAxis(), onRight[i] ? p->yAxis2 : p->yAxis);
        QCOMPARE(g->pen(), pens[i]);
        QCOMPARE(g->brush().style(), Qt::NoBrush);
    }
    QCOMPARE(samples(p), 0);

    QCOMPARE(p->xAxis->label(), QStringLiteral("time / mm:ss"));
    QCOMPARE(p->yAxis->label(), leftLabel);
    QCOMPARE(p->yAxis2->label(), rightLabel);
    const QPair<QCPAxis*, double> steps[] = {{p->yAxis, leftTickStep}, {p->yAxis2, rightTickStep}};
    for (const auto& step : steps) {
        auto* fixed = dynamic_cast<QCPAxisTickerFixed*>(step.first->ticker().data());
        if (step.second > 0) {
            QVERIFY(fixed);
            QCOMPARE(fixed->tickStep(), step.second);
        } else {
            QVERIFY(!fixed);
        }
    }
    QVERIFY(dynamic_cast<QCPAxisTickerTime*>(p->xAxis->ticker().data()));

    compareRange(p->xAxis, 0, 20);
    compareRange(p->yAxis, 0, 100);
    compareRange(p->yAxis2, 0, 10);
    QVERIFY(p->yAxis2->visible());
    QCOMPARE(int(p->interactions()), 0x0B);
    QCOMPARE(p->locale(), QLocale(QLocale::English, QLocale::UnitedKingdom));

    QVERIFY(p->legend->visible());
    QCOMPARE(p->legend->font().pointSize(), 9);
    QCOMPARE(p->legend->font().family(), f.window->font().family());
    QCOMPARE(p->legend->brush(), QBrush(QColor(255, 255, 255, 230)));
    QCOMPARE(p->axisRect()->insetLayout()->insetAlignment(0), Qt::AlignTop | Qt::AlignRight);
}

void ChartsTest::timeLabelsReadElapsedTime_data()
{
    QTest::addColumn<double>("key");
    QTest::addColumn<QString>("label");
    QTest::newRow("start") << 0.0 << "00:00";
    QTest::newRow("one minute") << 60.0 << "01:00";
    QTest::newRow("last minute of the first hour") << 3540.0 << "59:00";
    QTest::newRow("one hour") << 3600.0 << "1:00:00";
    QTest::newRow("past one hour") << 3930.0 << "1:05:30";
    QTest::newRow("ten hours") << 36000.0 << "10:00:00";
}

// Keys are elapsed seconds: the labels count them, in a time zone whose
// offset is no whole number of hours too.
void ChartsTest::timeLabelsReadElapsedTime()
{
    QFETCH(double, key);
    QFETCH(QString, label);
    const LocalZone zone("Asia/Kolkata");
    WindowFixture f;
    for (const char* name : {"TempPlot", "PositionPlot"}) {
        QCustomPlot* p = plot(f, QLatin1String(name));
        QVector<double> ticks;
        QVector<QString> labels;
        p->xAxis->ticker()->generate(QCPRange(key - 10, key + 10), p->locale(), 'g', 6, ticks,
                                     nullptr, &labels);
        const int at = ticks.indexOf(key);
        QVERIFY2(at >= 0, name);
        QCOMPARE(labels.at(at), label);
    }
}

void ChartsTest::everyRecordAddsOneTemperatureSampleToEachGraph()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    QCustomPlot* temp = plot(f, QStringLiteral("TempPlot"));
    QCustomPlot* position = plot(f, QStringLiteral("PositionPlot"));
    f.showTabOf(temp);
    QSignalSpy tempDrawn(temp, &QCustomPlot::afterReplot);
    QSignalSpy positionDrawn(position, &QCustomPlot::afterReplot);

    sim::LiveValues v = powered();
    // Measurements are kept as floats: 7 significant digits.
    const auto kept = [](double value) { return double(float(value)); };
    QVector<double> expected[3];
    QVector<double> seconds; // the chart clock's, a tenth apart
    double firstCurrent = 0.0;
    for (std::uint16_t raw : {333, 360, 400}) {
        v.voltageRaw = raw;
        f.time.advance(100);
        f.feed(board, v);
        if (seconds.isEmpty())
            firstCurrent = Torvel.rt.Current;
        expected[0].append(kept(Torvel.rt.FilteredTemperature));
        expected[1].append(kept(Torvel.rt.Current));
        expected[2].append(kept(Torvel.rt.FilteredVoltage));
        seconds.append(TempLogClock.elapsed() / 1000.0);
    }
    QCOMPARE(seconds[2] - seconds[0], 0.2);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(values(temp, i), expected[i]);
    QCOMPARE(keys(temp), seconds);
    QVERIFY(qAbs(firstCurrent - 135 * 2.75 / (20 * 8.448)) < 1e-9);
    QCOMPARE(tempDrawn.count(), 3);
    QCOMPARE(positionDrawn.count(), 0);
    QVERIFY(board->received().isEmpty());
}

void ChartsTest::onlyTheTemperatureMovesTheTemperatureChartsAxes_data()
{
    QTest::addColumn<int>("temperatureRaw");
    QTest::addColumn<int>("voltageRaw");
    QTest::addColumn<int>("torque");
    QTest::addColumn<bool>("leftGrows");
    // 150 degC; the left axis takes it in.
    QTest::newRow("hot driver") << 1200 << 333 << 0 << true;
    // 144 V and 16.6 A: neither axis follows.
    QTest::newRow("high voltage and current") << 200 << 2000 << 255 << false;
}

void ChartsTest::onlyTheTemperatureMovesTheTemperatureChartsAxes()
{
    QFETCH(int, temperatureRaw);
    QFETCH(int, voltageRaw);
    QFETCH(int, torque);
    QFETCH(bool, leftGrows);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    QCustomPlot* p = plot(f, QStringLiteral("TempPlot"));
    sim::LiveValues v = powered();
    v.temperatureRaw = std::uint16_t(temperatureRaw);
    v.voltageRaw = std::uint16_t(voltageRaw);
    v.gainCode = 0;
    v.torque = std::uint8_t(torque);
    f.feed(board, v, 20);

    const QVector<double> temperatures = values(p, 0);
    const double hottest = *std::max_element(temperatures.cbegin(), temperatures.cend());
    if (leftGrows) {
        QVERIFY(hottest > 100);
        QCOMPARE(p->yAxis->range().upper, hottest);
    } else {
        QVERIFY(Torvel.rt.FilteredVoltage > 100);
        QVERIFY(Torvel.rt.Current > 10);
        compareRange(p->yAxis, 0, 100);
    }
    compareRange(p->yAxis2, 0, 10);
    QCOMPARE(p->xAxis->range().lower, 0.0);
}

void ChartsTest::positionChartTakesSamplesOnlyInTrajectoryMode()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.find<QCheckBox>("cbAutoUpdatePos")->setChecked(false);
    f.edit(QStringLiteral("sbFinPos"), 700);
    QCustomPlot* p = plot(f, QStringLiteral("PositionPlot"));
    f.showTabOf(p);
    QSignalSpy drawn(p, &QCustomPlot::afterReplot);

    sim::LiveValues v = powered();
    v.position = 500;
    v.speed = -300;
    for (std::uint8_t mode : {1, 2, 3, 0, 5}) {
        v.mode = mode;
        f.feed(board, v);
    }
    QCOMPARE(samples(p), 0);
    QCOMPARE(drawn.count(), 0);

    // A tenth of a second apart: each record is drawn at once.
    v.mode = 4;
    for (int i = 0; i < 3; ++i) {
        if (i == 2) {
            v.position = 900;
            v.speed = 40;
        }
        f.time.advance(100);
        f.feed(board, v);
    }
    QCOMPARE(values(p, 0), (QVector<double>{700, 700, 700}));
    QCOMPARE(values(p, 1), (QVector<double>{500, 500, 900}));
    QCOMPARE(values(p, 2), (QVector<double>{-300, -300, 40}));
    QCOMPARE(drawn.count(), 3);
    // All three graphs move the axes, only outwards.
    compareRange(p->yAxis, 0, 900);
    compareRange(p->yAxis2, -300, 40);

    v.mode = 2;
    f.time.advance(100);
    f.feed(board, v);
    QCOMPARE(samples(p), 3);
    QCOMPARE(drawn.count(), 3);
}

// Once the axis has grown to the target a trajectory holds, the target's
// one-pixel line lies on the top of the axis rectangle and must stay in sight,
// also on a screen scaled by a fraction (here the 100 dpi of Xvfb's screen).
void ChartsTest::heldTargetOnTheTopOfTheAxisIsShown()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.find<QCheckBox>("cbAutoUpdatePos")->setChecked(false);
    f.edit(QStringLiteral("sbFinPos"), 40000);
    QCustomPlot* p = plot(f, QStringLiteral("PositionPlot"));
    f.showTabOf(p);

    // At 100 records a second several samples share a pixel column; the last
    // record comes a redraw interval later, so that the picture shows it. The
    // speed stays low on its own axis, clear of the target's line.
    sim::LiveValues v = powered();
    v.mode = 4;
    v.speed = 5;
    for (int i = 0; i <= 500; ++i) {
        v.position = i * 40;
        f.time.advance(i < 500 ? 10 : 1000 / charts::kRedrawsPerSecond);
        f.feed(board, v);
    }
    compareRange(p->yAxis, 0, 40000);
    constexpr double kScale = 100.0 / 96.0;
    const QImage picture = p->toPixmap(p->width(), p->height(), kScale).toImage();
    const QRgb pen = p->graph(0)->pen().color().rgb();
    const int from = int(p->xAxis->coordToPixel(keys(p).first()) * kScale) + 2;
    const int to = int(p->xAxis->coordToPixel(keys(p).last()) * kScale) - 2;
    QVERIFY(to - from > 100);
    for (int x = from; x < to; ++x) {
        bool found = false;
        for (int y = 0; y < picture.height() && !found; ++y)
            found = picture.pixel(x, y) == pen;
        QVERIFY2(found, qPrintable(QStringLiteral("column %1").arg(x)));
    }
}

void ChartsTest::clearButtonsEmptyTheChartAndResetItsRanges_data()
{
    QTest::addColumn<QString>("chart");
    QTest::addColumn<QString>("button");
    QTest::newRow("temperature") << "TempPlot"
                                 << "btnClearTempLog";
    QTest::newRow("position") << "PositionPlot"
                              << "btnClearPosGraph";
}

void ChartsTest::clearButtonsEmptyTheChartAndResetItsRanges()
{
    QFETCH(QString, chart);
    QFETCH(QString, button);
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    QCustomPlot* p = plot(f, chart);
    f.showTabOf(p);
    sim::LiveValues v = powered();
    v.mode = 4;
    v.temperatureRaw = 1600;
    v.position = -5000;
    v.speed = 20000;
    f.feed(board, v, 10);
    p->xAxis->setRange(30, 90); // as after a drag
    p->yAxis2->setRange(-50, 50);
    QVERIFY(p->yAxis->range().upper > 100 || p->yAxis->range().lower < 0);
    QSignalSpy drawn(p, &QCustomPlot::afterReplot);

    // Records came faster than the chart is redrawn: one draw was still due.
    f.find<QPushButton>(qPrintable(button))->click();
    QCOMPARE(samples(p), 0);
    compareRange(p->xAxis, 0, 10);
    compareRange(p->yAxis, 0, 100);
    compareRange(p->yAxis2, 0, 10);
    QCOMPARE(drawn.count(), 0); // the old picture stays until the next record
    QVERIFY(board->received().isEmpty());

    // The chart's clock starts again at the click.
    f.time.advance(250);
    QCOMPARE(drawn.count(), 0);
    f.feed(board, v);
    QCOMPARE(drawn.count(), 1);
    QCOMPARE(samples(p), 1);
    QCOMPARE(keys(p).first(), 0.25);
}

void ChartsTest::drawnPicturesAreThoseOfARedrawAfterEveryRecord_data()
{
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("minDraws");
    QTest::addColumn<int>("maxDraws");
    constexpr int kPerSecond = charts::kRedrawsPerSecond;
    // 100 records a second for two seconds: the limit's draws a second.
    QTest::newRow("100 per second") << 10 << 200 << 2 * kPerSecond - 1 << 2 * kPerSecond + 1;
    // Slower than the limit allows: every record is drawn at once.
    QTest::newRow("slower than the limit") << 2000 / kPerSecond << 30 << 30 << 30;
    // Bursts within one interval: drawn at its end.
    QTest::newRow("1000 per second") << 1 << 400 << 2 * kPerSecond / 5 << 2 * kPerSecond / 5 + 1;
}

// At every draw the picture is the reference's after the same record, and
// once the interval has passed after the last record nothing is left undrawn.
void ChartsTest::drawnPicturesAreThoseOfARedrawAfterEveryRecord()
{
    QFETCH(int, intervalMs);
    QFETCH(int, records);
    QFETCH(int, minDraws);
    QFETCH(int, maxDraws);
    ChartPair pair;
    QSignalSpy drawn(pair.plot(), &QCustomPlot::afterReplot);
    int checked = 0;
    const auto checkNewDraw = [&] {
        if (drawn.count() == checked)
            return true;
        checked = drawn.count();
        return shown(pair.plot()) == shown(&pair.reference);
    };
    for (int n = 0; n < records; ++n) {
        pair.record(n);
        QVERIFY2(checkNewDraw(), qPrintable(QString::number(n)));
        pair.clock.advance(intervalMs);
        QVERIFY2(checkNewDraw(), qPrintable(QString::number(n)));
    }
    pair.clock.advance(1000 / charts::kRedrawsPerSecond);
    QVERIFY(checkNewDraw());
    QCOMPARE(shown(pair.plot()), shown(&pair.reference));
    QVERIFY2(drawn.count() >= minDraws && drawn.count() <= maxDraws,
             qPrintable(QString::number(drawn.count())));
}

void ChartsTest::hiddenChartDrawsOnceWhenShown()
{
    ChartPair pair;
    for (int n = 0; n < 10; ++n) {
        pair.record(n);
        pair.clock.advance(100);
    }
    const QImage before = shown(pair.plot());
    QSignalSpy drawn(pair.plot(), &QCustomPlot::afterReplot);

    pair.tabs.setCurrentIndex(1);
    for (int n = 10; n < 300; ++n) {
        pair.record(n);
        pair.clock.advance(10);
    }
    QCOMPARE(drawn.count(), 0);
    QCOMPARE(shown(pair.plot()), before);
    QVERIFY(shown(&pair.reference) != before);

    pair.tabs.setCurrentIndex(0);
    QCOMPARE(drawn.count(), 1);
    QCOMPARE(shown(pair.plot()), shown(&pair.reference));
    pair.clock.advance(1000);
    QCOMPARE(drawn.count(), 1);

    // Shown again with nothing new: the picture stands.
    pair.tabs.setCurrentIndex(1);
    pair.tabs.setCurrentIndex(0);
    QCOMPARE(drawn.count(), 1);
}

QTEST_MAIN(ChartsTest)
#include "test_charts.moc"
