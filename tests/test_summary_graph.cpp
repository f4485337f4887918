// The summary graph against the library's own: same pixels column by column,
// same value ranges and hit tests, and summaries that follow appends and clears.
#include "monitor/extent_layers.h"
#include "monitor/strip_chart.h"
#include "monitor/summary_graph.h"

#include <QtTest>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr double kKeyStep = 0.01; // 100 records per second
const QRgb kPen = qRgb(0, 0, 255);
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Samples {
    QVector<double> keys;
    QVector<double> values;
};

// A noisy slow wave with single-sample spikes up and down and an optional
// stretch of NaN values; deterministic for a given seed. Values are floats,
// as the table keeps measurements, so both graphs hold the same numbers.
Samples makeSamples(int count, int spikeEvery, int nanFrom = -1, int nanTo = -1, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    Samples s;
    s.keys.reserve(count);
    s.values.reserve(count);
    for (int i = 0; i < count; ++i) {
        double value = 40.0 + 10.0 * std::sin(i * 1e-4) + random.bounded(2.0);
        if (spikeEvery > 0 && i % spikeEvery == spikeEvery / 2)
            value += (i / spikeEvery) % 2 == 0 ? 35.0 : -30.0;
        if (i >= nanFrom && i < nanTo)
            value = kNaN;
        s.keys.append(i * kKeyStep);
        s.values.append(double(float(value)));
    }
    return s;
}

// One plot with one graph, drawn without antialiasing so the pen's pixels
// are exact: the library's graph over its container, or the summary graph
// over the first column of a table.
struct Chart {
    explicit Chart(bool summary)
    {
        plot.setNotAntialiasedElements(QCP::aeAll);
        if (summary) {
            table = std::make_shared<charts::SampleTable>(std::array<charts::ValueType, 3>{});
            graph = new charts::SummaryGraph(plot.xAxis, plot.yAxis, table, 0);
        } else {
            graph = plot.addGraph(plot.xAxis, plot.yAxis);
        }
        graph->setPen(QPen(QColor(kPen), 1));
    }
    void add(double key, double value)
    {
        if (table)
            table->append(key, {value, 0.0, 0.0});
        else
            graph->addData(key, value);
    }
    void append(const Samples& s)
    {
        for (int i = 0; i < s.keys.size(); ++i)
            add(s.keys[i], s.values[i]);
    }
    void clear()
    {
        if (table)
            table->clear();
        else
            graph->data()->clear();
    }
    QCustomPlot plot;
    std::shared_ptr<charts::SampleTable> table;
    QCPGraph* graph = nullptr;
};

struct ColumnExtent {
    int top = -1; // -1: nothing drawn in this column
    int bottom = -1;
};

QVector<ColumnExtent> drawnExtents(QCustomPlot& plot)
{
    const QImage image =
        plot.toPixmap(kWidth, kHeight).toImage().convertToFormat(QImage::Format_RGB32);
    QVector<ColumnExtent> columns(image.width());
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] != kPen)
                continue;
            ColumnExtent& c = columns[x];
            if (c.top < 0)
                c.top = y;
            c.bottom = y;
        }
    }
    return columns;
}

// Compares both pictures; returns the number of columns the library drew in.
int compareColumns(QCustomPlot& stock, QCustomPlot& summary)
{
    const QVector<ColumnExtent> expected = drawnExtents(stock);
    const QVector<ColumnExtent> actual = drawnExtents(summary);
    int drawn = 0;
    for (int x = 0; x < expected.size(); ++x) {
        const ColumnExtent& e = expected[x];
        const ColumnExtent& a = actual[x];
        if ((e.top < 0) != (a.top < 0) || std::abs(e.top - a.top) > 1 ||
            std::abs(e.bottom - a.bottom) > 1) {
            qWarning("column %d: library %d..%d, summary %d..%d", x, e.top, e.bottom, a.top,
                     a.bottom);
            return -1;
        }
        if (e.top >= 0)
            ++drawn;
    }
    return drawn;
}

