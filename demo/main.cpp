// The demo: the product's window with a simulated board plugged in half a
// second after start, so the tool can be tried without hardware. With
// TORVEL_DEMO_VIRTUAL_TIME=1 it runs on a virtual clock (demo_time.h).
#include "app/app_identity.h"
#include "app/high_dpi.h"
#include "app/mainwindow.h"
#include "app/message_boxes.h"
#include "clock.h"
#include "demo_actions.h"
#include "demo_options.h"
#include "demo_time.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "log_sink.h"
#include "log_watch.h"
#include "sim_control.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

namespace {
constexpr int kPlugDelayMs = 500;

int milliseconds(double seconds)
{
    return static_cast<int>(seconds * 1000);
}

void say(const QString& text)
{
    if (Torvel.logger)
        Torvel.logger->write(QStringLiteral("Demo: ") + text);
}

void showTab(MainWindow& window, const QString& caption)
{
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabMainTab"));
    for (int i = 0; tabs && i < tabs->count(); ++i)
        if (tabs->tabText(i).compare(caption, Qt::CaseInsensitive) == 0)
            tabs->setCurrentIndex(i);
}

bool writeRecord(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    for (const sim::Board* board : sim::boards())
        for (const sim::Report& report : board->received())
            out << report.atMs << ' ' << report.bytes.toHex() << '\n';
    return file.flush();
}

// Saves the picture and names the tab it shows on standard output, so that a
// script can check it got the tab it asked for.
bool saveScreenshot(MainWindow& window, const QString& fileName)
{
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabMainTab"));
    const bool saved = window.grab().save(fileName);
    QTextStream out(saved ? stdout : stderr);
    out << (saved ? "Screenshot of tab \"" : "Could not write the screenshot of tab \"")
        << (tabs ? tabs->tabText(tabs->currentIndex()) : QString()) << "\" to " << fileName << '\n';
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    app::enableHighDpi();
    // Parsed before the GUI application exists, so that --help and a wrong
    // option are answered without a display.
    const DemoOptions options = [&] {
        QCoreApplication core(argc, argv);
        return parseDemoOptions(core.arguments());
    }();
    QApplication app(argc, argv);
    appIdentity::apply();
    app.setApplicationName(QStringLiteral("torvelm4-demo"));
    DemoTime time;

    // File dialogs are always scripted (the settings actions queue their names);
    // questions are scripted only with --answer.
    dialogs::MessageBoxes boxes;
    dialogs::ScriptedAnswerer answerer = options.answerOk
                                             ? dialogs::ScriptedAnswerer(*options.answerOk)
                                             : dialogs::ScriptedAnswerer::filesOnly(&boxes);
    dialogs::setAnswerer(&answerer);

    MainWindow window;
    LogWatch log(window);
    sim::Board* board = nullptr;
    bool screenshotFailed = false;
    const auto quit = [&] {
        if (!options.screenshotFile.isEmpty())
            screenshotFailed = !saveScreenshot(window, options.screenshotFile);
        window.close();
    };
    // Each step once the window has seen the one before.
    const auto replug = [&] {
        say(QStringLiteral("unplugging the board."));
        board->unplug();
        log.awaitLine(QStringLiteral("Torvel device disconnected!"), [&] {
            say(QStringLiteral("plugging the board in again."));
            board->replug();
            log.awaitLine(QStringLiteral("Enabling real-time data stream."), [&] {
                say(QStringLiteral("quitting."));
                quit();
            });
        });
    };

    // The actions begin with the first application board whose identification
    // has ended (the RX timer runs again), once its name has come in after its
    // values; the requested tab is shown last, so it wins.
    bool acted = false;
    QObject::connect(&Torvel, &TorvelDRV::newDriverInfoAvailable, &window, [&] {
        const bool identified = Torvel.connected && Torvel.replyReceived &&
                                Torvel.rxTimer->isActive() && !Torvel.info.BootloaderRunning;
        if (acted || !identified)
            return;
        acted = true;
        log.awaitLine(QStringLiteral("Device name: "), [&] {
            runDemoActions(window, log, options, answerer, [&] {
                if (!options.tab.isEmpty())
                    showTab(window, options.tab);
                if (options.replugWhenDone && board)
                    replug();
            });
            if (!options.tab.isEmpty())
                showTab(window, options.tab);
        });
    });
    if (!options.tab.isEmpty())
        showTab(window, options.tab);

    sim::BoardConfig config;
    config.firmwareHigh = static_cast<std::uint8_t>(options.firmwareHigh);
    config.firmwareLow = static_cast<std::uint8_t>(options.firmwareLow);
    config.bootloader = options.bootloader;
    config.validSignature = !options.badSignature;
    timing::Clock& clock = timing::clock();
    clock.singleShot(kPlugDelayMs, &app, [&] {
        board = sim::plug(config);
        board->setStreamRate(options.rate);
    });
    if (options.unplugAfterSeconds)
        clock.singleShot(milliseconds(*options.unplugAfterSeconds), &app, [&board] {
            if (board)
                board->unplug();
        });
    if (options.replugAfterSeconds)
        clock.singleShot(milliseconds(*options.replugAfterSeconds), &app, [&board] {
            if (board)
                board->replug();
        });
    if (options.quitAfterSeconds)
        clock.singleShot(milliseconds(*options.quitAfterSeconds), &window, quit);

    window.show();
    time.runWhileIdle();
    const int result = app.exec();
    dialogs::setAnswerer(nullptr);
    if (screenshotFailed || (!options.recordFile.isEmpty() && !writeRecord(options.recordFile)))
        return 1;
    return result;
}
