// Settings files on disk: the size-checked read and the atomic write around
// the pure functions of settings_file.h.
#pragma once

#include "settings/settings_file.h"

#include <QByteArray>
#include <QString>

namespace settingsfile {

// Reads a whole regular file. TooLarge when it holds more than kMaxFileBytes
// (checked before reading, and never more than one byte past the limit is
// read, so a growing file or a device cannot exhaust memory); Unreadable when
// it is missing, not a regular file or cannot be read.
Status readFileBytes(const QString& fileName, QByteArray& bytes);

// Replaces the file with bytes through a temporary file renamed over it, so
// a failed write leaves the old file whole; a missing folder is made first.
// False when nothing was replaced.
bool writeFileBytes(const QString& fileName, const QByteArray& bytes);

} // namespace settingsfile