bool sameRange(const QCPRange& a, const QCPRange& b)
{
    return a.lower == b.lower && a.upper == b.upper;
}
} // namespace

class SummaryGraphTest : public QObject {
    Q_OBJECT
private slots:
    void pictureMatchesTheLibrary_data();
    void pictureMatchesTheLibrary();
    void valueRangeMatchesTheLibrary_data();
    void valueRangeMatchesTheLibrary();
    void extentsMatchAWalk_data();
    void extentsMatchAWalk();
    void stepsRangeIsExactToTheLimits_data();
    void stepsRangeIsExactToTheLimits();
    void lineOnTheTopOfTheRangeIsDrawn_data();
    void lineOnTheTopOfTheRangeIsDrawn();
    void appendsAndClearsAreFollowed();
    void recordByRecordAppendsAreFollowed();
    void hitTestMatchesTheLibrary_data();
    void hitTestMatchesTheLibrary();
    void configureCreatesTheSelectedGraphClass();
};

void SummaryGraphTest::pictureMatchesTheLibrary_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("spikeEvery");
    QTest::addColumn<int>("zoomFrom"); // sample index of the key range; -1: rescaled to all
    QTest::addColumn<int>("zoomTo");
    QTest::addColumn<int>("nanFrom");
    QTest::addColumn<int>("nanTo");

    QTest::newRow("few samples") << 60 << 7 << -1 << -1 << -1 << -1;
    QTest::newRow("20 k") << 20000 << 997 << -1 << -1 << -1 << -1;
    QTest::newRow("300 k with spikes") << 300000 << 1301 << -1 << -1 << -1 << -1;
    QTest::newRow("1 M with spikes") << 1000000 << 4999 << -1 << -1 << -1 << -1;
    QTest::newRow("zoomed to every sample") << 300000 << 101 << 150017 << 150400 << -1 << -1;
    QTest::newRow("zoomed to a few per column") << 300000 << 53 << 120011 << 122500 << -1 << -1;
    QTest::newRow("zoomed off block bounds") << 300000 << 389 << 33333 << 87777 << -1 << -1;
    QTest::newRow("NaN stretch") << 200000 << 1009 << -1 << -1 << 70001 << 90013;
}

void SummaryGraphTest::pictureMatchesTheLibrary()
{
    QFETCH(int, count);
    QFETCH(int, spikeEvery);
    QFETCH(int, zoomFrom);
    QFETCH(int, zoomTo);
    QFETCH(int, nanFrom);
    QFETCH(int, nanTo);
    const Samples samples = makeSamples(count, spikeEvery, nanFrom, nanTo);
    Chart stock(false);
    Chart summary(true);
    for (Chart* chart : {&stock, &summary}) {
        chart->append(samples);
        chart->graph->rescaleAxes();
        if (zoomFrom >= 0)
            chart->plot.xAxis->setRange(samples.keys[zoomFrom], samples.keys[zoomTo]);
    }
    QVERIFY(sameRange(summary.plot.xAxis->range(), stock.plot.xAxis->range()));
    QVERIFY(sameRange(summary.plot.yAxis->range(), stock.plot.yAxis->range()));

    const int drawn = compareColumns(stock.plot, summary.plot);
    QVERIFY(drawn >= 0);
    QVERIFY2(drawn > kWidth / 2, "the fixture draws across the chart");
}

void SummaryGraphTest::lineOnTheTopOfTheRangeIsDrawn_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("scale");
    for (const double scale : {1.0, 100.0 / 96.0, 1.25, 1.5, 2.0}) {
        QTest::addRow("every sample drawn, scale %.3f", scale) << 400 << scale;
        QTest::addRow("summarised columns, scale %.3f", scale) << 300000 << scale;
    }
}

