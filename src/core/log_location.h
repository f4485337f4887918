// Where the window keeps its log file: the working directory when the tool is
// started from a shell there, otherwise the user's state directory, so that a
// start from the desktop menu leaves nothing in the home folder.
#pragma once

#include <QString>
#include <QStringList>

namespace logLocation {

inline const QString kFileName = QStringLiteral("log.txt");

// What the choice depends on, gathered by current() or given by a test.
struct Places {
    QString workingDir;   // absolute, symbolic links resolved
    QString home;         // absolute, symbolic links resolved; empty when unknown
    QString xdgStateHome; // the variable as set: may be empty or relative
    bool workingDirWritable = false;
};

// $XDG_STATE_HOME/torvelm4/log.txt; ~/.local/state/torvelm4/log.txt when the
// variable is unset, empty or relative (such a value is to be ignored); empty
// when neither is known.
QString stateFile(const Places& places);

// The log files to try, best first: log.txt in a writable working directory
// other than home, then the state directory's file. May be empty.
QStringList candidates(const Places& places);

// The places of this process.
Places current();

} // namespace logLocation
