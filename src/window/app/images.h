// The pictures the window reads at start.
#pragma once

#include <QImage>
#include <QString>

namespace images {

// "release/..." looked up in the working directory first, then beside the
// executable, then in the installed data directory; empty when none has it.
QString findReleaseFile(const QString& relativePath);
// The image, or a null image when the file is missing or unreadable.
QImage loadReleaseImage(const QString& relativePath);
// The logo file, or the copy compiled into the program when the file is missing.
QImage logo();

} // namespace images
