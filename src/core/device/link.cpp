// Finding, opening, identifying and closing the board.
#include "device/torveldrv.h"

#include "clock.h"
#include "device/reply_decode.h"
#include "dialogs.h"
#include "installed_docs.h"

#include <QTimer>
#include <exception>

using namespace protocol;

bool TorvelDRV::matches(const HidEntry& entry) const
{
    return entry.manufacturer == maker && entry.vendorId == kVendorId &&
           entry.productId == kProductId && (onlySerial.isEmpty() || entry.serial == onlySerial);
}

void TorvelDRV::reportHidException(const QString& title, const QString& text, const QString& line)
{
    dialogs::inform(title, text);
    log(line);
}

void TorvelDRV::USBEnumTimerHandler()
{
    try {
        enumeration.refresh();
        deviceFound = false;
        QSet<QByteArray> listed;
        for (const HidEntry& entry : enumeration.entries()) {
            // hidraw keeps listing the board this program holds open.
            if (!matches(entry) || (connected && entry.path == device.path()))
                continue;
            listed.insert(entry.path);
            // One board at a time: another one is announced once, never opened.
            if (connected && m_announced.contains(entry.path))
                continue;
            deviceFound = true;
            // A node that could not be opened is retried quietly until it opens or leaves.
            if (!m_unopenable.contains(entry.path))
                log(QStringLiteral("TorvelM4 device found. Serial: ") + entry.serial);
            if (connected)
                m_announced.insert(entry.path);
        }
        m_announced.intersect(listed);
        m_unopenable.intersect(listed);
        if (deviceFound && !connected) {
            ConnectDevice();
            // The other boards of this scan were announced beside the one opened.
            if (connected) {
                listed.remove(device.path());
                m_announced = listed;
            }
        }
    } catch (const std::exception&) {
        reportHidException(
            QStringLiteral("Error enumerating devices"),
            QStringLiteral("Unexpected error occured while enumerating HID devices. Please try "
                           "reconnecting device."),
            QStringLiteral("Unexpected error occured while enumerating HID devices."));
    }
}

bool TorvelDRV::retryingUnopenable() const
{
    for (const HidEntry& entry : enumeration.entries())
        if (matches(entry))
            return m_unopenable.contains(entry.path);
    return false;
}

// On Linux a listed board that cannot be opened almost always lacks the udev
// rule that gives the logged-in user its hidraw node.
void TorvelDRV::reportUnopenable(const QByteArray& path)
{
    const QString node = QString::fromLocal8Bit(path);
    const QString installed = installedDocs::readme();
    const QString guide = installed.isEmpty() ? QStringLiteral("the README") : installed;
    log(QStringLiteral("Cannot open the TorvelM4 device ") + node +
        QStringLiteral(": no permission? Install the udev rule (%1, section Troubleshooting) "
                       "and replug the board; retrying quietly.")
            .arg(guide));
    dialogs::inform(QStringLiteral("Cannot open TorvelM4 device"),
                    QStringLiteral("The TorvelM4 board at %1 was found but cannot be opened, "
                                   "most likely because this user may not access it.\n\n"
                                   "The udev rule 70-torvelm4.rules gives access; the package "
                                   "installs it (see %2, section Troubleshooting). Then run\n\n"
                                   "sudo udevadm control --reload-rules\n"
                                   "sudo udevadm trigger\n\n"
                                   "and replug the board. Over ssh, be a member of the plugdev "
                                   "group:\n\n"
                                   "sudo usermod -aG plugdev $USER\n\n"
                                   "and log in again. The program keeps trying.")
                        .arg(node, guide));
}

