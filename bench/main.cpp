// Per-record cost of the live charts through the program's own receive path:
// simulated board -> RX tick -> decoding -> DisplayRTData -> both chart steps,
// in the window as the product builds it. The chart history is filled by
// appending samples directly, then real records are timed one by one, for
// the summary graph and, in the same run, for the library's stock graph.
// Also measures the whole program's CPU time while a board streams, against
// the same program redrawing after every record, memory per hour of
// streaming beside the stock graph's, and the start-up time.
#include "app/mainwindow.h"
#include "clock.h"
#include "device/protocol.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "monitor/chart_setup.h"
#include "monitor/strip_chart.h"
#include "sim_control.h"
#include "virtual_clock.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr double kRecordsPerSecond = 100.0;
constexpr double kKeyStep = 1.0 / kRecordsPerSecond;
constexpr int kSamplesPerHour = 360000;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDriftPerSample = 2.0 * kPi / kSamplesPerHour;
constexpr int kHistories[] = {0, 100000, 360000, 1000000, 2880000};
constexpr int kSpikesInHistory = 20;
constexpr int kWarmupRecords = 20;
constexpr int kTimedRecords = 300;
constexpr int kStockTimedRecords = 100;
constexpr int kStartupRuns = 5;
constexpr int kDrainMs = 100;
constexpr std::uint8_t kEnableInput = 0x02;
constexpr std::uint8_t kDriverActive = 2;
constexpr std::uint8_t kGainCode = 2;
const char kStartupChildFlag[] = "--startup-child";
const char kMemoryChildFlag[] = "--memory-child";
const char kCpuChildFlag[] = "--cpu-child";
const char kEveryRecordFlag[] = "every-record";
const char kLogChartsTab[] = "Log charts";
const char kDriverSetupTab[] = "Driver setup";
const char kPositionTab[] = "Position control";
const char kStockFlag[] = "stock";
// Every timed record is one redraw interval after the last, so a chart that
// can be seen draws every one of them.
constexpr int kTimedRecordSpacingMs = 1000 / charts::kRedrawsPerSecond;
constexpr int kCpuSettleMs = 1500;
constexpr int kCpuMeasureMs = 8000;
// Other guests on a shared host slow a run down now and then; the median of
// a few runs is the figure.
constexpr int kCpuRuns = 3;

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double rssMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6 : 0.0;
}

// Process CPU time (all threads, user and system) in milliseconds.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Values as a running motor sends them, moving a little from step to step.
sim::LiveValues liveValues(int step, int mode)
{
    sim::LiveValues v;
    v.inputs = kEnableInput;
    v.voltageRaw = std::uint16_t(330 + step % 7);
    v.temperatureRaw = std::uint16_t(280 + (step / 7) % 40);
    v.position = std::int32_t(20000 + 15000 * std::sin(step * 0.01));
    v.speed = std::int32_t(1500 * std::cos(step * 0.01));
    v.driverState = kDriverActive;
    v.mode = std::uint8_t(mode);
    v.gainCode = kGainCode;
    v.torque = std::uint8_t(60 + step % 30);
    return v;
}

struct Stats {
    double median = 0.0;
    double p99 = 0.0;
};

Stats stats(std::vector<double> ms)
{
    Stats s;
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    s.median = ms[ms.size() / 2];
    s.p99 = ms[std::min(ms.size() - 1, std::size_t(std::ceil(0.99 * double(ms.size())) - 1))];
    return s;
}

struct Scenario {
    const char* name;
    const char* tab;
    int mode;
};
const Scenario kScenarios[] = {
    {"mode 1, Log charts shown", kLogChartsTab, protocol::kOpModeDefault},
    {"mode 1, Log charts hidden", kDriverSetupTab, protocol::kOpModeDefault},
    {"mode 4, both charts", kLogChartsTab, protocol::kOpModeTrajectory},
};
constexpr int kScenarioCount = int(sizeof kScenarios / sizeof kScenarios[0]);
constexpr int kHistoryCount = int(sizeof kHistories / sizeof kHistories[0]);

