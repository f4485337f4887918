// Live data: status (one record) and watch (every record until stopped).
#include "arguments.h"
#include "clock.h"
#include "command.h"
#include "console.h"
#include "device/torveldrv.h"
#include "output_format.h"
#include "session.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <cmath>

namespace ctl {
namespace {
// Over three weeks; the limit only keeps the milliseconds within an int.
constexpr double kMaxDurationSeconds = 2000000;

int status(Context& c)
{
    if (const int result = c.session.open(Session::Record))
        return result;
    if (c.args.isSet(QStringLiteral("json"))) {
        QJsonObject record = recordJson(Torvel.rt);
        record.insert(QStringLiteral("serial"), c.session.serial());
        record.insert(QStringLiteral("time"), wallClock(QDateTime::currentDateTime()));
        printData(
            QString::fromUtf8(QJsonDocument(record).toJson(QJsonDocument::Indented)).trimmed());
    } else {
        for (const QString& line : recordText(Torvel.rt))
            printData(line);
    }
    return kExitOk;
}

int watch(Context& c)
{
    const bool csv = c.args.isSet(QStringLiteral("csv"));
    const bool jsonl = c.args.isSet(QStringLiteral("jsonl"));
    if (csv && jsonl)
        return usageError(QStringLiteral("choose one of --csv and --jsonl"));
    double duration = -1.0;
    if (c.args.isSet(QStringLiteral("duration"))) {
        bool ok = false;
        duration = c.args.value(QStringLiteral("duration")).toDouble(&ok);
        if (!ok || !std::isfinite(duration) || duration <= 0 || duration > kMaxDurationSeconds)
            return usageError(
                QStringLiteral("--duration takes a number of seconds above 0, not '%1'")
                    .arg(c.args.value(QStringLiteral("duration"))));
    }
    QFile out;
    const QString fileName = c.args.value(QStringLiteral("output"));
    if (fileName.isEmpty()) {
        out.open(stdout, QIODevice::WriteOnly);
    } else {
        out.setFileName(fileName);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return usageError(
                QStringLiteral("cannot write %1: %2").arg(fileName, out.errorString()));
    }
    if (const int result = c.session.open(Session::Application))
        return result;

    bool writeFailed = false;
    const auto emitText = [&out, &writeFailed](const QString& text) {
        const QByteArray bytes = text.toUtf8();
        // Flushed line by line: an interrupted or killed watch keeps every row so far.
        writeFailed = writeFailed || out.write(bytes) != bytes.size() || !out.flush();
    };
    if (csv)
        emitText(watchCsvHeader());
    const std::int64_t startMs = timing::nowMs();
    const QMetaObject::Connection rows =
        QObject::connect(&Torvel, &TorvelDRV::newRTDataAvailable, [&] {
            if (!Torvel.connected)
                return;
            const QDateTime now = QDateTime::currentDateTime();
            const double seconds = (timing::nowMs() - startMs) / 1000.0;
            if (csv)
                emitText(watchCsvLine(now, seconds, Torvel.rt));
            else if (jsonl)
                emitText(watchJsonLine(now, seconds, Torvel.rt));
            else
                emitText(QStringLiteral("%1  %2 V  %3 °C  %4 A  mode %5  state %6  faults %7  "
                                        "position %8  speed %9\n")
                             .arg(wallClock(now),
                                  csv::number(Torvel.rt.Voltage, QStringLiteral("V")),
                                  csv::number(Torvel.rt.Temperature, QStringLiteral("°C")),
                                  csv::number(Torvel.rt.Current, QStringLiteral("A")))
                             .arg(Torvel.rt.OperatingMode)
                             .arg(Torvel.rt.DriverState)
                             .arg(Torvel.rt.FaultBits)
                             .arg(Torvel.rt.ActualPosition)
                             .arg(Torvel.rt.ActualSpeed));
        });
    c.session.waitUntil([&] { return writeFailed || c.session.lost(); },
                        duration < 0 ? -1 : int(duration * 1000));
    QObject::disconnect(rows);
    out.close();
    if (writeFailed)
        return failure(
            QStringLiteral("cannot write %1")
                .arg(fileName.isEmpty() ? QStringLiteral("to standard output") : fileName));
    if (c.session.lost())
        return failure(QStringLiteral("board %1 disconnected").arg(c.session.serial()));
    return kExitOk;
}

QList<Command> monitorCommands()
{
    return {
        {{QStringLiteral("status")},
         QStringLiteral("[--json]"),
         QStringLiteral("Print one live record"),
         QStringLiteral("Prints one live record as the board sent it: supply voltage, temperature, "
                        "motor\ncurrent, operating mode, driver state, fault bits with their "
                        "messages, inputs,\nposition and speed. --json prints one JSON object "
                        "with the same fields."),
         {{QStringLiteral("json"), QString(), QStringLiteral("One JSON object.")}},
         0,
         0,
         status},
        {{QStringLiteral("watch")},
         QStringLiteral("[--csv|--jsonl] [--duration D] [--output FILE]"),
         QStringLiteral("Print every live record as it arrives"),
         QStringLiteral("Prints every live record as it arrives (up to 100 a second), each with "
                        "the local\ntime and the seconds since watching began, until the "
                        "duration has passed or\nSIGINT or SIGTERM arrive; everything read "
                        "until then is written. --csv writes a\nheader line and one row per "
                        "record, --jsonl one JSON object per line."),
         {{QStringLiteral("csv"), QString(),
           QStringLiteral("Comma-separated values with a header.")},
          {QStringLiteral("jsonl"), QString(), QStringLiteral("One JSON object per line.")},
          {QStringLiteral("duration"), QStringLiteral("D"),
           QStringLiteral("Stop after D seconds.")},
          {QStringLiteral("output"), QStringLiteral("FILE"),
           QStringLiteral("Write to FILE instead of standard output.")}},
         0,
         0,
         watch},
    };
}

const Registration kRegistration(kMonitorGroup, monitorCommands);
} // namespace
} // namespace ctl
