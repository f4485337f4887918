// Data and pictures out of the charts through their context menus: the CSV of
// every sample since the last clear, PNG and PDF at the chart's size, and a
// failed write that is reported and leaves no file.
#include "support/window_fixture.h"

#include "csv_table.h"
#include "monitor/strip_chart.h"

#include <QAction>
#include <QImage>
#include <QPushButton>
#include <qcustomplot.h>

namespace {
QAction* action(QCustomPlot* plot, const QString& text)
{
    for (QAction* a : plot->actions())
        if (a->text() == text)
            return a;
    qFatal("no action %s", qPrintable(text));
    return nullptr;
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

using Samples = QVector<QVector<double>>; // per record: key, then one value per graph
} // namespace

class ChartExportTest : public QObject {
    Q_OBJECT
private slots:
    void numbersFollowTheirUnit_data();
    void numbersFollowTheirUnit();
    void exportHoldsEverySampleSinceTheLastClear_data();
    void exportHoldsEverySampleSinceTheLastClear();
    void exportTakesTheRecordsTheChartReceived();
    void picturesHaveTheChartsSize_data();
    void picturesHaveTheChartsSize();
    void failedWriteIsReportedAndLeavesNoFile();
    void cancelledChoiceWritesNothing();
};

void ChartExportTest::numbersFollowTheirUnit_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("cell");
    QTest::newRow("seconds") << 12.34567 << "s"
                             << "12.346";
    QTest::newRow("volts") << 24.0146484375 << "V"
                           << "24.015";
    QTest::newRow("degrees") << 25.0 << QStringLiteral("°C") << "25.000";
    QTest::newRow("amperes") << 2.197265625 << "A"
                             << "2.197";
    QTest::newRow("steps") << -20000.0 << "steps"
                           << "-20000";
    QTest::newRow("speed") << 1234.0 << "steps/s"
                           << "1234";
    QTest::newRow("tiny negative") << -0.0001 << "A"
                                   << "0.000";
    QTest::newRow("not a number") << qQNaN() << "V"
                                  << "";
}

void ChartExportTest::numbersFollowTheirUnit()
{
    QFETCH(double, value);
    QFETCH(QString, unit);
    QTEST(csv::number(value, unit), "cell");
}

void ChartExportTest::exportHoldsEverySampleSinceTheLastClear_data()
{
    QTest::addColumn<QString>("chart");
    QTest::addColumn<Samples>("before");
    QTest::addColumn<bool>("clear");
    QTest::addColumn<Samples>("after");
    QTest::addColumn<QString>("csv");
    const QString tempHeader =
        QStringLiteral("Elapsed / s,Temperature / °C,Current / A,Voltage / V\n");
    const QString posHeader = QStringLiteral(
        "Elapsed / s,Required position / steps,Actual position / steps,Speed / steps/s\n");
    QTest::newRow("empty chart") << "TempPlot" << Samples() << false << Samples() << tempHeader;
    QTest::newRow("one sample") << "TempPlot" << Samples() << false
                                << Samples{{0.25, 31.5, 2.197265625, 24.0146484375}}
                                << tempHeader + "0.250,31.500,2.197,24.015\n";
    QTest::newRow("after a clear")
        << "TempPlot" << Samples{{1.0, 30, 1, 24}, {1.01, 30, 1, 24}} << true
        << Samples{{0.005, 40.0, 0.0, 23.9}} << tempHeader + "0.005,40.000,0.000,23.900\n";
    QTest::newRow("cleared, nothing since")
        << "TempPlot" << Samples{{1.0, 30, 1, 24}} << true << Samples() << tempHeader;
    QTest::newRow("position chart")
        << "PositionPlot" << Samples() << false
        << Samples{{3.5, 20000, 1250, 5000}, {3.51, 20000, 1300, -5000}}
        << posHeader + "3.500,20000,1250,5000\n3.510,20000,1300,-5000\n";
}

void ChartExportTest::exportHoldsEverySampleSinceTheLastClear()
{
    QFETCH(QString, chart);
    QFETCH(Samples, before);
    QFETCH(bool, clear);
    QFETCH(Samples, after);
    WindowFixture f;
    auto* plot = f.find<QCustomPlot>(qPrintable(chart));
    const auto add = [plot](const Samples& samples) {
        for (const QVector<double>& s : samples)
            charts::StripChart::of(plot)->append(s[0], {s[1], s[2], s[3]});
    };
    add(before);
    if (clear)
        f.find<QPushButton>(chart == QLatin1String("TempPlot") ? "btnClearTempLog"
                                                               : "btnClearPosGraph")
            ->click();
    add(after);

    const QString file = f.path(QStringLiteral("chart.csv"));
    f.answerer.queueFileName(file);
    action(plot, QStringLiteral("Export data..."))->trigger();
    QTEST(readAll(file), "csv");
    QCOMPARE(f.answerer.shown().size(), 1);
    QCOMPARE(f.answerer.shown().first().kind, dialogs::Kind::SaveFile);
    QCOMPARE(f.lines().last(), QStringLiteral("Chart data saved to: ") + file);
}