// A target a trajectory reaches and holds: once the axis has grown to it, the
// held value is the top of the range, which maps to the row just above the
// axis rectangle. Drawn aliased at a fractional scale, as on many desktops,
// that row would fall outside the rectangle's device pixels.
void SummaryGraphTest::lineOnTheTopOfTheRangeIsDrawn()
{
    QFETCH(int, count);
    QFETCH(double, scale);
    Chart summary(true);
    for (int i = 0; i < count; ++i)
        summary.add(i * kKeyStep, std::min(i, count / 2));
    summary.graph->rescaleAxes();

    const QImage image = summary.plot.toPixmap(kWidth, kHeight, scale).toImage();
    const QCPAxis* keys = summary.plot.xAxis;
    const int from = int(std::ceil(keys->coordToPixel((count / 2 + 1) * kKeyStep) * scale));
    const int to = int(keys->coordToPixel((count - 1) * kKeyStep) * scale);
    const int top = int(summary.plot.axisRect()->top() * scale);
    QVERIFY(to - from > kWidth / 4);
    for (int x = from; x < to; ++x) {
        bool drawn = false;
        for (int y = 0; y <= top + 2 && !drawn; ++y)
            drawn = image.pixel(x, y) == kPen;
        QVERIFY2(drawn, qPrintable(QStringLiteral("column %1").arg(x)));
    }
}

void SummaryGraphTest::valueRangeMatchesTheLibrary_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("nanFrom");
    QTest::addColumn<int>("nanTo");
    QTest::addColumn<double>("keyLower"); // both 0: no key restriction
    QTest::addColumn<double>("keyUpper");
    QTest::addColumn<int>("signDomain");

    QTest::newRow("empty") << 0 << -1 << -1 << 0.0 << 0.0 << int(QCP::sdBoth);
    QTest::newRow("one sample") << 1 << -1 << -1 << 0.0 << 0.0 << int(QCP::sdBoth);
    QTest::newRow("all") << 100000 << -1 << -1 << 0.0 << 0.0 << int(QCP::sdBoth);
    QTest::newRow("leading NaN") << 100000 << 0 << 40 << 0.0 << 0.0 << int(QCP::sdBoth);
    QTest::newRow("all NaN") << 500 << 0 << 500 << 0.0 << 0.0 << int(QCP::sdBoth);
    QTest::newRow("keys restricted, ends on samples")
        << 100000 << -1 << -1 << 123.45 << 678.9 << int(QCP::sdBoth);
    QTest::newRow("keys restricted between samples")
        << 100000 << -1 << -1 << 10.005 << 10.035 << int(QCP::sdBoth);
    QTest::newRow("keys restricted to nothing")
        << 100000 << -1 << -1 << 10.001 << 10.009 << int(QCP::sdBoth);
    QTest::newRow("keys restricted into NaN")
        << 100000 << 1000 << 5000 << 15.0 << 45.0 << int(QCP::sdBoth);
    QTest::newRow("positive only") << 100000 << -1 << -1 << 0.0 << 0.0 << int(QCP::sdPositive);
}

void SummaryGraphTest::valueRangeMatchesTheLibrary()
{
    QFETCH(int, count);
    QFETCH(int, nanFrom);
    QFETCH(int, nanTo);
    QFETCH(double, keyLower);
    QFETCH(double, keyUpper);
    QFETCH(int, signDomain);
    const Samples samples = makeSamples(count, 777, nanFrom, nanTo);
    Chart stock(false);
    Chart summary(true);
    stock.append(samples);
    summary.append(samples);

    const auto domain = static_cast<QCP::SignDomain>(signDomain);
    const QCPRange keys(keyLower, keyUpper);
    bool stockFound = false;
    bool summaryFound = true;
    const QCPRange expected = stock.graph->getValueRange(stockFound, domain, keys);
    const QCPRange actual = summary.graph->getValueRange(summaryFound, domain, keys);
    QCOMPARE(summaryFound, stockFound);
    if (stockFound)
        QVERIFY2(sameRange(actual, expected), qPrintable(QStringLiteral("%1..%2, library %3..%4")
                                                             .arg(actual.lower)
                                                             .arg(actual.upper)
                                                             .arg(expected.lower)
                                                             .arg(expected.upper)));
}

