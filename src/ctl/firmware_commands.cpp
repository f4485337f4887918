// Firmware: info, and update through the same version check, restart and
// full update the window runs, with the questions answered by --yes or at
// the terminal and a progress bar on stderr when it is one.
#include "answerer.h"
#include "arguments.h"
#include "c_format.h"
#include "command.h"
#include "console.h"
#include "device/protocol.h"
#include "device/torveldrv.h"
#include "firmware/version_rules.h"
#include "interrupt.h"
#include "log_output.h"
#include "session.h"

#include <QRegularExpression>

namespace ctl {
namespace {
constexpr int kSectors = protocol::kLastAppSector - protocol::kFirstAppSector + 1;
constexpr int kFirstBlock = protocol::kAppStart / protocol::kSubsectorSize;
constexpr int kLastBlock = protocol::kFlashSize / protocol::kSubsectorSize - 1;
constexpr int kBarWidth = 40;
// From the first question to the board running its new firmware.
constexpr int kUpdateTimeoutMs = 120000;

QString modeText(const DeviceInfo& info)
{
    return cformat("%s (0x%02X)", info.BootloaderRunning ? "bootloader" : "application",
                   unsigned(info.ModeByte) & 0xFFu);
}

int info(Context& c)
{
    if (const int status = c.session.open(Session::Identified))
        return status;
    const DeviceInfo& info = Torvel.info;
    printData(QStringLiteral("Serial:           ") + c.session.serial());
    printData(QStringLiteral("Product:          ") + Torvel.product);
    printData(QStringLiteral("Bootloader:       ") +
              firmware::versionText(info.BootloaderVersionHigh, info.BootloaderVersionLow));
    printData(QStringLiteral("Firmware:         ") + firmware::boardVersionText(info));
    printData(QStringLiteral("Carried firmware: ") + firmware::carriedVersionText());
    printData(QStringLiteral("Mode:             ") + modeText(info));
    printData(QStringLiteral("Signature:        ") +
              (info.SignatureValid ? QStringLiteral("valid") : QStringLiteral("invalid")));
    printData(QStringLiteral("Update needed:    ") +
              (firmware::updateNeeded(info) ? QStringLiteral("yes") : QStringLiteral("no")));
    return kExitOk;
}

// What the update has done so far, from its log lines and progress signal.
struct UpdateState {
    bool started = false;
    bool verified = false;
    int goodSectors = 0;
    QString failure;
    int shownPercent = -1;
    // The session's counts when the checksums were found good.
    int identificationsAtVerify = -1;
    int disconnectsAtVerify = -1;

    void take(const QString& line)
    {
        static const QRegularExpression good(QStringLiteral("^CRC [0-9]+ is OK\\.$"));
        if (line == QLatin1String("Starting full update...")) {
            *this = UpdateState();
            started = true;
            printMessage(
                QStringLiteral("flashing firmware %1...").arg(firmware::carriedVersionText()));
        } else if (good.match(line).hasMatch()) {
            ++goodSectors;
        } else if (line == QLatin1String("All CRCs OK.")) {
            verified = true;
            printMessage(
                QStringLiteral("all %1 sector checksums good; the board restarts").arg(kSectors));
        } else if (line.startsWith(QLatin1String("Device disconnected during"))) {
            failure = line;
        }
    }

