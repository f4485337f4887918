// The board as a whole: list, name, run, sleep, reset-faults, restart.
#include "arguments.h"
#include "c_format.h"
#include "command.h"
#include "console.h"
#include "device/fault_text.h"
#include "device/protocol.h"
#include "device/status_text.h"
#include "device/torveldrv.h"
#include "firmware/version_rules.h"
#include "session.h"
#include "settings/settings_ranges.h"

namespace ctl {
namespace {

QString entryLine(const HidEntry& entry)
{
    return QStringList{entry.serial, QString::fromLocal8Bit(entry.path), entry.product}.join(
        QLatin1Char('\t'));
}

int list(Context& c)
{
    const QList<HidEntry> boards = Session::boards();
    if (boards.isEmpty())
        return failure(QStringLiteral("no TorvelM4 board found"));
    const bool details = c.args.isSet(QStringLiteral("details"));
    for (const HidEntry& entry : boards) {
        if (!details) {
            printData(entryLine(entry));
            continue;
        }
        int sharing = 0;
        for (const HidEntry& other : boards)
            sharing += other.serial == entry.serial ? 1 : 0;
        QStringList fields = {entryLine(entry)};
        if (sharing > 1) {
            fields.append(QStringLiteral("serial shared with another board: no details"));
        } else if (c.session.openEntry(entry, Session::Identified) != kExitOk) {
            fields.append(QStringLiteral("no details"));
        } else {
            const DeviceInfo& info = Torvel.info;
            fields.append(firmware::boardVersionText(info));
            fields.append(
                firmware::versionText(info.BootloaderVersionHigh, info.BootloaderVersionLow));
            fields.append(info.BootloaderRunning ? QStringLiteral("bootloader")
                                                 : QStringLiteral("application"));
            fields.append(info.SignatureValid ? QStringLiteral("signed")
                                              : QStringLiteral("unsigned"));
            const bool named = !info.BootloaderRunning &&
                               c.session.waitUntil([&c] { return c.session.nameReplies() > 0; },
                                                   Session::kReplyWaitMs);
            fields.append(named ? Torvel.settings.DriverName : QString());
        }
        c.session.close();
        printData(fields.join(QLatin1Char('\t')));
    }
    return kExitOk;
}

int name(Context& c)
{
    if (c.args.positionals().isEmpty()) {
        if (const int status = c.session.open(Session::Name))
            return status;
        printData(Torvel.settings.DriverName);
        return kExitOk;
    }
    const QString wanted = c.args.positionals().first();
    if (const QString why = settingsrange::checkName(wanted); !why.isEmpty())
        return usageError(why);
    if (const int status = c.session.open(Session::Name))
        return status;
    Torvel.SetDriverName(wanted);
    // As the window's "Write values to driver": the board keeps it over a power cycle.
    Torvel.SaveDriverValues();
    Torvel.settings.DriverName.clear();
    if (!c.session.readName([&wanted] { return Torvel.settings.DriverName == wanted; }))
        return failure(QStringLiteral("board %1 kept the name '%2'")
                           .arg(c.session.serial(), Torvel.settings.DriverName));
    printData(Torvel.settings.DriverName);
    return kExitOk;
}

// Sends the enable command and waits for a record that shows the wanted state.
int enable(Context& c, bool on)
{
    if (const int status = c.session.open(Session::Record))
        return status;
    if (on)
        Torvel.EnableDriver();
    else
        Torvel.SleepDriver();
    const bool reached = c.session.waitUntil(
        [&c, on] {
            return c.session.lost() || (c.session.records() > 0 && Torvel.rt.EnableInput == on);
        },
        Session::kReplyWaitMs);
    if (!reached || c.session.lost())
        return failure(QStringLiteral("board %1 stayed %2 (%3)")
                           .arg(c.session.serial(),
                                on ? QStringLiteral("asleep") : QStringLiteral("enabled"),
                                statusText(Torvel.rt.DriverState)));
    printData(statusText(Torvel.rt.DriverState));
    return kExitOk;
}

int resetFaults(Context& c)
{
    if (const int status = c.session.open(Session::Record))
        return status;
    Torvel.tx[protocol::outbound::kCommand] = protocol::CMD_RESET_FAULTS;
    Torvel.WriteReport();
    // The record after the command tells whether the faults are gone.
    const int sent = c.session.records();
    c.session.waitUntil(
        [&c, sent] {
            return c.session.lost() || (c.session.records() > sent && Torvel.rt.FaultBits == 0);
        },
        Session::kReplyWaitMs);
    if (Torvel.rt.FaultBits != 0) {
        for (const QString& message : faults::messages(Torvel.rt.FaultBits))
            printMessage(message);
        return failure(cformat("faults 0x%02X remain", unsigned(Torvel.rt.FaultBits)));
    }
    if (c.session.lost())
        return failure(QStringLiteral("board %1 disconnected").arg(c.session.serial()));
    printData(QStringLiteral("No faults"));
    return kExitOk;
}

int restart(Context& c)
{
    if (const int status = c.session.open(Session::Identified))
        return status;
    Torvel.RestartDevice();
    return kExitOk;
}

QList<Command> boardCommands()
{
    return {
        {{QStringLiteral("list")},
         QStringLiteral("[--details]"),
         QStringLiteral("List the boards: serial, node, product"),
         QStringLiteral("Prints one line per TorvelM4 board on the bus, fields separated by tabs: "
                        "serial,\nnode and product. With --details each board is opened in "
                        "turn and the line goes\non with firmware version, bootloader version, "
                        "mode (application or bootloader),\nsignature (signed or unsigned) and "
                        "name. Exits 1 when no board is found."),
         {{QStringLiteral("details"), QString(),
           QStringLiteral("Open each board for its versions, mode, signature and name.")}},
         0,
         0,
         list},
        {{QStringLiteral("name")},
         QStringLiteral("[NEW]"),
         QStringLiteral("Print the board's name, or set it"),
         QStringLiteral("Without NEW prints the board's name. With NEW (at most 32 Latin-1 "
                        "characters)\nsets the name, stores it in the board together with the "
                        "driver values it runs\nwith, reads it back and prints it."),
         {},
         0,
         1,
         name},
        {{QStringLiteral("run")},
         QString(),
         QStringLiteral("Take the driver out of sleep"),
         QStringLiteral("Enables the driver and waits until the board reports it enabled; "
                        "prints the driver\nstate."),
         {},
         0,
         0,
         [](Context& c) { return enable(c, true); }},
        {{QStringLiteral("sleep")},
         QString(),
         QStringLiteral("Put the driver to sleep"),
         QStringLiteral("Puts the driver to sleep and waits until the board reports it asleep; "
                        "prints the\ndriver state."),
         {},
         0,
         0,
         [](Context& c) { return enable(c, false); }},
        {{QStringLiteral("reset-faults")},
         QString(),
         QStringLiteral("Clear the board's faults"),
         QStringLiteral("Asks the board to clear its faults. Exits 1, listing them, when faults "
                        "remain."),
         {},
         0,
         0,
         resetFaults},
        {{QStringLiteral("restart")},
         QString(),
         QStringLiteral("Restart the board"),
         QStringLiteral("Restarts the board; it leaves the bus and comes back."),
         {},
         0,
         0,
         restart},
    };
}

const Registration kRegistration(kBoardGroup, boardCommands);
} // namespace
} // namespace ctl
