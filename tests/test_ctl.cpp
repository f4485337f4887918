// torvelm4ctl-demo as whole processes against its simulated boards: what each
// command prints, its exit status and the reports the boards received; watch
// in its formats, ended by the duration or SIGINT; board choice and locking;
// the firmware update; help and log output.
#include "device/protocol.h"
#include "driver_values.h"
#include "settings/register_codec.h"
#include "settings/settings_ranges.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace protocol;

namespace {
struct Received {
    QString serial;
    QByteArray bytes;
    int code() const { return static_cast<std::uint8_t>(bytes.at(outbound::kCommand)); }
};

struct Run {
    int exit = -1;
    QString out;
    QString err;
    QList<Received> reports;
    QStringList states; // "state SERIAL firmware=... mode=... signature=... image=..."

    QList<Received> withCode(int code) const
    {
        QList<Received> found;
        for (const Received& r : reports)
            if (r.code() == code)
                found.append(r);
        return found;
    }
    QSet<int> codes() const
    {
        QSet<int> found;
        for (const Received& r : reports)
            found.insert(r.code());
        return found;
    }
};

void readRecord(const QString& path, Run& run)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.value(0) == QLatin1String("state"))
            run.states.append(line);
        else if (fields.size() == 3)
            run.reports.append({fields[0], QByteArray::fromHex(fields[2].toLatin1())});
    }
}

class Ctl {
public:
    // On the demo's virtual clock a run takes the wall time of its work only
    // and gives the same records every time; a run that a test interrupts at
    // a moment of its own takes wall time.
    enum class Time { Virtual, Wall };

