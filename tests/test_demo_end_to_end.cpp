// The demo program as a whole process under a virtual X server, on the demo's
// virtual clock: connect, update the firmware from 0x0102, write, save and
// load settings, run a step rate, a trajectory and PWM, unplug and replug,
// quit, each step once the one before is seen in the log. Checked on log.txt
// and on the reports the simulated board received.
#include "device/protocol.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace protocol;

namespace {
struct Received {
    qint64 atMs = 0;
    QByteArray bytes;
    int code() const { return static_cast<std::uint8_t>(bytes.at(outbound::kCommand)); }
    int at(int i) const { return static_cast<std::uint8_t>(bytes.at(i)); }
    qint32 le32(int i) const
    {
        return static_cast<qint32>(at(i) | (at(i + 1) << 8) | (at(i + 2) << 16) |
                                   (std::uint32_t(at(i + 3)) << 24));
    }
};

QStringList logMessages(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!line.isEmpty())
            lines.append(line.mid(21));
    return lines;
}

QList<Received> readRecord(const QString& path)
{
    QFile file(path);
    QList<Received> reports;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return reports;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() == 2)
            reports.append({fields[0].toLongLong(), QByteArray::fromHex(fields[1])});
    }
    return reports;
}

// The demo under xvfb-run, on its virtual clock, in a working directory.
void startDemo(QProcess& demo, const QString& directory, const QStringList& arguments)
{
    demo.setWorkingDirectory(directory);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // a real X server this time
    env.insert(QStringLiteral("TORVEL_DEMO_VIRTUAL_TIME"), QStringLiteral("1"));
    demo.setProcessEnvironment(env);
    demo.start(QStandardPaths::findExecutable(QStringLiteral("xvfb-run")),
               QStringList{QStringLiteral("-a"), QStringLiteral(TORVEL_DEMO_PATH)} + arguments);
}

QList<Received> withCode(const QList<Received>& reports, int code)
{
    QList<Received> result;
    for (const Received& r : reports)
        if (r.code() == code)
            result.append(r);
    return result;
}
} // namespace

class DemoEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void wholeSessionWithASimulatedBoard();
    void screenshotShowsTheTabAskedFor_data();
    void screenshotShowsTheTabAskedFor();
};