// The product's window with a simulated board connected. On virtual time
// its timers stand still and the bench runs each receive tick itself; on the
// wall clock the board streams and the program runs as it does for a user.
class Rig {
public:
    enum class Time { Virtual, Wall };

    Rig(charts::GraphClass graphClass, Time time,
        charts::RedrawPolicy policy = charts::RedrawPolicy::WhenSeen)
    {
        charts::setGraphClass(graphClass);
        charts::setRedrawPolicy(policy);
        if (time == Time::Virtual) {
            m_clock = std::make_unique<timing::VirtualClock>();
            timing::install(m_clock.get());
        }
        window = std::make_unique<MainWindow>();
        Torvel.enumTimer->stop();
        window->show();
        for (int i = 0; i < 100 && !(window->windowHandle() && window->windowHandle()->isExposed());
             ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        board = sim::plug();
        Torvel.USBEnumTimerHandler();
        if (m_clock) {
            Torvel.rxTimer->stop();
            // Every timed tick reads the one report injected just before it.
            board->setStreamRate(0);
            drain();
        }
        QObject::connect(&Torvel, &TorvelDRV::newRTDataAvailable, window.get(),
                         [this] { ++records; });
        tempPlot = window->findChild<QCustomPlot*>(QStringLiteral("TempPlot"));
        positionPlot = window->findChild<QCustomPlot*>(QStringLiteral("PositionPlot"));
    }

    ~Rig()
    {
        if (Torvel.connected)
            Torvel.DisconnectDevice();
        Torvel.rxTimer->stop();
        window.reset();
        Torvel.logger = nullptr;
        sim::reset();
        charts::setRedrawPolicy(charts::RedrawPolicy::WhenSeen);
        if (m_clock)
            timing::install(nullptr);
    }

    bool ready() const { return Torvel.connected && tempPlot && positionPlot; }

    void showTab(const char* caption)
    {
        auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("tabMainTab"));
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == QLatin1String(caption))
                tabs->setCurrentIndex(i);
        QApplication::processEvents();
    }

    void clearCharts()
    {
        window->findChild<QPushButton*>(QStringLiteral("btnClearTempLog"))->click();
        window->findChild<QPushButton*>(QStringLiteral("btnClearPosGraph"))->click();
    }

    // History just before the chart's clock, which a clear has restarted:
    // 100 records a second, keys counted back from first to last.
    static void fill(QCustomPlot* plot, int samples, int firstSample, const double base[3],
                     const double swing[3])
    {
        charts::StripChart* chart = charts::StripChart::of(plot);
        const int spikeEvery = std::max(1, samples / kSpikesInHistory);
        for (int k = firstSample; k < firstSample + samples; ++k) {
            const double t = (k - firstSample - samples) * kKeyStep;
            charts::SampleTable::Values values{};
            for (int g = 0; g < 3; ++g) {
                // A drift over the hour, a ripple of a few samples and a fixed
                // number of spikes, so that the picture is alike at every
                // history length and only the number of samples changes.
                const double wobble = std::sin(k * kDriftPerSample + g) + 0.3 * std::sin(k * 0.37);
                const double spike = k % spikeEvery == spikeEvery / 2 ? 1.5 : 0.0;
                values[std::size_t(g)] = base[g] + swing[g] * (wobble + spike);
            }
            chart->append(t, values);
        }
    }

    void fillTemperature(int samples, int firstSample = 0)
    {
        const double base[3] = {35.0, 1.2, 24.0};
        const double swing[3] = {6.0, 0.8, 0.4};
        fill(tempPlot, samples, firstSample, base, swing);
    }

    void fillPosition(int samples, int firstSample = 0)
    {
        const double base[3] = {20000.0, 19800.0, 0.0};
        const double swing[3] = {15000.0, 15000.0, 3000.0};
        fill(positionPlot, samples, firstSample, base, swing);
    }

    // Reads what the board still sends after connecting: stream and replies.
    void drain()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kDrainMs) {
            m_clock->advance(1);
            Torvel.USBRXTimerHandler();
            QApplication::processEvents();
        }
    }

    // One receive tick and the paint it causes, one redraw interval after the
    // last; milliseconds, or -1 when no real-time record was decoded.
    double timedRecord(int mode)
    {
        m_clock->advance(kTimedRecordSpacingMs);
        board->injectReport(sim::realTimeReport(liveValues(++step, mode)));
        const int before = records;
        const qint64 t0 = monotonicNs();
        Torvel.USBRXTimerHandler();
        QApplication::processEvents();
        const qint64 t1 = monotonicNs();
        return records == before + 1 ? double(t1 - t0) / 1e6 : -1.0;
    }

    std::unique_ptr<MainWindow> window;
    sim::Board* board = nullptr;
    QCustomPlot* tempPlot = nullptr;
    QCustomPlot* positionPlot = nullptr;
    int records = 0;
    int step = 0;

