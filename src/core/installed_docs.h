// Where the installed documentation is, for messages that send the user there.
#pragma once

#include <QString>

namespace installedDocs {

// The installed README beside this program's bin/ folder, or an empty string
// when the program runs from a build tree without one.
QString readme();

} // namespace installedDocs