void DemoEndToEndTest::wholeSessionWithASimulatedBoard()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    QVERIFY2(!xvfb.isEmpty(), "xvfb-run is installed by scripts/setup");
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("axis1.tvs"));
    const QString record = dir.filePath(QStringLiteral("record.txt"));

    QProcess demo;
    startDemo(demo, dir.path(),
              {QStringLiteral("--answer"), QStringLiteral("ok"), QStringLiteral("--firmware"),
               QStringLiteral("0102"), QStringLiteral("--write-values"),
               QStringLiteral("--save-settings"), settings, QStringLiteral("--load-settings"),
               settings, QStringLiteral("--step-rate"), QStringLiteral("3000"),
               QStringLiteral("--trajectory"), QStringLiteral("20000"), QStringLiteral("--pwm"),
               QStringLiteral("40,-25"), QStringLiteral("--replug-when-done"),
               QStringLiteral("--record"), record});
    QVERIFY(demo.waitForStarted());
    QVERIFY2(demo.waitForFinished(90000), demo.readAllStandardError().constData());
    QCOMPARE(demo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(demo.exitCode(), 0);

    const QStringList log = logMessages(dir.filePath(QStringLiteral("log.txt")));
    const auto indexOf = [&log](const QString& line, int from = 0) {
        return log.indexOf(line, from);
    };
    QCOMPARE(log.first(), QStringLiteral("Application started: TorvelM4 0.57"));
    // Firmware: the restart question, then the update without a second question.
    const int question = indexOf(QStringLiteral(
        "Device firmware mismatch detected. Device FW version: 0x0102, update version: 0x0103. "
        "Click OK to restart device and update FW."));
    QVERIFY(question >= 0);
    const int allGood = indexOf(QStringLiteral("All CRCs OK."), question);
    QVERIFY(allGood > question);
    QCOMPARE(log.filter(QStringLiteral("Device firmware mismatch detected.")).size(), 1);
    // Then the user's actions, in order, after the updated board is back, each
    // announced once the one before had its effect; then unplug and replug.
    const QStringList steps = {
        QStringLiteral("Demo: pressing \"Write values to driver\"."),
        QStringLiteral("Saving Torvel driver values..."),
        QStringLiteral("Demo: saving the settings to ") + settings + QLatin1Char('.'),
        QStringLiteral("Settings saved to file: ") + settings,
        QStringLiteral("Demo: loading the settings from ") + settings + QLatin1Char('.'),
        QStringLiteral("Settings loaded from file: ") + settings,
        QStringLiteral("Demo: pressing Run to take the driver out of sleep."),
        QStringLiteral("Enabling driver (out of Sleep)."),
        QStringLiteral("Demo: turning the step speed dial to 3000 steps/s."),
        QStringLiteral("Demo: setting the final position to 20000 steps."),
        QStringLiteral("Demo: enabling DC motor control."),
        QStringLiteral("Enabling PWMs."),
        QStringLiteral("Stopping driver (Sleep)."),
        QStringLiteral("Demo: setting the PWM duties to 40 % and -25 %."),
        QStringLiteral("Demo: unplugging the board."),
        QStringLiteral("Torvel device disconnected!"),
        QStringLiteral("Demo: plugging the board in again."),
        QStringLiteral("RX timer started."),
        QStringLiteral("Enabling real-time data stream."),
        QStringLiteral("Demo: quitting."),
    };
    int at = allGood;
    for (const QString& line : steps) {
        const int next = indexOf(line, at);
        QVERIFY2(next > at, qPrintable(line));
        at = next;
    }
    QVERIFY(log.filter(QStringLiteral("did not follow")).isEmpty());
    QVERIFY(QFile::exists(settings));

    const QList<Received> reports = readRecord(record);
    QCOMPARE(withCode(reports, CMD_BL_ERASE).size(), 6);
    QCOMPARE(withCode(reports, CMD_BL_WRITE_BLOCK).size(), 768);
    QCOMPARE(withCode(reports, CMD_BL_WRITE_SIGNATURE).size(), 1);
    // The write button and the switch to DC motor control write the values.
    QCOMPARE(withCode(reports, CMD_WRITE_VALUES).size(), 2);
    QCOMPARE(withCode(reports, CMD_SET_NAME).size(), 1);
    const QList<Received> rates = withCode(reports, CMD_SET_STEP_FREQ);
    QCOMPARE(rates.size(), 1);
    QCOMPARE(rates.last().le32(21), 1599); // 3000 steps/s
    QCOMPARE(rates.last().at(25), 1);
    const QList<Received> moves = withCode(reports, CMD_WRITE_TRAJECTORY);
    QCOMPARE(moves.size(), 1);
    QCOMPARE(moves.last().le32(21), 20000);
    const QList<Received> pwm = withCode(reports, CMD_SET_PWM); // one per duty
    QCOMPARE(pwm.size(), 2);
    QCOMPARE(pwm.last().le32(21), 23); // 20 kHz
    QCOMPARE(pwm.last().bytes.mid(25, 4), QByteArray::fromHex("28000019"));
    // Identified in the old application, the bootloader, the new application
    // and after the replug, with the stream enabled by the last two.
    QCOMPARE(withCode(reports, CMD_GET_DEVICE_INFO).size(), 4);
    QCOMPARE(withCode(reports, CMD_RT_STREAM).size(), 2);
    QVERIFY(reports.last().atMs > withCode(reports, CMD_SET_PWM).last().atMs);
}

void DemoEndToEndTest::screenshotShowsTheTabAskedFor_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("picture written") << true;
    QTest::newRow("picture cannot be written") << false;
}

// The step-rate action works on another tab; the picture still shows the one
// asked for, and a picture that cannot be written fails the run.
void DemoEndToEndTest::screenshotShowsTheTabAskedFor()
{
    QFETCH(bool, writable);
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    QVERIFY2(!xvfb.isEmpty(), "xvfb-run is installed by scripts/setup");
    QTemporaryDir dir;
    const QString shot =
        dir.filePath(writable ? QStringLiteral("shot.png") : QStringLiteral("missing/shot.png"));
    QProcess demo;
    startDemo(demo, dir.path(),
              {QStringLiteral("--tab"), QStringLiteral("Log charts"), QStringLiteral("--step-rate"),
               QStringLiteral("3000"), QStringLiteral("--screenshot"), shot});
    QVERIFY(demo.waitForStarted());
    const bool finished = demo.waitForFinished(60000);
    const QString said =
        QString::fromUtf8(writable ? demo.readAllStandardOutput() : demo.readAllStandardError());
    QVERIFY2(finished, qPrintable(said));
    QCOMPARE(demo.exitCode(), writable ? 0 : 1);
    QVERIFY2(said.contains(QStringLiteral("tab \"Log charts\" to ") + shot), qPrintable(said));
    if (writable) {
        const QImage picture(shot);
        QVERIFY(picture.width() >= 900 && picture.height() >= 640);
    }
}

QTEST_GUILESS_MAIN(DemoEndToEndTest)
#include "test_demo_end_to_end.moc"