private:
    std::unique_ptr<timing::VirtualClock> m_clock;
};

struct Row {
    Stats summary;
    Stats stock;
};

// Times records at every history size for each scenario; false if a tick
// decoded no record (the measurement would be of nothing).
bool measure(charts::GraphClass graphClass, int timed, Row rows[kScenarioCount][kHistoryCount],
             QSize* chartSize)
{
    Rig rig(graphClass, Rig::Time::Virtual);
    if (!rig.ready()) {
        std::fprintf(stderr, "bench: the simulated board did not connect\n");
        return false;
    }
    for (int s = 0; s < kScenarioCount; ++s) {
        const Scenario& scenario = kScenarios[s];
        rig.showTab(scenario.tab);
        if (s == 0)
            *chartSize = rig.tempPlot->size();
        for (int h = 0; h < kHistoryCount; ++h) {
            rig.clearCharts();
            rig.fillTemperature(kHistories[h]);
            if (scenario.mode == protocol::kOpModeTrajectory)
                rig.fillPosition(kHistories[h]);
            std::vector<double> ms;
            for (int r = 0; r < kWarmupRecords + timed; ++r) {
                const double t = rig.timedRecord(scenario.mode);
                if (t < 0) {
                    std::fprintf(stderr, "bench: a tick decoded no real-time record\n");
                    return false;
                }
                if (r >= kWarmupRecords)
                    ms.push_back(t);
            }
            Stats& out =
                graphClass == charts::GraphClass::Stock ? rows[s][h].stock : rows[s][h].summary;
            out = stats(ms);
            std::fprintf(stderr, "  %s, %s, %d samples: median %.2f ms\n",
                         graphClass == charts::GraphClass::Stock ? "stock" : "summary",
                         scenario.name, kHistories[h], out.median);
        }
    }
    rig.clearCharts();
    return true;
}

// Memory per hour of streaming, MB; RSS growth measured in a fresh process.
struct Memory {
    double firstHourRss = 0.0;       // temperature chart, over the first hour
    double averageRss = 0.0;         // temperature chart, per hour averaged over eight hours
    double averageLive = 0.0;        // the same once freed heap is given back (malloc_trim)
    double heldPerHour = 0.0;        // what the temperature chart says it holds, per hour
    double stockFirstHourLive = 0.0; // the stock graph's temperature chart, one hour
    double bothChartsLive = 0.0;     // one hour with both charts (mode 4)
    double stockBothChartsLive = 0.0;
};

// Resident set size with the heap the containers freed while growing handed
// back, so that only what is still held counts.
double liveMB()
{
    malloc_trim(0);
    return rssMB();
}

// Appends hour after hour of records to the temperature chart, redrawing
// after each hour so the summaries are built. Prints the first hour's RSS
// growth, the average per hour raw and freed heap returned, and what the
// chart holds per hour.
void measureTemperatureHours(charts::GraphClass graphClass, int hours)
{
    Rig rig(graphClass, Rig::Time::Virtual);
    rig.showTab(kLogChartsTab);
    rig.clearCharts();
    rig.tempPlot->replot();
    const double start = liveMB();
    double firstHour = 0.0;
    // Hours are appended in order, each hour's keys following the last.
    for (int hour = 1; hour <= hours; ++hour) {
        rig.fillTemperature(kSamplesPerHour, (hour - 1) * kSamplesPerHour);
        rig.tempPlot->graph(0)->rescaleAxes(true);
        rig.tempPlot->replot();
        if (hour == 1)
            firstHour = rssMB() - start;
    }
    const double average = (rssMB() - start) / hours;
    const double live = (liveMB() - start) / hours;
    const double held = double(charts::StripChart::of(rig.tempPlot)->bytes()) / 1e6 / hours;
    std::printf("memory %f %f %f %f\n", firstHour, average, live, held);
}