    explicit Ctl(Time time = Time::Virtual)
    {
        m_process.setWorkingDirectory(m_dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TORVEL_DEMO_VIRTUAL_TIME"));
        if (time == Time::Virtual)
            env.insert(QStringLiteral("TORVEL_DEMO_VIRTUAL_TIME"), QStringLiteral("1"));
        m_process.setProcessEnvironment(env);
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QDir dir() const { return QDir(m_dir.path()); }

    void start(const QStringList& args)
    {
        m_record = path(QStringLiteral("record-%1.txt").arg(m_runs++));
        m_process.start(QStringLiteral(TORVEL_CTL_DEMO_PATH),
                        QStringList{QStringLiteral("--sim-record"), m_record} + args);
        m_process.waitForStarted();
    }

    Run finish(int timeoutMs = 60000)
    {
        Run run;
        if (!m_process.waitForFinished(timeoutMs))
            m_process.kill();
        m_process.waitForFinished();
        run.exit = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
        run.out = QString::fromUtf8(m_process.readAllStandardOutput());
        run.err = QString::fromUtf8(m_process.readAllStandardError());
        readRecord(m_record, run);
        return run;
    }

    Run run(const QStringList& args)
    {
        start(args);
        return finish();
    }

    QProcess& process() { return m_process; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_record;
    int m_runs = 0;
};

// What connecting reads from a board; a read-only command sends nothing else.
const QSet<int> kConnecting = {CMD_GET_DEVICE_INFO, CMD_GET_VALUES, CMD_GET_NAME, CMD_RT_STREAM};

// The write-values block of the simulated board's own values, and where it starts.
const QByteArray kBoardBlock("190687071d0031000005000faf0500000001557a033d03");
constexpr int kWriteBlockAt = writevalues::kBlock;

QStringList rows(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The header, then rows of eleven numbers in time order.
void checkCsvRows(const QStringList& lines, double maxElapsed)
{
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QStringLiteral("Time,Elapsed / s,Voltage / V,Temperature / °C,"
                                           "Current / A,Mode,Driver state,Faults,Inputs,"
                                           "Position / steps,Speed / steps/s"));
    double previous = -1.0;
    for (const QString& line : lines.mid(1)) {
        const QStringList cells = line.split(QLatin1Char(','));
        QCOMPARE(cells.size(), 11);
        QVERIFY2(QDateTime::fromString(cells[0], Qt::ISODateWithMs).isValid(), qPrintable(line));
        bool ok = false;
        const double elapsed = cells[1].toDouble(&ok);
        QVERIFY(ok && elapsed >= previous && elapsed <= maxElapsed);
        previous = elapsed;
        const double volts = cells[2].toDouble(&ok);
        QVERIFY(ok && volts > 20.0 && volts < 28.0);
        for (int i = 3; i < cells.size(); ++i) {
            cells[i].toDouble(&ok);
            QVERIFY2(ok, qPrintable(line));
        }
    }
}
} // namespace

class CtlTest : public QObject {
    Q_OBJECT
private slots:
    void commandsPrintAndSend_data();
    void commandsPrintAndSend();
    void wrongInputSendsNothing_data();
    void wrongInputSendsNothing();
    void watchCsvGivesARowPerRecord();
    void watchJsonlWritesOneObjectPerLineToTheFile();
    void interruptEndsWatchWithEverythingWritten();
    void statusJsonHoldsTheWholeRecord();
    void severalBoardsNeedASerial();
    void lockedBoardIsRefusedWithItsHolderNamed();
    void firmwareUpdate_data();
    void firmwareUpdate();
    void everyCommandHasHelp();
    void logGoesOnlyWhereAskedFor();
    void boardValuesGoBackUnchanged_data();
    void boardValuesGoBackUnchanged();
    void panelRangesAllowWholeStepsOnly_data();
    void panelRangesAllowWholeStepsOnly();
    void settingsFileRoundTripsAndDiffs();
    void unusableSettingsFileSendsNothing_data();
    void unusableSettingsFileSendsNothing();
};

void CtlTest::commandsPrintAndSend_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out"); // pattern
    QTest::addColumn<int>("code");    // last command the board must have received; -1 none
    QTest::addColumn<int>("at");      // where the expected bytes start
    QTest::addColumn<QByteArray>("bytes");

    const auto row = [](const char* name, const QStringList& args, int exit, const char* out,
                        int code = -1, int at = 0, const char* hex = "") {
        QTest::newRow(name) << args << exit << QString::fromUtf8(out) << code << at
                            << QByteArray::fromHex(hex);
    };
    row("status", {"status"}, 0, "^Voltage: +2\\d\\.\\d{3} V\\n(.|\\n)*Speed: +0 steps/s\\n$");
    row("name", {"name"}, 0, "^Bench axis\\n$");
    row("firmware info", {"firmware", "info"}, 0, "Firmware: +0x0103\\n(.|\\n)*Update needed: +no");
    row("step rate", {"step-rate", "3000"}, 0, "^3000\\n$", CMD_SET_STEP_FREQ, 21, "3f06000001");
    row("negative step rate", {"step-rate", "-1000"}, 0, "^-1000\\n$", CMD_SET_STEP_FREQ, 21,
        "bf12000000");
    row("move",
        {"move", "-20000", "--max-speed", "5000", "--acc=1000", "--dec", "1500", "--end-switch",
         "no"},
        0, "^$", CMD_WRITE_TRAJECTORY, 21, "e0b1ffff88130000e8030000dc05000001");
    row("move with the window's defaults", {"move", "20000"}, 0, "^$", CMD_WRITE_TRAJECTORY, 21,
        "204e000010270000d0070000d007000003");
    row("move and wait", {"--sim-awake", "move", "3000", "--max-speed", "30000", "--wait"}, 0,
        "^3000\\n$", CMD_WRITE_TRAJECTORY, 21, "b80b0000");
    row("run", {"run"}, 0, "^Driver ", CMD_SET_ENABLE, 21, "01");
    row("sleep", {"--sim-awake", "sleep"}, 0, "^Driver Disabled \\(Sleep\\)\\n$", CMD_SET_ENABLE,
        21, "00");
    row("reset faults", {"reset-faults"}, 0, "^No faults\\n$", CMD_RESET_FAULTS);
    row("zero", {"--sim-awake", "zero"}, 0, "^$", CMD_SET_HOME);
    row("restart", {"restart"}, 0, "^$", CMD_RESTART);
    row("new name", {"name", "Axis 7"}, 0, "^Axis 7\\n$", CMD_SET_NAME, 3, "417869732037000000");
    row("pwm", {"--sim-dc-mode", "pwm", "40", "-25", "--freq", "7000"}, 0,
        "^PWM A: 40 %, PWM B: -25 %, frequency 7000 Hz \\(actual 7058 Hz\\)\\n$", CMD_SET_PWM, 21,
        "4300000028000019");
    // The board's own values go back with only the DC-motor bit set.
    row("dc mode on", {"dc-mode", "on"}, 0, "^DC motor mode on\\n$", CMD_WRITE_VALUES, 21,
        "190687071d0131000005000faf0500000003557a033d03");
    row("dc mode already off", {"dc-mode", "off"}, 0, "^DC motor mode off\\n$");
    row("pwm on a stepper", {"pwm", "40", "-25"}, 1, "^$");
    row("move that cannot start", {"move", "2000", "--wait"}, 1, "^$", CMD_WRITE_TRAJECTORY, 21,
        "d0070000");
    row("settings get", {"settings", "get"}, 0,
        "^\\[DriverSettings\\]\\nStepMode=3\\nFullScaleCurrent=2\\.2\\n(.|\\n)*"
        "\\nDriverName=Bench axis\\n$");
    row("settings set",
        {"settings", "set", "StepMode=8", "FullScaleCurrent=3.1", "IdleCurrent=0.6",
         "TemperatureLimit=120", "ReducedCurrent=0", "PredriverSpeed=3", "DecayMode=0",
         "BlankingTime=2.56", "AdaptiveBlanking=1", "MixedDecayTime=3.5", "FixedOffTime=20"},
        0,
        "^StepMode\\t3\\t8\\nFullScaleCurrent\\t2\\.2\\t3\\.1\\n(.|\\n)*\\nFixedOffTime\\t15\\."
        "0\\t20\\.0\\n$",
        CMD_WRITE_VALUES, kWriteBlockAt, "410ebe0727007f010600000fff00000000017849030003");
    // The DC-motor bit is the board's, not the command line's.
    row("settings set in dc mode", {"--sim-dc-mode", "settings", "set", "StepMode=2"}, 0,
        "^StepMode\\t3\\t2\\n$", CMD_WRITE_VALUES, kWriteBlockAt,
        "110687071d0131000005000faf0500000003557a033d03");
    row("settings set name", {"settings", "set", "DriverName=Axis 1"}, 0,
        "^DriverName\\tBench axis\\tAxis 1\\n$", CMD_SET_NAME, setname::kFirst, "417869732031000000");
    row("settings set above the board's fixed off time", {"settings", "set", "MixedDecayTime=20"},
        2, "^$");
}

void CtlTest::commandsPrintAndSend()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(int, at);
    QFETCH(QByteArray, bytes);
    Ctl ctl;
    const Run run = ctl.run(args);
    QTEST(run.exit, "exit");
    QFETCH(QString, out);
    QVERIFY2(QRegularExpression(out).match(run.out).hasMatch(), qPrintable(run.out + run.err));
    if (code < 0) {
        // Nothing beyond what connecting reads: no command reached the board.
        QVERIFY2((run.codes() - kConnecting).isEmpty(), qPrintable(run.err));
        return;
    }
    const QList<Received> sent = run.withCode(code);
    QVERIFY2(!sent.isEmpty(), qPrintable(run.err));
    QCOMPARE(sent.last().bytes.mid(at, bytes.size()).toHex(), bytes.toHex());
}