void ChartExportTest::exportTakesTheRecordsTheChartReceived()
{
    WindowFixture f;
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    f.find<QPushButton>("btnClearTempLog")->click();
    f.time.advance(1500);
    f.feed(board, support::poweredRecord(), 4);

    // A name without a suffix gets ".csv".
    f.answerer.queueFileName(f.path(QStringLiteral("log")));
    action(f.find<QCustomPlot>("TempPlot"), QStringLiteral("Export data..."))->trigger();
    const QStringList lines = readAll(f.path(QStringLiteral("log.csv"))).split('\n');
    QCOMPARE(lines.size(), 6); // header, four records, the last line end
    QCOMPARE(lines.last(), QString());
    const QStringList last = lines[4].split(',');
    QCOMPARE(last.size(), 4);
    QCOMPARE(last[0], QStringLiteral("1.500")); // seconds since the clear
    QCOMPARE(last[3], csv::number(Torvel.rt.FilteredVoltage, QStringLiteral("V")));
}

void ChartExportTest::picturesHaveTheChartsSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::newRow("png") << "chart.png"
                         << "chart.png";
    QTest::newRow("pdf") << "chart.PDF"
                         << "chart.PDF";
    QTest::newRow("no suffix") << "chart"
                               << "chart.png";
}

void ChartExportTest::picturesHaveTheChartsSize()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    WindowFixture f;
    auto* plot = f.find<QCustomPlot>("PositionPlot");
    plot->resize(640, 360);
    f.answerer.queueFileName(f.path(name));
    action(plot, QStringLiteral("Save picture..."))->trigger();
    const QString file = f.path(written);
    QVERIFY(QFile::exists(file));
    if (written.endsWith(QLatin1String(".png"))) {
        QCOMPARE(QImage(file).size(), QSize(640, 360));
    } else {
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        const QString pdf = QString::fromLatin1(bytes.constData(), bytes.size());
        QVERIFY(pdf.startsWith(QLatin1String("%PDF")));
        const QRegularExpressionMatch box =
            QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"))
                .match(pdf);
        QVERIFY(box.hasMatch());
        QCOMPARE(qRound(box.captured(1).toDouble()), 640);
        QCOMPARE(qRound(box.captured(2).toDouble()), 360);
    }
    QCOMPARE(f.lines().last(), QStringLiteral("Chart picture saved to: ") + file);
}

void ChartExportTest::failedWriteIsReportedAndLeavesNoFile()
{
    WindowFixture f;
    auto* plot = f.find<QCustomPlot>("TempPlot");
    charts::StripChart::of(plot)->append(1.0, {25.0, 1.0, 24.0});
    // A missing folder fails at once; a name taken by a folder only when the
    // finished file would replace it.
    QDir(f.path(QString())).mkdir(QStringLiteral("taken.png"));
    const QString missing = f.path(QStringLiteral("no/such/dir/chart.csv"));
    const QString denied = f.path(QStringLiteral("taken.png"));
    f.answerer.queueFileName(missing);
    action(plot, QStringLiteral("Export data..."))->trigger();
    f.answerer.queueFileName(denied);
    action(plot, QStringLiteral("Save picture..."))->trigger();

    QVERIFY(!QFile::exists(missing));
    QVERIFY(QFileInfo(denied).isDir());
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files),
             QStringList{QStringLiteral("log.txt")});
    const QList<dialogs::Shown> shown = f.answerer.shown();
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown[1].kind, dialogs::Kind::Warning);
    QCOMPARE(shown[1].title, QStringLiteral("Cannot save chart data"));
    QVERIFY(shown[1].text.contains(missing));
    QCOMPARE(shown[3].kind, dialogs::Kind::Warning);
    QVERIFY(f.lines().last().startsWith(QStringLiteral("Cannot save chart picture to ") + denied));
    QFile::setPermissions(f.path(QStringLiteral("locked")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void ChartExportTest::cancelledChoiceWritesNothing()
{
    WindowFixture f;
    f.clearLog();
    action(f.find<QCustomPlot>("TempPlot"), QStringLiteral("Export data..."))->trigger();
    action(f.find<QCustomPlot>("TempPlot"), QStringLiteral("Save picture..."))->trigger();
    QCOMPARE(f.answerer.shown().size(), 2);
    QVERIFY(f.lines().isEmpty());
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files),
             QStringList{QStringLiteral("log.txt")});
}

QTEST_MAIN(ChartExportTest)
#include "test_chart_export.moc"