void measureBothCharts(charts::GraphClass graphClass)
{
    Rig rig(graphClass, Rig::Time::Virtual);
    rig.showTab(kLogChartsTab);
    rig.clearCharts();
    const double before = liveMB();
    rig.fillTemperature(kSamplesPerHour);
    rig.fillPosition(kSamplesPerHour);
    rig.tempPlot->graph(0)->rescaleAxes(true);
    rig.tempPlot->replot();
    rig.positionPlot->rescaleAxes(true);
    rig.positionPlot->replot();
    std::printf("memory %f 0 0 0\n", liveMB() - before);
}

// What a measuring child needs: a scratch folder for the window's log.txt and
// no modal box.
class ChildSetting {
public:
    ChildSetting() : m_answerer(false)
    {
        QDir::setCurrent(m_dir.path());
        dialogs::setAnswerer(&m_answerer);
    }
    ~ChildSetting() { dialogs::setAnswerer(nullptr); }
    ChildSetting(const ChildSetting&) = delete;
    ChildSetting& operator=(const ChildSetting&) = delete;

private:
    QTemporaryDir m_dir;
    dialogs::ScriptedAnswerer m_answerer;
};

// Each memory measurement runs in a fresh process, so that no heap freed by
// an earlier one is reused and hides growth. The child prints its figures.
int memoryChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ChildSetting setting;
    const bool stock = argc > 3 && qstrcmp(argv[3], kStockFlag) == 0;
    const auto graphClass = stock ? charts::GraphClass::Stock : charts::GraphClass::Summary;
    if (argc > 2 && qstrcmp(argv[2], "both") == 0)
        measureBothCharts(graphClass);
    else
        measureTemperatureHours(graphClass, stock ? 1 : 8);
    return 0;
}

// Runs this program with the given arguments and returns the figures it
// printed after "TAG ", or none when it failed or printed another count.
QList<double> runChild(const QString& workDir, const QStringList& arguments, const char* tag,
                       int count)
{
    QProcess child;
    child.setWorkingDirectory(workDir);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(300000))
        return {};
    const QByteArray output = child.readAllStandardOutput();
    const QByteArray prefix = QByteArray(tag) + ' ';
    const int at = output.indexOf(prefix);
    if (at < 0)
        return {};
    QList<double> figures;
    for (const QByteArray& field : output.mid(at + prefix.size()).trimmed().split(' '))
        figures.append(field.toDouble());
    return figures.size() == count ? figures : QList<double>();
}

QList<double> runMemoryChild(const QString& workDir, const char* which, bool stock)
{
    QStringList arguments = {QString::fromLatin1(kMemoryChildFlag), QString::fromLatin1(which)};
    if (stock)
        arguments.append(QString::fromLatin1(kStockFlag));
    return runChild(workDir, arguments, "memory", 4);
}

Memory measureMemory(const QString& workDir)
{
    Memory m;
    const QList<double> ours = runMemoryChild(workDir, "temperature", false);
    const QList<double> stock = runMemoryChild(workDir, "temperature", true);
    const QList<double> both = runMemoryChild(workDir, "both", false);
    const QList<double> stockBoth = runMemoryChild(workDir, "both", true);
    if (ours.isEmpty() || stock.isEmpty() || both.isEmpty() || stockBoth.isEmpty()) {
        std::fprintf(stderr, "bench: a memory measurement failed\n");
        return m;
    }
    m.firstHourRss = ours[0];
    m.averageRss = ours[1];
    m.averageLive = ours[2];
    m.heldPerHour = ours[3];
    m.stockFirstHourLive = stock[2];
    m.bothChartsLive = both[0];
    m.stockBothChartsLive = stockBoth[0];
    return m;
}

