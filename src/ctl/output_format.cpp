// Text, JSON and CSV forms of a live record.
#include "output_format.h"

#include "c_format.h"
#include "device/fault_text.h"
#include "device/status_text.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace ctl {
namespace {
const QString kSeconds = QStringLiteral("s");
const QString kVolts = QStringLiteral("V");
const QString kDegrees = QStringLiteral("°C");
const QString kAmperes = QStringLiteral("A");
const QString kSteps = QStringLiteral("steps");
const QString kStepsPerSecond = QStringLiteral("steps/s");

int inputBits(const RTData& rt)
{
    return (rt.BootloaderOverrideInput ? 0x01 : 0) | (rt.EnableInput ? 0x02 : 0) |
           (rt.StepInput ? 0x04 : 0) | (rt.DirInput ? 0x08 : 0) | (rt.Bin1Input ? 0x10 : 0) |
           (rt.Bin2Input ? 0x20 : 0) | (rt.EndSwitchInput ? 0x40 : 0);
}

QJsonObject inputsJson(const RTData& rt)
{
    return {{QStringLiteral("bootloader_override"), rt.BootloaderOverrideInput},
            {QStringLiteral("enable"), rt.EnableInput},
            {QStringLiteral("step"), rt.StepInput},
            {QStringLiteral("dir"), rt.DirInput},
            {QStringLiteral("bin1"), rt.Bin1Input},
            {QStringLiteral("bin2"), rt.Bin2Input},
            {QStringLiteral("end_switch"), rt.EndSwitchInput}};
}

QString inputsText(const RTData& rt)
{
    QStringList set;
    const QJsonObject inputs = inputsJson(rt);
    for (auto it = inputs.constBegin(); it != inputs.constEnd(); ++it)
        if (it.value().toBool())
            set.append(it.key());
    return set.isEmpty() ? QStringLiteral("none") : set.join(QLatin1Char(' '));
}
} // namespace

QString modeText(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("Default (ext Step/Dir)");
    case 2:
        return QStringLiteral("Step/Dir");
    case 3:
        return QStringLiteral("DC motor (2x)");
    case 4:
        return QStringLiteral("Trajectory");
    default:
        return QStringLiteral("unknown");
    }
}

QJsonObject recordJson(const RTData& rt)
{
    return {{QStringLiteral("voltage"), rt.Voltage},
            {QStringLiteral("temperature"), rt.Temperature},
            {QStringLiteral("current"), rt.Current},
            {QStringLiteral("motor_power"), rt.MotorPower},
            {QStringLiteral("mode"), rt.OperatingMode},
            {QStringLiteral("mode_text"), modeText(rt.OperatingMode)},
            {QStringLiteral("driver_state"), rt.DriverState},
            {QStringLiteral("driver_state_text"), statusText(rt.DriverState)},
            {QStringLiteral("faults"), rt.FaultBits},
            {QStringLiteral("fault_messages"),
             QJsonArray::fromStringList(faults::messages(rt.FaultBits))},
            {QStringLiteral("inputs"), inputsJson(rt)},
            {QStringLiteral("position"), rt.ActualPosition},
            {QStringLiteral("speed"), rt.ActualSpeed}};
}

QStringList recordText(const RTData& rt)
{
    const QStringList faultLines = faults::messages(rt.FaultBits);
    QStringList lines = {
        QStringLiteral("Voltage:      %1 V").arg(csv::number(rt.Voltage, kVolts)),
        QStringLiteral("Temperature:  %1 °C").arg(csv::number(rt.Temperature, kDegrees)),
        QStringLiteral("Current:      %1 A").arg(csv::number(rt.Current, kAmperes)),
        QStringLiteral("Motor power:  %1")
            .arg(rt.MotorPower ? QStringLiteral("yes") : QStringLiteral("no")),
        QStringLiteral("Mode:         %1 %2").arg(rt.OperatingMode).arg(modeText(rt.OperatingMode)),
        QStringLiteral("Driver state: %1 %2").arg(rt.DriverState).arg(statusText(rt.DriverState)),
        rt.FaultBits == 0 ? QStringLiteral("Faults:       none")
                          : cformat("Faults:       0x%02X", unsigned(rt.FaultBits)),
    };
    for (const QString& fault : faultLines)
        lines.append(QStringLiteral("              ") + fault);
    lines.append(QStringLiteral("Inputs:       ") + inputsText(rt));
    lines.append(QStringLiteral("Position:     %1 steps").arg(rt.ActualPosition));
    lines.append(QStringLiteral("Speed:        %1 steps/s").arg(rt.ActualSpeed));
    return lines;
}

QString wallClock(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString watchCsvHeader()
{
    return csv::header({{QStringLiteral("Time"), QString()},
                        csv::elapsedColumn(),
                        {QStringLiteral("Voltage"), kVolts},
                        {QStringLiteral("Temperature"), kDegrees},
                        {QStringLiteral("Current"), kAmperes},
                        {QStringLiteral("Mode"), QString()},
                        {QStringLiteral("Driver state"), QString()},
                        {QStringLiteral("Faults"), QString()},
                        {QStringLiteral("Inputs"), QString()},
                        {QStringLiteral("Position"), kSteps},
                        {QStringLiteral("Speed"), kStepsPerSecond}});
}

QString watchCsvLine(const QDateTime& time, double elapsedSeconds, const RTData& rt)
{
    return csv::line({csv::text(wallClock(time)), csv::number(elapsedSeconds, kSeconds),
                      csv::number(rt.Voltage, kVolts), csv::number(rt.Temperature, kDegrees),
                      csv::number(rt.Current, kAmperes), QString::number(rt.OperatingMode),
                      QString::number(rt.DriverState), QString::number(rt.FaultBits),
                      QString::number(inputBits(rt)), QString::number(rt.ActualPosition),
                      QString::number(rt.ActualSpeed)});
}

QString watchJsonLine(const QDateTime& time, double elapsedSeconds, const RTData& rt)
{
    QJsonObject object = recordJson(rt);
    object.insert(QStringLiteral("time"), wallClock(time));
    object.insert(QStringLiteral("elapsed"), elapsedSeconds);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
           QLatin1Char('\n');
}

} // namespace ctl