void CtlTest::wrongInputSendsNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList() << "no command given";
    QTest::newRow("unknown command") << QStringList{"jump"} << "unknown command 'jump'";
    QTest::newRow("unknown option") << QStringList{"status", "--bogus"} << "unknown option --bogus";
    QTest::newRow("missing value")
        << QStringList{"watch", "--duration"} << "--duration needs a value";
    QTest::newRow("group alone") << QStringList{"firmware"} << "'firmware' needs a command";
    QTest::newRow("step rate too fast")
        << QStringList{"step-rate", "300000"} << "from -250000 to 250000, not '300000'";
    QTest::newRow("step rate not a number") << QStringList{"step-rate", "fast"} << "not 'fast'";
    QTest::newRow("position too far") << QStringList{"move", "100000001"} << "the position";
    QTest::newRow("speed too high")
        << QStringList{"move", "10", "--max-speed", "60001"} << "--max-speed";
    QTest::newRow("missing position") << QStringList{"move"} << "missing argument for 'move'";
    QTest::newRow("duty too high") << QStringList{"--sim-dc-mode", "pwm", "101", "0"} << "duty A";
    QTest::newRow("frequency too low")
        << QStringList{"--sim-dc-mode", "pwm", "10", "10", "--freq", "9"} << "--freq";
    QTest::newRow("dc mode maybe") << QStringList{"dc-mode", "maybe"} << "on or off";
    QTest::newRow("name too long")
        << QStringList{"name", QString(33, QLatin1Char('x'))} << "at most 32";
    QTest::newRow("name with a control character") << QStringList{"name", "a\tb"} << "control";
    QTest::newRow("name outside latin-1")
        << QStringList{"name", QStringLiteral("Motor Ω")} << "Latin-1";
    QTest::newRow("zero duration") << QStringList{"watch", "--duration", "0"} << "--duration";
    QTest::newRow("two formats") << QStringList{"watch", "--csv", "--jsonl"} << "one of";
    QTest::newRow("extra argument") << QStringList{"status", "now"} << "unexpected argument 'now'";
    QTest::newRow("step mode out of range")
        << QStringList{"settings", "set", "StepMode=99"} << "StepMode must be from 0 to 8, not 99";
    QTest::newRow("current between two steps")
        << QStringList{"settings", "set", "FullScaleCurrent=2.25"}
        << "FullScaleCurrent goes in steps of 0.1 A: 2.25 lies between 2.2 and 2.3";
    QTest::newRow("blanking time between two steps")
        << QStringList{"settings", "set", "BlankingTime=0.59"} << "between 0.58 and 0.60";
    QTest::newRow("mixed decay above fixed off")
        << QStringList{"settings", "set", "FixedOffTime=10", "MixedDecayTime=10.5"}
        << "MixedDecayTime (10.5 us) must not be above FixedOffTime (10.0 us)";
    QTest::newRow("unknown key") << QStringList{"settings", "set", "DCMotorMode=1"}
                                 << "unknown key 'DCMotorMode'";
    QTest::newRow("whole number with decimals")
        << QStringList{"settings", "set", "StepMode=3.0"} << "StepMode must be a whole number";
    QTest::newRow("current not a number")
        << QStringList{"settings", "set", "IdleCurrent=nan"} << "IdleCurrent must be a number";
    QTest::newRow("key given twice")
        << QStringList{"settings", "set", "StepMode=1", "StepMode=2"} << "StepMode is given twice";
    QTest::newRow("file and values")
        << QStringList{"settings", "set", "axis.tvs", "StepMode=1"} << "not 'axis.tvs'";
    QTest::newRow("board name outside latin-1")
        << QStringList{"settings", "set", QStringLiteral("DriverName=Motor Ω")} << "Latin-1";
}