// CPU time of the whole program while a board streams 100 records a second
// and its values move as with a running motor, in percent of one core.
struct CpuScenario {
    const char* name;
    const char* tab;
    int mode;
    int history; // records per chart before streaming starts
};
const CpuScenario kCpuScenarios[] = {
    {"Driver setup shown", kDriverSetupTab, protocol::kOpModeDefault, 0},
    {"Log charts shown, 1 h", kLogChartsTab, protocol::kOpModeDefault, kSamplesPerHour},
    {"Log charts shown, 8 h", kLogChartsTab, protocol::kOpModeDefault, 8 * kSamplesPerHour},
    {"Position control, mode 4, 1 h", kPositionTab, protocol::kOpModeTrajectory, kSamplesPerHour},
};
constexpr int kCpuScenarioCount = int(sizeof kCpuScenarios / sizeof kCpuScenarios[0]);

struct CpuFigure {
    double percent = -1.0;
    double recordsPerSecond = 0.0;
};

CpuFigure measureCpu(const CpuScenario& scenario, charts::RedrawPolicy policy)
{
    Rig rig(charts::GraphClass::Summary, Rig::Time::Wall, policy);
    if (!rig.ready())
        return {};
    rig.clearCharts();
    rig.fillTemperature(scenario.history);
    if (scenario.mode == protocol::kOpModeTrajectory)
        rig.fillPosition(scenario.history);
    rig.showTab(scenario.tab);
    // The board's values move every record, as a running motor's do.
    QTimer motion;
    QObject::connect(&motion, &QTimer::timeout, [&rig, &scenario] {
        rig.board->setLive(liveValues(++rig.step, scenario.mode));
    });
    motion.start(TorvelDRV::kRxPeriodMs);
    const auto run = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    run(kCpuSettleMs);
    const int recordsBefore = rig.records;
    const double cpuBefore = cpuMs();
    const qint64 wallBefore = monotonicNs();
    run(kCpuMeasureMs);
    const double wallMs = double(monotonicNs() - wallBefore) / 1e6;
    CpuFigure figure;
    figure.percent = 100.0 * (cpuMs() - cpuBefore) / wallMs;
    figure.recordsPerSecond = 1000.0 * (rig.records - recordsBefore) / wallMs;
    return figure;
}

struct CpuRow {
    CpuFigure ours;
    CpuFigure everyRecord;
};

// Each CPU scenario also runs in a fresh process: a heap grown by an earlier
// history and an earlier window's leftovers would otherwise count against it.
int cpuChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ChildSetting setting;
    const int index = argc > 2 ? QByteArray(argv[2]).toInt() : -1;
    if (index < 0 || index >= kCpuScenarioCount)
        return 1;
    const bool everyRecord = argc > 3 && qstrcmp(argv[3], kEveryRecordFlag) == 0;
    const CpuFigure figure =
        measureCpu(kCpuScenarios[index], everyRecord ? charts::RedrawPolicy::EveryRecord
                                                     : charts::RedrawPolicy::WhenSeen);
    if (figure.percent < 0)
        return 1;
    std::printf("cpu %f %f\n", figure.percent, figure.recordsPerSecond);
    return 0;
}

// The median run by CPU time; percent -1 when a run failed.
CpuFigure runCpuChild(const QString& workDir, int index, bool everyRecord)
{
    QStringList arguments = {QString::fromLatin1(kCpuChildFlag), QString::number(index)};
    if (everyRecord)
        arguments.append(QString::fromLatin1(kEveryRecordFlag));
    std::vector<CpuFigure> runs;
    for (int run = 0; run < kCpuRuns; ++run) {
        const QList<double> figures = runChild(workDir, arguments, "cpu", 2);
        if (figures.isEmpty())
            return {};
        runs.push_back({figures[0], figures[1]});
    }
    std::sort(runs.begin(), runs.end(),
              [](const CpuFigure& a, const CpuFigure& b) { return a.percent < b.percent; });
    return runs[runs.size() / 2];
}

