#include "app/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int s_pipe[2] = {-1, -1};
volatile sig_atomic_t s_terminated = 0;

void onSignal(int)
{
    // Only async-signal-safe work here: wake the event loop through the pipe.
    s_terminated = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(s_pipe[0], &byte, 1);
}

} // namespace

bool terminationRequested()
{
    return s_terminated != 0;
}

void quitOnTerminationSignals()
{
    if (s_pipe[0] != -1 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(s_pipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(s_pipe[1], &byte, 1);
        // Not quit(): Qt 6 first asks every window to close, and a main window
        // that hides to the tray would cancel the quit.
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}
