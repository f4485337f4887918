// Choosing the board and connecting it through the device object, as the
// window does: by --serial, or the only board on the bus; its lock is held
// for the whole command, restarts included. Waiting runs the event loop, so
// the device object's timers and signals work as in the window.
#pragma once

#include "device/board_lock.h"
#include "device/hid_port.h"

#include <QList>
#include <QMetaObject>
#include <QString>
#include <functional>

class TorvelDRV;

namespace ctl {

class Answerer;

class Session {
public:
    // What a command needs before it starts.
    enum Need {
        Opened = 0,                        // the board was opened; whatever its identification did
        Identified = 1 << 0,               // it answered its identification and is still connected
        Application = 1 << 1 | Identified, // and runs its application, not the bootloader
        Values = 1 << 2 | Application,     // and its driver values arrived
        Name = 1 << 3 | Application,       // and its name arrived
        Record = 1 << 4 | Application,     // and a first live record arrived
    };

    static constexpr int kReplyWaitMs = 1500;

    Session(const QString& serial, Answerer& answerer);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The TorvelM4 boards on the bus, in enumeration order.
    static QList<HidEntry> boards();

    // Chooses, locks, connects and identifies the board and waits for what is
    // needed. kExitOk when ready; otherwise it has said why on stderr and
    // returns the exit status.
    int open(int needs);
    // Connects one listed board (for "list --details"); same results as open().
    int openEntry(const HidEntry& entry, int needs);
    // Closes the link and gives the lock back.
    void close();

    // Runs the event loop until done() holds, the time (-1: none) has run
    // out or the user interrupts; returns done().
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);
    // Asks for the driver values (or the name) again and waits for a reply
    // after which shows() holds: earlier replies may still be on their way.
    bool readValues(const std::function<bool()>& shows);
    bool readName(const std::function<bool()>& shows);

    QString serial() const { return m_serial; }
    bool lost() const { return m_opened && !m_connected; }
    int records() const { return m_records; }
    int nameReplies() const { return m_names; }
    // Identification exchanges that ended with the board answering.
    int identifications() const { return m_identifications; }
    int disconnects() const { return m_disconnects; }

private:
    int fail(int status, const QString& message);
    // Sends request and waits for a reply counted in replies after which
    // shows() holds.
    bool askAndWait(void (TorvelDRV::*request)(), const int& replies,
                    const std::function<bool()>& shows);

    QString m_wantedSerial;
    Answerer& m_answerer;
    QString m_serial;
    BoardLock m_lock;
    bool m_opened = false;
    bool m_connected = false;
    int m_records = 0;
    int m_values = 0;
    int m_names = 0;
    int m_identifications = 0;
    int m_disconnects = 0;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace ctl