void CtlTest::wrongInputSendsNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    Ctl ctl;
    const Run run = ctl.run(args);
    QCOMPARE(run.exit, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.reports.isEmpty());
}

void CtlTest::watchCsvGivesARowPerRecord()
{
    Ctl ctl;
    const Run run = ctl.run({QStringLiteral("watch"), QStringLiteral("--csv"),
                             QStringLiteral("--duration"), QStringLiteral("2")});
    QCOMPARE(run.exit, 0);
    // One report is read each 10 ms: 199 ticks within the 2 s (the one due
    // at its end comes too late), the first four taking the values and name
    // replies of the connection, then a record each.
    const QStringList lines = rows(run.out);
    checkCsvRows(lines, 1.99);
    QCOMPARE(lines.size() - 1, 195);
    QCOMPARE(lines.at(1).section(QLatin1Char(','), 1, 1), QStringLiteral("0.050"));
    QCOMPARE(lines.last().section(QLatin1Char(','), 1, 1), QStringLiteral("1.990"));
}

void CtlTest::watchJsonlWritesOneObjectPerLineToTheFile()
{
    Ctl ctl;
    const QString file = ctl.path(QStringLiteral("live.jsonl"));
    const Run run = ctl.run({QStringLiteral("--sim-awake"), QStringLiteral("watch"),
                             QStringLiteral("--jsonl"), QStringLiteral("--duration"),
                             QStringLiteral("1"), QStringLiteral("--output"), file});
    QCOMPARE(run.exit, 0);
    QVERIFY(run.out.isEmpty());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QStringList lines = rows(QString::fromUtf8(written.readAll()));
    QCOMPARE(lines.size(), 99 - 4); // as for the CSV rows, in 1 s
    for (const QString& line : lines) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        QVERIFY2(error.error == QJsonParseError::NoError && document.isObject(), qPrintable(line));
        const QJsonObject record = document.object();
        QVERIFY(
            QDateTime::fromString(record.value("time").toString(), Qt::ISODateWithMs).isValid());
        QVERIFY(record.value("elapsed").toDouble() <= 0.99);
        QVERIFY(record.value("inputs").toObject().value("enable").toBool());
    }
}

