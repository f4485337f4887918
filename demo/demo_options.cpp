// Command-line parsing of the demo program.
#include "demo_options.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>

namespace {
// Far above what the board sends (100/s); only guards against nonsense.
constexpr int kMaxReportRate = 10000;
// A screenshot with no --quit-after is taken once the actions have had time to show.
constexpr double kScreenshotAfterSeconds = 6.0;

[[noreturn]] void fail(const QCommandLineParser& parser, const QString& message)
{
    std::fprintf(stderr, "torvelm4-demo: %s\n\n%s", qPrintable(message),
                 qPrintable(parser.helpText()));
    std::exit(2);
}

double seconds(const QCommandLineParser& parser, const QString& name)
{
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < 0)
        fail(parser, QStringLiteral("--%1 needs a number of seconds").arg(name));
    return value;
}
} // namespace

DemoOptions parseDemoOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The TorvelM4 control tool with a simulated board plugged in half a "
                       "second after start. With TORVEL_DEMO_VIRTUAL_TIME=1 in the environment "
                       "it runs on a virtual clock, as fast as the work allows."));
    parser.addHelpOption();
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("Close the window after SECONDS."),
                                       QStringLiteral("SECONDS"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a PNG of the main window to FILE just before quitting (without "
                       "--quit-after, quit after 6 seconds)."),
        QStringLiteral("FILE"));
    const QCommandLineOption tab(QStringLiteral("tab"),
                                 QStringLiteral("Show the main tab with caption NAME."),
                                 QStringLiteral("NAME"));
    const QCommandLineOption answer(
        QStringLiteral("answer"),
        QStringLiteral("Answer every question with ok or cancel instead of showing it."),
        QStringLiteral("ok|cancel"));
    const QCommandLineOption firmware(
        QStringLiteral("firmware"),
        QStringLiteral("Firmware version of the board, four hex digits (default 0103)."),
        QStringLiteral("HHLL"));
    const QCommandLineOption bootloader(QStringLiteral("bootloader"),
                                        QStringLiteral("The board starts in its bootloader."));
    const QCommandLineOption badSignature(
        QStringLiteral("bad-signature"),
        QStringLiteral("The board's firmware has no valid signature."));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Real-time reports per second (default 100)."),
                                  QStringLiteral("N"));
    const QCommandLineOption unplugAfter(QStringLiteral("unplug-after"),
                                         QStringLiteral("Unplug the board SECONDS after start."),
                                         QStringLiteral("SECONDS"));
    const QCommandLineOption stepRate(
        QStringLiteral("step-rate"),
        QStringLiteral("Once connected, turn the step control dial to N steps/s (auto update)."),
        QStringLiteral("N"));
    const QCommandLineOption trajectory(
        QStringLiteral("trajectory"),
        QStringLiteral("Once connected, set the final position to POS (auto update)."),
        QStringLiteral("POS"));
    const QCommandLineOption pwm(
        QStringLiteral("pwm"),
        QStringLiteral("Once connected, enable DC motor control and set the duties A,B in %."),
        QStringLiteral("A,B"));
    const QCommandLineOption replugAfter(
        QStringLiteral("replug-after"),
        QStringLiteral("Plug the board in again SECONDS after start."), QStringLiteral("SECONDS"));
    const QCommandLineOption replugWhenDone(
        QStringLiteral("replug-when-done"),
        QStringLiteral("Once the actions are done, unplug the board, plug it in again once the "
                       "window has seen it go, and quit once its stream is enabled again."));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("At exit, write every report the board received to FILE (one per line: "
                       "milliseconds, then the 65 bytes in hex)."),
        QStringLiteral("FILE"));
    const QCommandLineOption writeValues(
        QStringLiteral("write-values"),
        QStringLiteral("Once connected, press \"Write values to driver\"."));
    const QCommandLineOption saveSettings(
        QStringLiteral("save-settings"),
        QStringLiteral("Once connected, save the settings to FILE through the save button."),
        QStringLiteral("FILE"));
    const QCommandLineOption loadSettings(
        QStringLiteral("load-settings"),
        QStringLiteral("Once connected, load the settings from FILE through the load button."),
        QStringLiteral("FILE"));
    parser.addOptions({quitAfter, screenshot, tab, answer, firmware, bootloader, badSignature, rate,
                       unplugAfter, replugAfter, replugWhenDone, record, writeValues, saveSettings,
                       loadSettings, stepRate, trajectory, pwm});
    parser.process(arguments);

    DemoOptions options;
    if (parser.isSet(quitAfter))
        options.quitAfterSeconds = seconds(parser, quitAfter.names().first());
    if (parser.isSet(unplugAfter))
        options.unplugAfterSeconds = seconds(parser, unplugAfter.names().first());
    if (parser.isSet(replugAfter))
        options.replugAfterSeconds = seconds(parser, replugAfter.names().first());
    options.replugWhenDone = parser.isSet(replugWhenDone);
    options.recordFile = parser.value(record);
    options.writeValues = parser.isSet(writeValues);
    options.saveSettingsFile = parser.value(saveSettings);
    options.loadSettingsFile = parser.value(loadSettings);
    options.screenshotFile = parser.value(screenshot);
    if (!options.screenshotFile.isEmpty() && !options.quitAfterSeconds)
        options.quitAfterSeconds = kScreenshotAfterSeconds;
    options.tab = parser.value(tab);
    if (parser.isSet(answer)) {
        const QString value = parser.value(answer).toLower();
        if (value != QLatin1String("ok") && value != QLatin1String("cancel"))
            fail(parser, QStringLiteral("--answer takes ok or cancel"));
        options.answerOk = value == QLatin1String("ok");
    }
    if (parser.isSet(firmware)) {
        const QString value = parser.value(firmware);
        if (!QRegularExpression(QStringLiteral("^[0-9A-Fa-f]{4}$")).match(value).hasMatch())
            fail(parser, QStringLiteral("--firmware takes four hex digits, e.g. 0102"));
        const int version = value.toInt(nullptr, 16);
        options.firmwareHigh = version >> 8;
        options.firmwareLow = version & 0xFF;
    }
    options.bootloader = parser.isSet(bootloader);
    options.badSignature = parser.isSet(badSignature);
    const auto integer = [&parser](const QCommandLineOption& option, int low, int high) {
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < low || value > high)
            fail(parser, QStringLiteral("--%1 takes a whole number from %2 to %3")
                             .arg(option.names().first())
                             .arg(low)
                             .arg(high));
        return value;
    };
    if (parser.isSet(rate))
        options.rate = integer(rate, 0, kMaxReportRate);
    if (parser.isSet(stepRate))
        options.stepRate = integer(stepRate, -250000, 250000);
    if (parser.isSet(trajectory))
        options.trajectory = integer(trajectory, -100000000, 100000000);
    if (parser.isSet(pwm)) {
        const QStringList duties = parser.value(pwm).split(QLatin1Char(','));
        bool okA = false;
        bool okB = false;
        const int a = duties.value(0).toInt(&okA);
        const int b = duties.value(1).toInt(&okB);
        if (duties.size() != 2 || !okA || !okB || qAbs(a) > 100 || qAbs(b) > 100)
            fail(parser, QStringLiteral("--pwm takes two duties from -100 to 100, e.g. 40,-25"));
        options.pwm = std::make_pair(a, b);
    }
    return options;
}
