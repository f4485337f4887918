// Settings files (".tvs"): INI text with the record's twelve keys in the group
// DriverSettings. Pure functions over a file's bytes, with no file name, no
// widget and no QSettings, so the window and the command-line program read,
// write and compare files the same way.
//
// Reading is data only: a value is a number, a name, or "not a number"; no
// value is ever turned into a typed object ("@Variant(...)" is just text that
// is not a number). Comments (";", "#"), blank lines, lines without "=", a
// UTF-8 byte-order mark and CRLF or CR line ends are accepted.
#pragma once

#include "settings/drv_settings.h"

#include <QByteArray>
#include <QStringList>

namespace settingsfile {

// Larger files are refused before anything is parsed.
constexpr int kMaxFileBytes = 64 * 1024;

extern const char* const kGroup; // "DriverSettings"
// The record's keys in the order they are set and written.
constexpr int kKeyCount = 12;
extern const char* const kKeys[kKeyCount];

enum class Status {
    Ok,
    Unreadable, // the file cannot be opened or read (set by the file wrappers)
    Unwritable, // the new file could not be written (set by the file wrappers)
    TooLarge,   // more than kMaxFileBytes
    NotText,    // holds NUL or other control bytes than tab, line and page ends
    NoSettings, // holds none of the record's keys in the group
};

// One line of text for a status other than Ok, e.g. "larger than 64 KiB".
QString describe(Status status);

struct ReadResult {
    Status status = Status::Ok;
    // Keys present whose values were not finite numbers of their field's
    // type; each read as 0. In the order of kKeys.
    QStringList notNumbers;
    // Keys the group sets, in the order of kKeys; the others took their
    // missing-key values.
    QStringList presentKeys;
};

// Reads a file's bytes into the record. With Ok, every field of kKeys is set:
// from its key, or when the key is missing StepMode, PredriverSpeed and
// DecayMode -1, DriverName empty and the others 0; control characters in the
// name become "?"; DCMotorMode, the counts and the predriver codes are left
// as they are. Any other status leaves the record untouched. Where a key
// appears more than once the last one counts, as for Qt's INI settings.
// Ranges are not checked here: the setup panel clamps what it shows.
ReadResult parse(const QByteArray& bytes, DrvSettings& settings);

struct ComposeResult {
    Status status = Status::Ok; // Ok, TooLarge or NotText (of the old bytes)
    QByteArray bytes;           // the new file with Ok, else empty
};

// The new bytes of a file that held oldBytes (empty for a new file), with the
// record's keys set: each key's first line in the group is rewritten, later
// duplicates dropped and missing keys added to the group (or a new group at
// the end), in the old file's line ends. Every other line, comment, group and
// key stays byte for byte. The result reads back through parse() as the
// record (non-finite reals are written as 0) and through Qt's INI settings.
// Old bytes that are too large or not text are refused, so a wrongly chosen
// file is never overwritten, and so is a result over kMaxFileBytes, which the
// next load would refuse.
ComposeResult compose(const QByteArray& oldBytes, const DrvSettings& settings);

} // namespace settingsfile