void CtlTest::interruptEndsWatchWithEverythingWritten()
{
    Ctl ctl(Ctl::Time::Wall);
    ctl.start({QStringLiteral("watch"), QStringLiteral("--csv")});
    QByteArray seen;
    QVERIFY(QTest::qWaitFor(
        [&] {
            ctl.process().waitForReadyRead(100);
            seen += ctl.process().readAllStandardOutput();
            return seen.count('\n') > 30;
        },
        10000));
    ::kill(pid_t(ctl.process().processId()), SIGINT);
    const Run run = ctl.finish(10000);
    QCOMPARE(run.exit, 0);
    const QString all = QString::fromUtf8(seen) + run.out;
    QVERIFY(all.endsWith(QLatin1Char('\n')));
    // As many rows as came before the signal, which the test sends at a
    // moment of its own: more than it saw, fewer than ten seconds' worth.
    const QStringList lines = rows(all);
    checkCsvRows(lines, 100.0);
    QVERIFY2(lines.size() - 1 >= 30 && lines.size() - 1 <= 1000,
             qPrintable(QString::number(lines.size() - 1)));
}

void CtlTest::statusJsonHoldsTheWholeRecord()
{
    Ctl ctl;
    const Run run = ctl.run(
        {QStringLiteral("--sim-awake"), QStringLiteral("status"), QStringLiteral("--json")});
    QCOMPARE(run.exit, 0);
    QJsonParseError error;
    const QJsonObject status = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    for (const char* key : {"voltage", "temperature", "current", "motor_power", "mode", "mode_text",
                            "driver_state", "driver_state_text", "faults", "fault_messages",
                            "inputs", "position", "speed", "serial", "time"})
        QVERIFY2(status.contains(QLatin1String(key)), key);
    QVERIFY(status.value("voltage").toDouble() > 20.0);
    QCOMPARE(status.value("serial").toString(), QStringLiteral("TM4-000001"));
    QCOMPARE(status.value("mode").toInt(), 1);
    QCOMPARE(status.value("mode_text").toString(), QStringLiteral("Default (ext Step/Dir)"));
    QVERIFY(status.value("inputs").toObject().value("enable").toBool());
    QVERIFY(status.value("current").toDouble() > 0.0);
    QVERIFY((run.codes() - kConnecting).isEmpty());
}

void CtlTest::severalBoardsNeedASerial()
{
    Ctl ctl;
    const Run ambiguous =
        ctl.run({QStringLiteral("--sim-boards"), QStringLiteral("2"), QStringLiteral("status")});
    QCOMPARE(ambiguous.exit, 2);
    QVERIFY(ambiguous.err.contains(QStringLiteral("2 boards found; choose one with --serial")));
    QVERIFY(ambiguous.err.contains(QStringLiteral("TM4-000001")));
    QVERIFY(ambiguous.err.contains(QStringLiteral("TM4-000002")));
    QVERIFY(ambiguous.reports.isEmpty());

    const Run chosen =
        ctl.run({QStringLiteral("--sim-boards"), QStringLiteral("2"), QStringLiteral("step-rate"),
                 QStringLiteral("100"), QStringLiteral("--serial"), QStringLiteral("TM4-000002")});
    QCOMPARE(chosen.exit, 0);
    QVERIFY(!chosen.reports.isEmpty());
    for (const Received& r : chosen.reports)
        QCOMPARE(r.serial, QStringLiteral("TM4-000002"));

    const Run absent = ctl.run(
        {QStringLiteral("--serial"), QStringLiteral("TM4-999999"), QStringLiteral("status")});
    QCOMPARE(absent.exit, 1);
    QVERIFY(absent.err.contains(QStringLiteral("no TorvelM4 board with serial TM4-999999")));
}

void CtlTest::lockedBoardIsRefusedWithItsHolderNamed()
{
    Ctl holder(Ctl::Time::Wall); // watches until told to stop
    holder.start({QStringLiteral("watch")});
    QVERIFY(holder.process().waitForReadyRead(10000));
    Ctl second;
    const Run refused = second.run({QStringLiteral("run")});
    QCOMPARE(refused.exit, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("board TM4-000001 is in use by torvelm4ctl-demo "
                                                 "(pid %1)")
                                      .arg(holder.process().processId())),
             qPrintable(refused.err));
    QVERIFY(refused.reports.isEmpty());
    holder.process().terminate();
    QCOMPARE(holder.finish(10000).exit, 0);

    const Run afterwards = second.run({QStringLiteral("run")});
    QCOMPARE(afterwards.exit, 0);
}