void SummaryGraphTest::extentsMatchAWalk_data()
{
    QTest::addColumn<bool>("steps");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("nanFrom");
    QTest::addColumn<int>("nanTo");
    // Past two chunks of cells and through four layers, appended in uneven steps.
    QTest::newRow("measurements") << false << 40000 << -1 << -1;
    QTest::newRow("measurements, NaN stretch") << false << 40000 << 1000 << 20000;
    QTest::newRow("measurements, NaN at both ends") << false << 40000 << 35000 << 40000;
    QTest::newRow("all NaN") << false << 3000 << 0 << 3000;
    QTest::newRow("steps at the 32-bit limits") << true << 40000 << -1 << -1;
    QTest::newRow("one sample") << false << 1 << -1 << -1;
}

// Every extent, however it is split between samples and layers, is what a
// walk over the samples finds.
void SummaryGraphTest::extentsMatchAWalk()
{
    QFETCH(bool, steps);
    QFETCH(int, count);
    QFETCH(int, nanFrom);
    QFETCH(int, nanTo);
    auto table = std::make_shared<charts::SampleTable>(std::array<charts::ValueType, 3>{
        steps ? charts::ValueType::Steps : charts::ValueType::Measurement});
    const charts::ColumnView samples{table.get(), 0};
    const std::unique_ptr<charts::ExtentLayers> layers = charts::ExtentLayers::over(samples);
    const auto walk = [&](std::size_t from, std::size_t to) {
        charts::ValueExtent extent = charts::kNoExtent;
        for (std::size_t row = from; row < to; ++row) {
            const double value = samples.value(row); // NaN fails both comparisons
            if (value < extent.lo)
                extent.lo = value;
            if (value > extent.hi)
                extent.hi = value;
        }
        return extent;
    };
    const auto same = [](const charts::ValueExtent& a, const charts::ValueExtent& b) {
        return (a.empty() && b.empty()) || (a.lo == b.lo && a.hi == b.hi);
    };
    QRandomGenerator random(11);
    const Samples wave = makeSamples(count, 313, nanFrom, nanTo);
    int appended = 0;
    while (appended < count) {
        const int until = std::min(count, appended + 1 + int(random.bounded(9000)));
        for (; appended < until; ++appended) {
            const double extreme = appended % 2 ? std::numeric_limits<std::int32_t>::max()
                                                : std::numeric_limits<std::int32_t>::min();
            const double value =
                !steps ? wave.values[appended] : (appended % 997 == 3 ? extreme : appended * 7.0);
            table->append(appended * kKeyStep, {value, 0.0, 0.0});
        }
        layers->extend();
        const std::size_t size = std::size_t(appended);
        QCOMPARE(layers->covered(), size);
        QVERIFY(same(layers->all(), walk(0, size)));
        std::size_t first = 0;
        while (first < size && std::isnan(samples.value(first)))
            ++first;
        std::size_t last = size;
        while (last > 0 && std::isnan(samples.value(last - 1)))
            --last;
        QCOMPARE(layers->firstNumber(), first);
        QCOMPARE(layers->lastNumber(), first < size ? last - 1 : size);
        // Ends on and beside the bounds of blocks, groups and chunks, each
        // with an end anywhere, and pairs of ends anywhere.
        std::vector<std::pair<std::size_t, std::size_t>> queries;
        const auto anywhere = [&](std::size_t below) { return random.bounded(quint32(below)); };
        for (std::size_t end : {1, 15, 16, 17, 127, 128, 129, 1023, 1024, 1025, 8191, 8192, 8193,
                                16383, 16384, 16385}) {
            if (end < size)
                queries.push_back({end, end + 1 + anywhere(size - end)});
            if (end <= size)
                queries.push_back({anywhere(end), end});
        }
        for (int i = 0; i < 60; ++i) {
            const std::size_t from = anywhere(size);
            queries.push_back({from, from + 1 + anywhere(size - from)});
        }
        for (const auto& [from, to] : queries)
            QVERIFY2(same(layers->query(from, to), walk(from, to)),
                     qPrintable(QStringLiteral("[%1, %2) of %3").arg(from).arg(to).arg(size)));
    }
}