// The product-like child: build the window, show it, print the monotonic
// time of its first show event, quit.
class FirstShow : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !m_seen) {
            m_seen = true;
            std::printf("shown %lld\n", static_cast<long long>(monotonicNs()));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

int startupChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    MainWindow window;
    FirstShow probe;
    window.installEventFilter(&probe);
    window.show();
    return app.exec();
}

struct Startup {
    double median = -1.0;
    double max = -1.0;
};

// Process start (just before the fork) to the window's first show event.
Startup measureStartup(const QString& workDir)
{
    std::vector<double> ms;
    for (int run = 0; run < kStartupRuns; ++run) {
        QProcess child;
        child.setWorkingDirectory(workDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        const qint64 t0 = monotonicNs();
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kStartupChildFlag)});
        if (!child.waitForFinished(30000))
            continue;
        const QByteArray out = child.readAllStandardOutput();
        const int at = out.indexOf("shown ");
        if (at < 0)
            continue;
        const qint64 shown = out.mid(at + 6).trimmed().toLongLong();
        ms.push_back(double(shown - t0) / 1e6);
    }
    Startup s;
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    s.median = ms[ms.size() / 2];
    s.max = ms.back();
    return s;
}

void printReport(const Row rows[kScenarioCount][kHistoryCount], const CpuRow cpu[kCpuScenarioCount],
                 const Memory& memory, const Startup& startup, const QSize& chartSize)
{
    // The window is not scaled for the screen's dots per inch here, so that a
    // fractional scale (the offscreen screen's 100 dpi give 1.04) does not
    // stand for the common unscaled desktop.
    std::printf("Every figure at a device pixel ratio of %.2f, as on a 96 dpi screen.\n\n",
                qApp->devicePixelRatio());
    std::printf("Per-record cost: RX tick + decoding + DisplayRTData + chart steps + paint,\n"
                "offscreen, temperature chart %dx%d px; %d records per point (stock %d),\n"
                "after %d untimed, each %d ms after the last so that a chart that can be\n"
                "seen draws every one. Milliseconds per record.\n\n",
                chartSize.width(), chartSize.height(), kTimedRecords, kStockTimedRecords,
                kWarmupRecords, kTimedRecordSpacingMs);
    std::printf("%-27s %10s %9s %8s %10s %8s %8s\n", "scenario", "history", "median", "p99",
                "stock med", "p99", "speedup");
    for (int s = 0; s < kScenarioCount; ++s) {
        for (int h = 0; h < kHistoryCount; ++h) {
            const Row& row = rows[s][h];
            char history[32];
            if (kHistories[h] == 0)
                std::snprintf(history, sizeof history, "0");
            else
                std::snprintf(history, sizeof history, "%.2fh", kHistories[h] / 360000.0);
            std::printf("%-27s %10s %9.2f %8.2f %10.2f %8.2f %7.1fx\n", kScenarios[s].name, history,
                        row.summary.median, row.summary.p99, row.stock.median, row.stock.p99,
                        row.stock.median / row.summary.median);
        }
    }
    std::printf("\nhistory = samples per graph since the last clear at 100 records/s "
                "(0.28h = 100 k, 1h = 360 k, 2.78h = 1 M, 8h = 2.88 M)\n\n");
    std::printf("CPU time of the whole program per second of streaming at 100 records/s,\n"
                "percent of one core, over %d s after %.1f s of settling; the median of %d\n"
                "runs, each in a fresh process. The board's values move every record.\n"
                "Redraw-per-record: the same program redrawing both charts after every\n"
                "record, seen or not.\n\n",
                kCpuMeasureMs / 1000, kCpuSettleMs / 1000.0, kCpuRuns);
    std::printf("%-31s %8s %10s %20s %8s\n", "scenario", "cpu", "records/s", "redraw-per-record",
                "ratio");
    for (int c = 0; c < kCpuScenarioCount; ++c)
        std::printf("%-31s %7.2f%% %10.1f %19.2f%% %8.2f\n", kCpuScenarios[c].name,
                    cpu[c].ours.percent, cpu[c].ours.recordsPerSecond, cpu[c].everyRecord.percent,
                    cpu[c].ours.percent / cpu[c].everyRecord.percent);
    std::printf("\nMemory per hour of streaming at 100 records/s (MB = 10^6 bytes):\n");
    std::printf("  held by the temperature chart (one time column, three 4-byte value columns,\n"
                "    summaries): %.2f MB; the stock graph's samples alone: %.2f MB\n",
                memory.heldPerHour, 3.0 * kSamplesPerHour * sizeof(QCPGraphData) / 1e6);
    std::printf("  RSS growth, temperature chart (mode 1): first hour %.2f MB, average over 8 h\n"
                "    %.2f MB, once freed heap is returned (malloc_trim) %.2f MB; stock %.2f MB\n",
                memory.firstHourRss, memory.averageRss, memory.averageLive,
                memory.stockFirstHourLive);
    std::printf("  RSS growth, one hour with both charts (mode 4), freed heap returned: %.2f MB;\n"
                "    stock %.2f MB\n\n",
                memory.bothChartsLive, memory.stockBothChartsLive);
    std::printf("Start-up, process start to the window's first show event (%d runs): "
                "median %.0f ms, max %.0f ms\n\n",
                kStartupRuns, startup.median, startup.max);

    const double start = rows[0][0].summary.median;
    const double end = rows[0][kHistoryCount - 1].summary.median;
    const double stock = rows[0][kHistoryCount - 1].stock.median;
    std::printf("cpu per second: setup %.2f %%, charts 8h %.2f %%; redraw-per-record %.2f %%, "
                "%.2f %%; memory per hour: mode 1 %.2f MB, mode 4 %.2f MB\n",
                cpu[0].ours.percent, cpu[2].ours.percent, cpu[0].everyRecord.percent,
                cpu[2].everyRecord.percent, memory.averageLive, memory.bothChartsLive);
    std::printf("per-record median: start %.2f ms, 8h %.2f ms; stock 8h %.2f ms; speedup %.1fx\n",
                start, end, stock, stock / end);
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], kStartupChildFlag) == 0)
        return startupChild(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && qstrcmp(argv[1], kMemoryChildFlag) == 0)
        return memoryChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], kCpuChildFlag) == 0)
        return cpuChild(argc, argv);
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path()); // the window writes log.txt here
    dialogs::ScriptedAnswerer answerer(false);
    dialogs::setAnswerer(&answerer);

    std::fprintf(stderr, "bench: start-up\n");
    const Startup startup = measureStartup(dir.path());
    static Row rows[kScenarioCount][kHistoryCount];
    std::fprintf(stderr, "bench: per-record cost\n");
    QSize chartSize;
    if (!measure(charts::GraphClass::Summary, kTimedRecords, rows, &chartSize) ||
        !measure(charts::GraphClass::Stock, kStockTimedRecords, rows, &chartSize))
        return 1;
    std::fprintf(stderr, "bench: cpu while streaming\n");
    CpuRow cpu[kCpuScenarioCount];
    for (int c = 0; c < kCpuScenarioCount; ++c) {
        cpu[c].ours = runCpuChild(dir.path(), c, false);
        cpu[c].everyRecord = runCpuChild(dir.path(), c, true);
        if (cpu[c].ours.percent < 0 || cpu[c].everyRecord.percent < 0) {
            std::fprintf(stderr, "bench: a CPU measurement failed\n");
            return 1;
        }
        std::fprintf(stderr, "  %s: %.2f %% (%.0f records/s), redraw-per-record %.2f %%\n",
                     kCpuScenarios[c].name, cpu[c].ours.percent, cpu[c].ours.recordsPerSecond,
                     cpu[c].everyRecord.percent);
    }
    std::fprintf(stderr, "bench: memory\n");
    const Memory memory = measureMemory(dir.path());
    charts::setGraphClass(charts::GraphClass::Summary);
    dialogs::setAnswerer(nullptr);
    QDir::setCurrent(previous);
    printReport(rows, cpu, memory, startup, chartSize);
    return 0;
}