void CtlTest::firmwareUpdate_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QString>("state");
    QTest::newRow("older firmware")
        << QStringList{"--sim-firmware", "0102", "firmware", "update", "--yes"} << 0 << 768
        << "state TM4-000001 firmware=0103 mode=application signature=valid image=carried";
    QTest::newRow("damaged firmware in the bootloader")
        << QStringList{"--sim-bootloader", "--sim-bad-signature", "firmware", "update", "--yes"}
        << 0 << 768
        << "state TM4-000001 firmware=0103 mode=application signature=valid image=carried";
    QTest::newRow("current firmware") << QStringList{"firmware", "update", "--yes"} << 0 << 0
                                      << "state TM4-000001 firmware=0103 mode=application "
                                         "signature=valid image=other";
    QTest::newRow("no --yes and no terminal")
        << QStringList{"--sim-firmware", "0102", "firmware", "update"} << 2 << 0
        << "state TM4-000001 firmware=0102 mode=application signature=valid image=other";
}

void CtlTest::firmwareUpdate()
{
    QFETCH(QStringList, args);
    QFETCH(int, blocks);
    Ctl ctl;
    ctl.process().setStandardInputFile(QProcess::nullDevice());
    const Run run = ctl.run(args);
    QTEST(run.exit, "exit");
    QCOMPARE(run.withCode(CMD_BL_WRITE_BLOCK).size(), blocks);
    QTEST(run.states.value(0), "state");
    if (blocks == 0) {
        QVERIFY(run.withCode(CMD_BL_ERASE).isEmpty());
        QVERIFY(run.withCode(CMD_RESTART).isEmpty());
        return;
    }
    QCOMPARE(run.withCode(CMD_BL_ERASE).size(), 6);
    QCOMPARE(run.withCode(CMD_BL_READ_CRC).size(), 6);
    QCOMPARE(run.withCode(CMD_BL_WRITE_SIGNATURE).size(), 1);
    QCOMPARE(run.out,
             QStringLiteral("Firmware updated to 0x0103; 6 of 6 sector checksums good.\n"));
}

