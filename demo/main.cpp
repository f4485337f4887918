// The demo: the product's window with a simulated board plugged in half a
// second after start, so the tool can be tried without hardware.
#include "app/dialogs.h"
#include "app/mainwindow.h"
#include "demo_actions.h"
#include "demo_options.h"
#include "device/torveldrv.h"
#include "sim_control.h"

#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <memory>

namespace {
constexpr int kPlugDelayMs = 500;

int milliseconds(double seconds)
{
    return static_cast<int>(seconds * 1000);
}

void showTab(MainWindow& window, const QString& caption)
{
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabMainTab"));
    for (int i = 0; tabs && i < tabs->count(); ++i)
        if (tabs->tabText(i).compare(caption, Qt::CaseInsensitive) == 0)
            tabs->setCurrentIndex(i);
}

// Help needs no display: it is printed before the GUI application exists.
bool wantsHelp(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "-?")
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char* argv[])
{
    if (wantsHelp(argc, argv)) {
        QCoreApplication core(argc, argv);
        parseDemoOptions(core.arguments()); // prints the options and exits
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("torvelm4-demo"));
    const DemoOptions options = parseDemoOptions(app.arguments());

    std::unique_ptr<dialogs::ScriptedAnswerer> answerer;
    if (options.answerOk) {
        answerer = std::make_unique<dialogs::ScriptedAnswerer>(*options.answerOk);
        dialogs::setAnswerer(answerer.get());
    }

    MainWindow window;

    // The actions wait for the first identified application board; the
    // requested tab is shown last, so it wins over the actions' own tabs.
    bool acted = false;
    QObject::connect(&Torvel, &TorvelDRV::newDriverInfoAvailable, &window, [&] {
        if (acted || !Torvel.connected || Torvel.busy != 0 || Torvel.info.BootloaderRunning)
            return;
        acted = true;
        QTimer::singleShot(0, &window, [&] {
            runDemoActions(window, options);
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
    sim::Board* board = nullptr;
    QTimer::singleShot(kPlugDelayMs, &app, [&] {
        board = sim::plug(config);
        board->setStreamRate(options.rate);
    });
    if (options.unplugAfterSeconds)
        QTimer::singleShot(milliseconds(*options.unplugAfterSeconds), &app, [&board] {
            if (board)
                board->unplug();
        });
    if (options.quitAfterSeconds)
        QTimer::singleShot(milliseconds(*options.quitAfterSeconds), &window, [&] {
            if (!options.screenshotFile.isEmpty())
                window.grab().save(options.screenshotFile);
            window.close();
        });

    window.show();
    const int result = app.exec();
    dialogs::setAnswerer(nullptr);
    return result;
}
