// Per-record cost of the live charts through the program's own receive path:
// simulated board -> RX tick -> decoding -> DisplayRTData -> both chart steps,
// in the window as the product builds it. The chart history is filled by
// appending samples directly, then real records are timed one by one, for
// the summary graph and, in the same run, for the library's stock graph.
// Also measures memory per hour of streaming and the start-up time.
#include "app/mainwindow.h"
#include "device/protocol.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "monitor/chart_setup.h"
#include "monitor/summary_graph.h"
#include "sim_control.h"

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
const char kLogChartsTab[] = "Log charts";
const char kDriverSetupTab[] = "Driver setup";

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

// A real-time report as the board sends it, its values moving a little from
// step to step as with a running motor.
QByteArray realTimeReport(int step, int mode)
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
    return sim::realTimeReport(v);
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

// The product's window with a simulated board connected, its timers stopped
// so that the bench runs each receive tick itself.
class Rig {
public:
    explicit Rig(charts::GraphClass graphClass)
    {
        charts::setGraphClass(graphClass);
        window = std::make_unique<MainWindow>();
        Torvel.enumTimer->stop();
        window->show();
        for (int i = 0; i < 100 && !(window->windowHandle() && window->windowHandle()->isExposed());
             ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        board = sim::plug();
        Torvel.USBEnumTimerHandler();
        Torvel.rxTimer->stop();
        // Every timed tick reads the one report injected just before it.
        board->setStreamRate(0);
        drain();
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
    // 100 samples a second, with the small key offsets between the three
    // graphs that live records have.
    static void fill(QCustomPlot* plot, int samples, const double base[3], const double swing[3])
    {
        if (samples == 0)
            return;
        const int spikeEvery = std::max(1, samples / kSpikesInHistory);
        for (int g = 0; g < 3; ++g) {
            QCPGraph* graph = plot->graph(g);
            const double end = -kKeyStep + g * 1e-6;
            for (int k = 0; k < samples; ++k) {
                const double t = end - (samples - 1 - k) * kKeyStep;
                // A drift over the hour, a ripple of a few samples and a fixed
                // number of spikes, so that the picture is alike at every
                // history length and only the number of samples changes.
                const double wobble = std::sin(k * kDriftPerSample + g) + 0.3 * std::sin(k * 0.37);
                const double spike = k % spikeEvery == spikeEvery / 2 ? 1.5 : 0.0;
                graph->addData(t, base[g] + swing[g] * (wobble + spike));
            }
        }
    }

    void fillTemperature(int samples)
    {
        const double base[3] = {35.0, 1.2, 24.0};
        const double swing[3] = {6.0, 0.8, 0.4};
        fill(tempPlot, samples, base, swing);
    }

    void fillPosition(int samples)
    {
        const double base[3] = {20000.0, 19800.0, 0.0};
        const double swing[3] = {15000.0, 15000.0, 3000.0};
        fill(positionPlot, samples, base, swing);
    }

    // Reads what the board still sends after connecting: stream and replies.
    void drain()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kDrainMs) {
            Torvel.USBRXTimerHandler();
            QApplication::processEvents();
        }
    }