void CtlTest::everyCommandHasHelp()
{
    Ctl ctl;
    const Run general = ctl.run({QStringLiteral("--help")});
    QCOMPARE(general.exit, 0);
    const QString commands =
        general.out.section(QStringLiteral("Commands:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    QStringList names;
    for (const QString& line : commands.split(QLatin1Char('\n')))
        names.append(line.left(28).trimmed());
    QCOMPARE(names.size(), 19);
    for (const QString& name : names) {
        const Run help = ctl.run(name.split(QLatin1Char(' ')) + QStringList{QStringLiteral("-h")});
        QCOMPARE(help.exit, 0);
        QVERIFY2(help.out.startsWith(QStringLiteral("Usage:\n  torvelm4ctl-demo ") + name),
                 qPrintable(help.out));
        QVERIFY(help.out.contains(QStringLiteral("--serial SN")));
        QVERIFY(help.reports.isEmpty());
    }
    const Run group = ctl.run({QStringLiteral("firmware"), QStringLiteral("--help")});
    QCOMPARE(group.exit, 0);
    QVERIFY(group.out.contains(QStringLiteral("firmware update [--yes]")));
}

void CtlTest::logGoesOnlyWhereAskedFor()
{
    Ctl ctl;
    const Run quiet = ctl.run({QStringLiteral("status")});
    QCOMPARE(quiet.exit, 0);
    QVERIFY(quiet.err.isEmpty());
    QVERIFY(ctl.dir().entryList({QStringLiteral("*.txt")}, QDir::Files).filter("log").isEmpty());

    const QString file = ctl.path(QStringLiteral("ctl.log"));
    const Run logged =
        ctl.run({QStringLiteral("-v"), QStringLiteral("--log"), file, QStringLiteral("status")});
    QCOMPARE(logged.exit, 0);
    const QRegularExpression stamped(
        QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d\\. \\d\\d:\\d\\d:\\d\\d Getting Torvel device "
                       "info\\.\\.\\.$"),
        QRegularExpression::MultilineOption);
    QVERIFY(stamped.match(logged.err).hasMatch());
    QFile log(file);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(stamped.match(QString::fromUtf8(log.readAll())).hasMatch());
}

void CtlTest::boardValuesGoBackUnchanged_data()
{
    QTest::addColumn<std::uint32_t>("idleWord");
    QTest::addColumn<bool>("reproduced");
    // Torque byte and gain code of the idle current, as a board may hold them.
    QTest::newRow("1.0 A, as the window writes it") << std::uint32_t(0x37A) << true;
    QTest::newRow("0.6 A: decoded a hair short of torque 73") << std::uint32_t(0x349) << true;
    QTest::newRow("1.04 A at gain 5, written by another tool") << std::uint32_t(0x010) << false;
}

void CtlTest::boardValuesGoBackUnchanged()
{
    QFETCH(std::uint32_t, idleWord);
    DrvSettings start;
    start.StepMode = 3;
    start.FullScaleCurrent = 2.2;
    start.IdleCurrent = 1.0;
    start.ReducedCurrent = 0.5;
    start.TemperatureLimit = 85;
    start.PredriverSpeed = 1;
    start.DecayMode = 5;
    start.TBlank = 49;
    start.TOff = 29;
    start.DTime = 1;
    start.TDrive = 2;
    start.IDrive = 1;
    DriverRegisters board = codec::encode(start);
    board.IdleWord = idleWord;
    board.Word7 = 0x1234; // not interpreted, sent as 0

    // As the board's values reply leaves the record: the predriver codes untouched.
    DrvSettings decoded;
    codec::decode(board, decoded);
    const DrvSettings before = decoded;
    const bool reproduced = ctl::reproduceBoardValues(decoded, board);
    QTEST(reproduced, "reproduced");
    if (!reproduced) {
        QCOMPARE(codec::valueString(decoded), codec::valueString(before));
        return;
    }
    DriverRegisters written = codec::encode(decoded);
    written.Word7 = board.Word7;
    QVERIFY(written == board);
}

void CtlTest::panelRangesAllowWholeStepsOnly_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("last step mode") << "StepMode" << 8.0 << true;
    QTest::newRow("step mode past the list") << "StepMode" << 9.0 << false;
    QTest::newRow("no current") << "FullScaleCurrent" << 0.0 << true;
    QTest::newRow("largest current") << "IdleCurrent" << 6.0 << true;
    QTest::newRow("current past the largest") << "ReducedCurrent" << 6.1 << false;
    QTest::newRow("negative current") << "ReducedCurrent" << -0.1 << false;
    QTest::newRow("current as typed") << "FullScaleCurrent" << 2.2 << true;
    QTest::newRow("current as computed") << "FullScaleCurrent" << 0.1 * 3 << true;
    QTest::newRow("current between steps") << "FullScaleCurrent" << 2.25 << false;
    QTest::newRow("current a hair off its step") << "FullScaleCurrent" << 2.2001 << false;
    QTest::newRow("shortest blanking") << "BlankingTime" << 0.02 << true;
    QTest::newRow("no blanking") << "BlankingTime" << 0.0 << false;
    QTest::newRow("blanking that divides just short") << "BlankingTime" << 0.58 << true;
    QTest::newRow("longest blanking") << "BlankingTime" << 5.12 << true;
    QTest::newRow("blanking past the longest") << "BlankingTime" << 5.14 << false;
    QTest::newRow("shortest off time") << "FixedOffTime" << 0.5 << true;
    QTest::newRow("longest mixed decay") << "MixedDecayTime" << 128.0 << true;
    QTest::newRow("mixed decay past the longest") << "MixedDecayTime" << 128.5 << false;
    QTest::newRow("off time between steps") << "FixedOffTime" << 0.75 << false;
    QTest::newRow("hottest limit") << "TemperatureLimit" << 120.0 << true;
    QTest::newRow("limit past the hottest") << "TemperatureLimit" << 121.0 << false;
    QTest::newRow("huge") << "FixedOffTime" << 1e300 << false;
    QTest::newRow("not a number") << "IdleCurrent" << std::nan("") << false;
}

void CtlTest::panelRangesAllowWholeStepsOnly()
{
    QFETCH(QString, key);
    QFETCH(double, value);
    const settingsrange::Range* range = settingsrange::find(key);
    QVERIFY(range);
    const QString problem = settingsrange::check(*range, value);
    QTEST(problem.isEmpty(), "allowed");
    QVERIFY(problem.isEmpty() || problem.startsWith(key));
}

