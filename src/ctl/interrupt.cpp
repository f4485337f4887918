// Signal handlers that only note the signal and wake the event loop.
#include "interrupt.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace ctl {
namespace {
volatile std::sig_atomic_t g_requested = 0;
int g_wakeFds[2] = {-1, -1};

extern "C" void onSignal(int)
{
    g_requested = 1;
    const char byte = 1;
    if (::write(g_wakeFds[1], &byte, 1) < 0)
        return; // the flag alone still ends the command at the next wake-up
}
} // namespace

void installInterruptHandlers()
{
    if (::pipe2(g_wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        g_wakeFds[0] = g_wakeFds[1] = -1;
    if (g_wakeFds[0] >= 0) {
        // Owned by the application object; reading empties the pipe.
        auto* notifier =
            new QSocketNotifier(g_wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, [] {
            char bytes[16];
            while (::read(g_wakeFds[0], bytes, sizeof bytes) > 0) {
            }
        });
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESETHAND; // the second signal takes its default course
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interruptRequested()
{
    return g_requested != 0;
}

} // namespace ctl
