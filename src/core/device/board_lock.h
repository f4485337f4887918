// One board, one program: an advisory lock per board, keyed by its serial, so
// that the window and the command-line program never drive the same board at
// once (hidraw lets two processes open one node, and each then gets half of
// the reports). The lock is an flock()ed file in the user's runtime directory
// that names the program holding it and its pid.
#pragma once

#include <QByteArray>
#include <QString>

class BoardLock {
public:
    BoardLock() = default;
    BoardLock(const BoardLock&) = delete;
    BoardLock& operator=(const BoardLock&) = delete;
    ~BoardLock();

    // Takes the lock of the board with this serial (a board without one is
    // keyed by its node). False when another process holds it; holder() then
    // names that program. Within one process the lock is shared, so taking it
    // again while this process holds it succeeds. Where no lock file can be
    // made at all, it succeeds without holding anything rather than keep every
    // board closed.
    bool acquire(const QString& serial, const QByteArray& path);
    // Gives this object's share back; the file is unlocked with the last share.
    void release();
    bool held() const { return !m_file.isEmpty(); }
    // "name (pid N)" of the program that held the lock at the last refusal.
    QString holder() const { return m_holder; }

    // $XDG_RUNTIME_DIR, else a folder of this user's own in the temporary
    // directory; empty when neither can be had.
    static QString directory();
    // The lock file of a board: its serial made safe for a file name, always
    // directly inside directory(); empty when there is no such folder.
    static QString fileFor(const QString& serial, const QByteArray& path);

private:
    QString m_file; // the lock file while this object holds a share
    QString m_holder;
};