void CtlTest::settingsFileRoundTripsAndDiffs()
{
    Ctl ctl;
    const QString file = ctl.path(QStringLiteral("axis.tvs"));
    const Run got = ctl.run(
        {QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("--output"), file});
    QCOMPARE(got.exit, 0);
    QVERIFY((got.codes() - kConnecting).isEmpty());
    const Run same = ctl.run({QStringLiteral("settings"), QStringLiteral("diff"), file});
    QCOMPARE(same.exit, 0);
    QVERIFY(same.out.isEmpty());

    const auto written = [](const Run& run) {
        QList<int> codes;
        for (const Received& r : run.reports)
            if (!kConnecting.contains(r.code()))
                codes.append(r.code());
        return codes;
    };
    // Back as it came: the board gets the block it held, stores it, and its name stays.
    const Run back = ctl.run({QStringLiteral("settings"), QStringLiteral("set"), file});
    QCOMPARE(back.exit, 0);
    QVERIFY(back.out.isEmpty());
    QCOMPARE(written(back), (QList<int>{CMD_WRITE_VALUES, CMD_SAVE_VALUES}));
    QCOMPARE(
        back.withCode(CMD_WRITE_VALUES).last().bytes.mid(kWriteBlockAt, writevalues::kBlockSize).toHex(),
        kBoardBlock);

    // One key changed, the others left out: they keep the board's values.
    QFile changed(file);
    QVERIFY(changed.open(QIODevice::WriteOnly | QIODevice::Truncate));
    changed.write("; bench axis\r\n[DriverSettings]\r\nFullScaleCurrent = 3.1\r\n");
    changed.close();
    const Run differs = ctl.run({QStringLiteral("settings"), QStringLiteral("diff"), file});
    QCOMPARE(differs.exit, 3);
    QCOMPARE(differs.out, QStringLiteral("FullScaleCurrent\t2.2\t3.1\n"));
    QVERIFY((differs.codes() - kConnecting).isEmpty());
    const Run set = ctl.run({QStringLiteral("settings"), QStringLiteral("set"), file});
    QCOMPARE(set.exit, 0);
    QCOMPARE(set.out, differs.out);
    QCOMPARE(written(set), (QList<int>{CMD_WRITE_VALUES, CMD_SAVE_VALUES}));
    QByteArray block = QByteArray::fromHex(kBoardBlock);
    block[2] = char(0xBE); // the torque byte of 3.1 A at the same gain
    QCOMPARE(
        set.withCode(CMD_WRITE_VALUES).last().bytes.mid(kWriteBlockAt, writevalues::kBlockSize).toHex(),
        block.toHex());
}

void CtlTest::unusableSettingsFileSendsNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QByteArray group("[DriverSettings]\nStepMode=2\n");
    QTest::newRow("not text") << group + QByteArray("DriverName=a\0b\n", 15) << "not a text file";
    QTest::newRow("too large") << group + QByteArray(70000, '#') << "larger than 64 KiB";
    QTest::newRow("typed value")
        << QByteArray("[DriverSettings]\nStepMode=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x3)\n")
        << "not a number: StepMode";
    QTest::newRow("nan") << group + "FullScaleCurrent=nan\n"
                         << "not a number: FullScaleCurrent";
    QTest::newRow("no driver settings")
        << QByteArray("StepMode=2\n[Other]\nStepMode=2\n") << "no driver settings";
    QTest::newRow("current between two steps") << group + "IdleCurrent=0.65\n"
                                               << "IdleCurrent goes in steps of 0.1 A";
    QTest::newRow("mixed decay above fixed off") << group + "MixedDecayTime=20\nFixedOffTime=10\n"
                                                 << "must not be above FixedOffTime";
    QTest::newRow("name too long") << group + "DriverName=" + QByteArray(33, 'x') + "\n"
                                   << "DriverName must be at most 32";
}

void CtlTest::unusableSettingsFileSendsNothing()
{
    QFETCH(QByteArray, content);
    Ctl ctl;
    const QString file = ctl.path(QStringLiteral("in.tvs"));
    QFile in(file);
    QVERIFY(in.open(QIODevice::WriteOnly));
    in.write(content);
    in.close();
    const Run run = ctl.run({QStringLiteral("settings"), QStringLiteral("set"), file});
    QCOMPARE(run.exit, 2);
    QFETCH(QString, message);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.reports.isEmpty());
}

QTEST_GUILESS_MAIN(CtlTest)
#include "test_ctl.moc"
