// Board selection, connection and waiting.
#include "session.h"

#include "answerer.h"
#include "clock.h"
#include "command.h"
#include "console.h"
#include "device/protocol.h"
#include "device/torveldrv.h"
#include "firmware/version_rules.h"
#include "interrupt.h"

#include <QTimer>
#include <algorithm>

namespace ctl {
namespace {
// Wakes the event loop now and then, so that time-outs end a wait even when
// no timer of the device object is running.
constexpr int kWakeMs = 50;

QString describe(const HidEntry& entry)
{
    return QStringLiteral("  %1  %2  %3")
        .arg(entry.serial.isEmpty() ? QStringLiteral("(no serial)") : entry.serial,
             QString::fromLocal8Bit(entry.path), entry.product);
}
} // namespace

Session::Session(const QString& serial, Answerer& answerer)
    : m_wantedSerial(serial), m_answerer(answerer)
{
    m_connections.append(QObject::connect(&Torvel, &TorvelDRV::newRTDataAvailable, [this] {
        if (Torvel.connected)
            ++m_records;
    }));
    // The receive path raises one signal for both replies; the reply code
    // still in the inbound buffer tells them apart.
    m_connections.append(QObject::connect(&Torvel, &TorvelDRV::newDriverValuesAvailable, [this] {
        if (Torvel.rx[protocol::inbound::kReplyCode] == protocol::REPLY_VALUES)
            ++m_values;
        else if (Torvel.rx[protocol::inbound::kReplyCode] == protocol::REPLY_NAME)
            ++m_names;
    }));
    m_connections.append(QObject::connect(&Torvel, &TorvelDRV::newDriverInfoAvailable, [this] {
        if (Torvel.connected && !m_connected)
            m_opened = true;
        if (!Torvel.connected && m_connected)
            ++m_disconnects;
        m_connected = Torvel.connected;
        // The exchange's last signal comes with the receive timer running again.
        if (Torvel.connected && Torvel.replyReceived && Torvel.rxTimer->isActive())
            ++m_identifications;
    }));
}

Session::~Session()
{
    close();
    for (const QMetaObject::Connection& connection : m_connections)
        QObject::disconnect(connection);
}

QList<HidEntry> Session::boards()
{
    HidEnumeration enumeration;
    enumeration.refresh();
    QList<HidEntry> found;
    const QString only = Torvel.onlySerial;
    Torvel.onlySerial.clear();
    for (const HidEntry& entry : enumeration.entries())
        if (Torvel.matches(entry))
            found.append(entry);
    Torvel.onlySerial = only;
    return found;
}

int Session::fail(int status, const QString& message)
{
    printMessage(message);
    return status;
}

int Session::open(int needs)
{
    const QList<HidEntry> all = boards();
    QList<HidEntry> chosen;
    for (const HidEntry& entry : all)
        if (m_wantedSerial.isEmpty() || entry.serial == m_wantedSerial)
            chosen.append(entry);
    if (chosen.isEmpty() && m_wantedSerial.isEmpty())
        return fail(kExitFailed, QStringLiteral("no TorvelM4 board found"));
    if (chosen.isEmpty()) {
        QStringList serials;
        for (const HidEntry& entry : all)
            serials.append(entry.serial);
        return fail(kExitFailed, QStringLiteral("no TorvelM4 board with serial %1 (found: %2)")
                                     .arg(m_wantedSerial,
                                          serials.isEmpty() ? QStringLiteral("none")
                                                            : serials.join(QStringLiteral(", "))));
    }
    if (m_wantedSerial.isEmpty() && chosen.size() > 1) {
        printMessage(
            QStringLiteral("%1 boards found; choose one with --serial:").arg(chosen.size()));
        for (const HidEntry& entry : chosen)
            printRaw(describe(entry) + QLatin1Char('\n'));
        return kExitUsage;
    }
    return openEntry(chosen.first(), needs);
}

int Session::openEntry(const HidEntry& entry, int needs)
{
    close();
    m_serial = entry.serial;
    const QString who = QStringLiteral("board %1").arg(m_serial);
    if (!m_lock.acquire(entry.serial, entry.path))
        return fail(kExitFailed, QStringLiteral("%1 is in use by %2").arg(who, m_lock.holder()));
    Torvel.onlySerial = entry.serial;
    Torvel.StartTimers();
    const int noticesBefore = m_answerer.notices();
    Torvel.USBEnumTimerHandler();
    if (!m_opened)
        return m_answerer.notices() > noticesBefore
                   ? kExitFailed
                   : fail(kExitFailed, QStringLiteral("cannot open %1").arg(who));
    if (!(needs & Identified))
        return kExitOk;
    if (!Torvel.connected)
        return fail(kExitFailed, QStringLiteral("%1 left the bus").arg(who));
    if (!Torvel.replyReceived)
        return fail(kExitFailed, QStringLiteral("%1 does not answer its identification").arg(who));
    if ((needs & Application) == Application && Torvel.info.BootloaderRunning)
        return fail(kExitFailed,
                    QStringLiteral("%1 runs its bootloader (firmware %2); '%3 firmware "
                                   "update' flashes it")
                        .arg(who, firmware::boardVersionText(Torvel.info), programName()));
    if ((needs & Values) == Values &&
        (!waitUntil([this] { return m_values > 0 || lost(); }, kReplyWaitMs) || lost()))
        return fail(kExitFailed, QStringLiteral("%1 sent no driver values").arg(who));
    if ((needs & Name) == Name &&
        (!waitUntil([this] { return m_names > 0 || lost(); }, kReplyWaitMs) || lost()))
        return fail(kExitFailed, QStringLiteral("%1 sent no name").arg(who));
    if ((needs & Record) == Record &&
        (!waitUntil([this] { return m_records > 0 || lost(); }, kReplyWaitMs) || lost()))
        return fail(kExitFailed, QStringLiteral("%1 sends no live data").arg(who));
    if (lost())
        return fail(kExitFailed, QStringLiteral("%1 disconnected").arg(who));
    return kExitOk;
}

void Session::close()
{
    if (Torvel.connected)
        Torvel.DisconnectDevice();
    Torvel.onlySerial.clear();
    m_lock.release();
    m_opened = false;
    m_connected = false;
    m_records = m_values = m_names = m_identifications = m_disconnects = 0;
}

bool Session::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const std::int64_t start = timing::nowMs();
    while (!done()) {
        const std::int64_t waited = timing::nowMs() - start;
        if (interruptRequested() || (timeoutMs >= 0 && waited >= timeoutMs))
            return false;
        const std::int64_t left = timeoutMs < 0 ? kWakeMs : timeoutMs - waited;
        timing::clock().runEvents(int(std::min<std::int64_t>(kWakeMs, left)));
    }
    return true;
}

bool Session::askAndWait(void (TorvelDRV::*request)(), const int& replies,
                         const std::function<bool()>& shows)
{
    const int seen = replies;
    (Torvel.*request)();
    return waitUntil([&] { return lost() || (replies > seen && shows()); }, kReplyWaitMs) &&
           !lost();
}

bool Session::readValues(const std::function<bool()>& shows)
{
    return askAndWait(&TorvelDRV::GetDriverValues, m_values, shows);
}

bool Session::readName(const std::function<bool()>& shows)
{
    return askAndWait(&TorvelDRV::GetDriverName, m_names, shows);
}

} // namespace ctl