void TorvelDRV::ConnectDevice()
{
    const QString failure = QStringLiteral(
        "Unexpected error occured while connecting to a device. Please try reconnecting device.");
    if (!retryingUnopenable())
        log(QStringLiteral("Trying to connect..."));
    try {
        enumeration.refresh();
        for (const HidEntry& entry : enumeration.entries()) {
            if (!matches(entry))
                continue;
            product = entry.product;
            serial = entry.serial;
            const QString who = product + QStringLiteral(" Serial: ") + serial;
            const bool retrying = m_unopenable.contains(entry.path);
            if (!retrying)
                log(QStringLiteral("Connecting to: ") + who + QStringLiteral("..."));
            if (!lock.acquire(entry.serial, entry.path)) {
                m_unopenable.insert(entry.path);
                if (!retrying)
                    reportLocked(entry);
                break;
            }
            if (!device.open(entry.path)) {
                lock.release();
                m_unopenable.insert(entry.path);
                if (!retrying)
                    reportUnopenable(entry.path);
                break;
            }
            connected = true;
            m_announced.clear();
            m_unopenable.remove(entry.path);
            log(QStringLiteral("Connected to: ") + who);
            emit newDriverInfoAvailable();
            rxTimer->start(kRxPeriodMs);
            log(QStringLiteral("RX timer started."));
            break;
        }
        if (connected) {
            GetDeviceInfo();
            if (!info.BootloaderRunning) {
                log(QStringLiteral("Enabling real-time data stream."));
                sendCommand(CMD_RT_STREAM);
            }
        }
    } catch (const std::exception&) {
        reportHidException(QStringLiteral("Error connecting Torvel device"), failure, failure);
    }
}

void TorvelDRV::GetDeviceInfo()
{
    busy = kBusyMark;
    log(QStringLiteral("Getting Torvel device info..."));
    if (!connected)
        return;
    rxTimer->stop();
    rx[inbound::kReplyCode] = inbound::kStale;
    replyReceived = false;
    attempts = 0;
    while (connected && attempts < kInfoAttempts && !replyReceived) {
        ClearHIDReadBuffer();
        // Written anew each time: every send scrambles the buffer in place.
        tx[outbound::kCommand] = CMD_GET_DEVICE_INFO;
        WriteReport();
        WaitMs(kInfoSettleMs);
        ++attempts;
        const std::int64_t pollStart = timing::nowMs();
        while (connected && timing::nowMs() - pollStart < kInfoPollMs) {
            lastResult = device.read(rx, kReportBufferSize);
            if (lastResult < 0) {
                readFailed();
                break;
            }
            if (lastResult == kReplySize && reply::isDeviceInfo(rx)) {
                replyReceived = true;
                break;
            }
            timing::pollPause();
        }
    }
    if (replyReceived) {
        info = reply::decodeDeviceInfo(rx);
        rt.Temperature = reply::deviceInfoTemperature(rx);
        scrambleKey = reply::scrambleKey(info);
        CheckFirmware();
        // A full update inside the check closes the link once the board restarts.
        if (connected) {
            WaitMs(kBetweenRequestsMs);
            GetDriverValues();
            WaitMs(kBetweenRequestsMs);
            GetDriverName();
        }
    } else {
        log(QStringLiteral("Error while getting Device info"));
    }
    if (connected)
        rxTimer->start(kRxPeriodMs);
    busy = 0;
    emit newDriverInfoAvailable();
}

void TorvelDRV::DisconnectDevice()
{
    log(QStringLiteral("Disconnecting device..."));
    rxTimer->stop();
    device.close();
    lock.release();
    rt.Voltage = 0.0;
    rt.Temperature = 0.0;
    rt.Current = 0.0;
    connected = false;
    liveRecord = false;
    scrambleKey = 0;
    emit newDriverInfoAvailable();
    emit newRTDataAvailable();
    log(QStringLiteral("Torvel device disconnected!"));
}

void TorvelDRV::readFailed()
{
    if (connected)
        DisconnectDevice();
}

void TorvelDRV::ClearHIDReadBuffer()
{
    do {
        lastResult = device.read(rx, kReportBufferSize);
    } while (lastResult == kReplySize);
    if (lastResult < 0)
        readFailed();
}
