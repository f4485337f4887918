// SIGINT and SIGTERM end the command in an orderly way: its output flushed,
// the board closed. A second signal ends the program at once.
#pragma once

namespace ctl {

// Installs the handlers and a notifier that wakes the event loop; needs the
// application object.
void installInterruptHandlers();
bool interruptRequested();

} // namespace ctl