    void progress()
    {
        const int block =
            protocol::kSubsectorsPerSector * Torvel.tx[protocol::bootloader::kSector] +
            Torvel.tx[protocol::bootloader::kSubsector];
        const int percent = 100 * (block - kFirstBlock + 1) / (kLastBlock - kFirstBlock + 1);
        if (!stderrIsTerminal() || percent == shownPercent)
            return;
        shownPercent = percent;
        const int filled = kBarWidth * percent / 100;
        printRaw(QStringLiteral("\rUploading [%1%2] %3%")
                     .arg(QString(filled, QLatin1Char('#')),
                          QString(kBarWidth - filled, QLatin1Char('.')))
                     .arg(percent, 3));
        if (block == kLastBlock)
            printRaw(QStringLiteral("\n"));
    }
};

int update(Context& c)
{
    c.answerer.setConsent(c.args.isSet(QStringLiteral("yes")) ? Answerer::Consent::Yes
                                                              : Answerer::Consent::AskTerminal);
    UpdateState state;
    c.log.setObserver([&state, &c](const QString& line) {
        state.take(line);
        if (state.verified && state.disconnectsAtVerify < 0) {
            state.identificationsAtVerify = c.session.identifications();
            state.disconnectsAtVerify = c.session.disconnects();
        }
        // One update per run: a board that asks again after it was flashed has failed.
        if (state.started)
            c.answerer.setConsent(Answerer::Consent::No);
    });
    const QMetaObject::Connection progress = QObject::connect(
        &Torvel, &TorvelDRV::newFWProgressValueAvailable, [&state] { state.progress(); });
    struct Cleanup {
        Context& c;
        QMetaObject::Connection progress;
        ~Cleanup()
        {
            c.log.setObserver({});
            QObject::disconnect(progress);
        }
    } cleanup{c, progress};

    const int declinedBefore = c.answerer.declined();
    if (const int status = c.session.open(Session::Opened))
        return status;
    const QString who = QStringLiteral("board %1").arg(c.session.serial());
    if (c.answerer.declined() > declinedBefore && !state.started)
        return c.answerer.neededYes() ? kExitUsage
                                      : failure(QStringLiteral("%1 was not updated").arg(who));
    const bool restarting = c.session.disconnects() > 0 || !Torvel.connected;
    if (!state.started && !restarting) {
        if (!Torvel.replyReceived)
            return failure(QStringLiteral("%1 does not answer its identification").arg(who));
        if (!Torvel.info.BootloaderRunning && firmware::upToDate(Torvel.info)) {
            printData(QStringLiteral("Firmware %1 is up to date.")
                          .arg(firmware::boardVersionText(Torvel.info)));
            return kExitOk;
        }
        // A bootloader with a current, signed image asks nothing; flash it as
        // the window's "Full update" button would.
        if (Torvel.info.BootloaderRunning)
            Torvel.FullUpdate();
    }
    if (!state.started)
        printMessage(QStringLiteral("waiting for %1 to restart into its bootloader...").arg(who));

    // After a verified update the board leaves the bus; the first
    // identification after that tells whether it came back with the new firmware.
    const bool done = c.session.waitUntil(
        [&] {
            if (!state.failure.isEmpty() ||
                (state.started && c.answerer.declined() > declinedBefore))
                return true;
            return state.verified && c.session.disconnects() > state.disconnectsAtVerify &&
                   c.session.identifications() > state.identificationsAtVerify;
        },
        kUpdateTimeoutMs);
    if (!state.failure.isEmpty())
        return failure(QStringLiteral("update of %1 failed: %2").arg(who, state.failure));
    if (state.started && c.answerer.declined() > declinedBefore)
        return failure(QStringLiteral("%1 asked for another update after it was flashed").arg(who));
    if (!done)
        return failure(
            interruptRequested()
                ? QStringLiteral("interrupted while updating %1").arg(who)
                : QStringLiteral("%1 did not come back with new firmware in time").arg(who));
    if (Torvel.info.BootloaderRunning || !firmware::upToDate(Torvel.info))
        return failure(QStringLiteral("%1 came back with firmware %2 in its %3")
                           .arg(who, firmware::boardVersionText(Torvel.info),
                                Torvel.info.BootloaderRunning ? QStringLiteral("bootloader")
                                                              : QStringLiteral("application")));
    printData(QStringLiteral("Firmware updated to %1; %2 of %3 sector checksums good.")
                  .arg(firmware::boardVersionText(Torvel.info))
                  .arg(state.goodSectors)
                  .arg(kSectors));
    return kExitOk;
}

QList<Command> firmwareCommands()
{
    return {
        {{QStringLiteral("firmware"), QStringLiteral("info")},
         QString(),
         QStringLiteral("Print the board's versions, mode and signature"),
         QStringLiteral("Prints the board's serial, product, bootloader and firmware versions, "
                        "the carried\nfirmware version, the mode (application or bootloader), "
                        "whether the firmware's\nsignature is valid and whether an update is "
                        "needed."),
         {},
         0,
         0,
         info},
        {{QStringLiteral("firmware"), QStringLiteral("update")},
         QStringLiteral("[--yes]"),
         QStringLiteral("Flash the carried firmware"),
         QStringLiteral("Brings the board to the carried firmware as the window does: a board "
                        "running other\nfirmware is restarted into its bootloader and flashed, "
                        "each sector's checksum is\nverified, then the board is signed and "
                        "restarted. Succeeds once the board runs\nthe carried firmware. The "
                        "questions are asked on the terminal, or answered by\n--yes; without a "
                        "terminal and without --yes nothing is flashed (exit 2)."),
         {{QStringLiteral("yes"), QString(),
           QStringLiteral("Agree to the restart and the update.")}},
         0,
         0,
         update},
    };
}

const Registration kRegistration(kFirmwareGroup, firmwareCommands);
} // namespace
} // namespace ctl