    // One receive tick and the paint it causes; milliseconds, or -1 when no
    // real-time record was decoded.
    double timedRecord(int mode)
    {
        board->injectReport(realTimeReport(++step, mode));
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
    Rig rig(graphClass);
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

struct Memory {
    double firstHourRss = 0.0;   // RSS growth over the first hour, temperature chart
    double averageRss = 0.0;     // RSS growth per hour averaged over eight hours
    double averageLive = 0.0;    // the same once freed heap is given back (malloc_trim)
    double bothChartsLive = 0.0; // one hour with both charts (mode 4), freed heap given back
    double containerPerHour = 0.0;
    double summaryPerHour = 0.0;
};

std::size_t summaryBytes(QCustomPlot* plot)
{
    std::size_t total = 0;
    for (int g = 0; g < plot->graphCount(); ++g)
        if (auto* graph = dynamic_cast<charts::SummaryGraph*>(plot->graph(g)))
            total += graph->summaryBytes();
    return total;
}

// Resident set size with the heap the containers freed while growing handed
// back, so that only what is still held counts.
double liveMB()
{
    malloc_trim(0);
    return rssMB();
}

// Appends hour after hour of samples to the summary graphs, redrawing after
// each hour so the summaries are built, and reads the resident set size.
void measureTemperatureHours(Memory& m)
{
    Rig rig(charts::GraphClass::Summary);
    rig.showTab(kLogChartsTab);
    rig.clearCharts();
    rig.tempPlot->replot();
    const double start = liveMB();
    constexpr int kHours = 8;
    // Hours are appended in order, so each hour's keys follow the last.
    for (int hour = 1; hour <= kHours; ++hour) {
        const double base[3] = {35.0, 1.2, 24.0};
        const double swing[3] = {6.0, 0.8, 0.4};
        for (int g = 0; g < 3; ++g) {
            QCPGraph* graph = rig.tempPlot->graph(g);
            const int first = (hour - 1) * kSamplesPerHour;
            for (int k = first; k < first + kSamplesPerHour; ++k)
                graph->addData(k * kKeyStep + g * 1e-6,
                               base[g] + swing[g] * std::sin(k * kDriftPerSample + g));
        }
        rig.tempPlot->graph(0)->rescaleAxes(true);
        rig.tempPlot->replot();
        if (hour == 1) {
            m.firstHourRss = rssMB() - start;
            m.summaryPerHour = double(summaryBytes(rig.tempPlot)) / 1e6;
        }
    }
    m.averageRss = (rssMB() - start) / kHours;
    m.averageLive = (liveMB() - start) / kHours;
    m.containerPerHour = 3.0 * kSamplesPerHour * sizeof(QCPGraphData) / 1e6;
}

void measureBothCharts(Memory& m)
{
    Rig rig(charts::GraphClass::Summary);
    rig.showTab(kLogChartsTab);
    rig.clearCharts();
    const double before = liveMB();
    rig.fillTemperature(kSamplesPerHour);
    rig.fillPosition(kSamplesPerHour);
    rig.tempPlot->graph(0)->rescaleAxes(true);
    rig.tempPlot->replot();
    rig.positionPlot->rescaleAxes(true);
    rig.positionPlot->replot();
    m.bothChartsLive = liveMB() - before;
}

// Each measurement runs in a fresh process, so that no heap freed by an
// earlier one is reused and hides growth. The child prints its figures.
int memoryChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    dialogs::ScriptedAnswerer answerer(false);
    dialogs::setAnswerer(&answerer);
    Memory m;
    if (argc > 2 && qstrcmp(argv[2], "both") == 0)
        measureBothCharts(m);
    else
        measureTemperatureHours(m);
    dialogs::setAnswerer(nullptr);
    std::printf("memory %f %f %f %f %f %f\n", m.firstHourRss, m.averageRss, m.averageLive,
                m.bothChartsLive, m.containerPerHour, m.summaryPerHour);
    return 0;
}

bool runMemoryChild(const QString& workDir, const char* which, Memory& out, bool both)
{
    QProcess child;
    child.setWorkingDirectory(workDir);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kMemoryChildFlag), QString::fromLatin1(which)});
    if (!child.waitForFinished(120000))
        return false;
    const QByteArray output = child.readAllStandardOutput();
    const int at = output.indexOf("memory ");
    if (at < 0)
        return false;
    const QList<QByteArray> f = output.mid(at + 7).trimmed().split(' ');
    if (f.size() != 6)
        return false;
    if (both) {
        out.bothChartsLive = f[3].toDouble();
    } else {
        out.firstHourRss = f[0].toDouble();
        out.averageRss = f[1].toDouble();
        out.averageLive = f[2].toDouble();
        out.containerPerHour = f[4].toDouble();
        out.summaryPerHour = f[5].toDouble();
    }
    return true;
}

Memory measureMemory(const QString& workDir)
{
    Memory m;
    if (!runMemoryChild(workDir, "temperature", m, false) ||
        !runMemoryChild(workDir, "both", m, true))
        std::fprintf(stderr, "bench: a memory measurement failed\n");
    return m;
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

void printReport(const Row rows[kScenarioCount][kHistoryCount], const Memory& memory,
                 const Startup& startup, const QSize& chartSize)
{
    std::printf("Per-record cost: RX tick + decoding + DisplayRTData + chart steps + paint,\n"
                "offscreen, temperature chart %dx%d px; %d records per point (stock %d),\n"
                "after %d untimed. Milliseconds per record.\n\n",
                chartSize.width(), chartSize.height(), kTimedRecords, kStockTimedRecords,
                kWarmupRecords);
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
    std::printf("Memory per hour of streaming at 100 records/s (MB = 10^6 bytes):\n");
    std::printf("  samples in the three graphs (16 bytes each): %.2f MB; summaries: %.2f MB\n",
                memory.containerPerHour, memory.summaryPerHour);
    std::printf("  RSS growth, temperature chart: first hour %.2f MB, average over 8 h %.2f MB;\n"
                "    average over 8 h once freed heap is returned (malloc_trim) %.2f MB\n",
                memory.firstHourRss, memory.averageRss, memory.averageLive);
    std::printf(
        "  RSS growth, one hour with both charts (mode 4), freed heap returned: %.2f MB\n\n",
        memory.bothChartsLive);
    std::printf("Start-up, process start to the window's first show event (%d runs): "
                "median %.0f ms, max %.0f ms\n\n",
                kStartupRuns, startup.median, startup.max);

    const double start = rows[0][0].summary.median;
    const double end = rows[0][kHistoryCount - 1].summary.median;
    const double stock = rows[0][kHistoryCount - 1].stock.median;
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
    std::fprintf(stderr, "bench: memory\n");
    const Memory memory = measureMemory(dir.path());
    charts::setGraphClass(charts::GraphClass::Summary);
    dialogs::setAnswerer(nullptr);
    QDir::setCurrent(previous);
    printReport(rows, memory, startup, chartSize);
    return 0;
}