void SummaryGraphTest::stepsRangeIsExactToTheLimits_data()
{
    QTest::addColumn<qint64>("low");
    QTest::addColumn<qint64>("high");
    constexpr qint64 kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr qint64 kHighest = std::numeric_limits<std::int32_t>::max();
    QTest::newRow("all at the lowest") << kLowest << kLowest;
    QTest::newRow("all at the highest") << kHighest << kHighest;
    QTest::newRow("both limits") << kLowest << kHighest;
    QTest::newRow("next to each other") << qint64(16777216) << qint64(16777217);
}

// Steps are whole 32-bit numbers: every one, the limits included, comes
// back exactly from the summaries and from the stretches read around them.
void SummaryGraphTest::stepsRangeIsExactToTheLimits()
{
    QFETCH(qint64, low);
    QFETCH(qint64, high);
    constexpr int kRows = 5000;
    constexpr int kHighRow = 2345;
    auto table = std::make_shared<charts::SampleTable>(
        std::array<charts::ValueType, 3>{charts::ValueType::Steps});
    QCustomPlot plot;
    auto* graph = new charts::SummaryGraph(plot.xAxis, plot.yAxis, table, 0); // the plot's
    for (int i = 0; i < kRows; ++i)
        table->append(i * kKeyStep, {double(i == kHighRow ? high : low), 0.0, 0.0});
    const QCPRange keyRanges[] = {QCPRange(), QCPRange(3.33, 41.07), QCPRange(23.4, 23.5)};
    for (const QCPRange& keys : keyRanges) {
        bool found = false;
        const QCPRange range = graph->getValueRange(found, QCP::sdBoth, keys);
        QVERIFY(found);
        QCOMPARE(qint64(range.lower), low);
        QCOMPARE(qint64(range.upper), high);
    }
}

// Drawn after every change, as the charts are: the summaries must take in
// appended samples and start again after a clear, even one refilled to the
// same keys before the next draw.
void SummaryGraphTest::appendsAndClearsAreFollowed()
{
    const Samples first = makeSamples(200000, 0);
    Samples refill = makeSamples(210000, 0, -1, -1, 99);
    for (double& v : refill.values)
        v -= 20.0;
    refill.values[0] = first.values[0]; // only the later samples tell the refill apart
    const std::function<void(Chart*)> changes[] = {
        [&](Chart* c) { c->append(first); },
        // A spike in the last, partly filled block, then one past the enlarged range.
        [&](Chart* c) { c->add(200000 * kKeyStep, 95.0); },
        [&](Chart* c) {
            for (int i = 1; i <= 5000; ++i)
                c->add((200000 + i) * kKeyStep, i == 2500 ? 140.0 : 45.0);
        },
        // Same keys and more samples, lower values: nothing may be left of the spikes.
        [&](Chart* c) {
            c->clear();
            c->append(refill);
        },
        [&](Chart* c) {
            c->clear();
            c->append(makeSamples(150000, 0, -1, -1, 5));
        },
    };
    Chart stock(false);
    Chart summary(true);
    int step = 0;
    for (const auto& change : changes) {
        for (Chart* chart : {&stock, &summary}) {
            change(chart);
            chart->graph->rescaleAxes(true);
        }
        QVERIFY2(sameRange(summary.plot.yAxis->range(), stock.plot.yAxis->range()),
                 qPrintable(QString::number(step)));
        QVERIFY2(compareColumns(stock.plot, summary.plot) > kWidth / 2,
                 qPrintable(QString::number(step)));
        ++step;
    }
}

// As the charts stream: one sample, then the enlarging rescale, every time;
// new highs and lows keep arriving inside partly filled summary blocks.
void SummaryGraphTest::recordByRecordAppendsAreFollowed()
{
    const Samples history = makeSamples(100000, 0);
    Chart stock(false);
    Chart summary(true);
    for (Chart* chart : {&stock, &summary}) {
        chart->append(history);
        chart->graph->rescaleAxes(true);
    }
    QRandomGenerator random(3);
    double high = 60.0;
    double low = 20.0;
    for (int i = 0; i < 2000; ++i) {
        double value = double(float(40.0 + random.bounded(5.0)));
        if (random.bounded(40) == 0)
            value = (high += 0.5);
        else if (random.bounded(40) == 0)
            value = (low -= 0.5);
        const double key = (history.keys.size() + i) * kKeyStep;
        for (Chart* chart : {&stock, &summary}) {
            chart->add(key, value);
            chart->graph->rescaleAxes(true);
        }
        QVERIFY2(sameRange(summary.plot.yAxis->range(), stock.plot.yAxis->range()),
                 qPrintable(QString::number(i)));
        if (i % 250 == 249)
            QVERIFY2(compareColumns(stock.plot, summary.plot) > kWidth / 2,
                     qPrintable(QString::number(i)));
    }
}

void SummaryGraphTest::hitTestMatchesTheLibrary_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("zoomFrom"); // -1: rescaled to all
    QTest::addColumn<int>("zoomTo");
    QTest::newRow("every sample drawn") << 400 << -1 << -1;
    QTest::newRow("many per column") << 200000 << -1 << -1;
    QTest::newRow("zoomed in") << 200000 << 1000 << 1300;
}

// Clicking selects a graph by its distance to the point: the same distance,
// and the same nearest sample, over a grid of points across the chart.
void SummaryGraphTest::hitTestMatchesTheLibrary()
{
    QFETCH(int, count);
    QFETCH(int, zoomFrom);
    QFETCH(int, zoomTo);
    const Samples samples = makeSamples(count, 97);
    Chart stock(false);
    Chart summary(true);
    for (Chart* chart : {&stock, &summary}) {
        chart->append(samples);
        chart->graph->rescaleAxes();
        if (zoomFrom >= 0)
            chart->plot.xAxis->setRange(samples.keys[zoomFrom], samples.keys[zoomTo]);
        chart->plot.resize(kWidth, kHeight);
        chart->plot.replot();
    }
    const QRect area = stock.plot.axisRect()->rect();
    for (int x = area.left(); x <= area.right(); x += 37) {
        for (int y = area.top(); y <= area.bottom(); y += 23) {
            QVariant stockDetails;
            QVariant summaryDetails;
            const double expected = stock.graph->selectTest(QPointF(x, y), true, &stockDetails);
            const double actual = summary.graph->selectTest(QPointF(x, y), true, &summaryDetails);
            QVERIFY2(qAbs(actual - expected) < 1.0,
                     qPrintable(QStringLiteral("%1,%2: %3, library %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(actual)
                                    .arg(expected)));
            QCOMPARE(summaryDetails.value<QCPDataSelection>(),
                     stockDetails.value<QCPDataSelection>());
        }
    }
}

void SummaryGraphTest::configureCreatesTheSelectedGraphClass()
{
    charts::ChartSpec spec;
    spec.graphs[1].onRightAxis = true;
    for (const auto graphClass : {charts::GraphClass::Stock, charts::GraphClass::Summary}) {
        charts::setGraphClass(graphClass);
        QCustomPlot plot;
        charts::StripChart chart(&plot, spec, QFont());
        QCOMPARE(charts::StripChart::of(&plot), &chart);
        QCOMPARE(plot.graphCount(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(dynamic_cast<charts::SummaryGraph*>(plot.graph(i)) != nullptr,
                     graphClass == charts::GraphClass::Summary);
        QCOMPARE(plot.graph(1)->valueAxis(), plot.yAxis2);
    }
}

QTEST_MAIN(SummaryGraphTest)
#include "test_summary_graph.moc"
