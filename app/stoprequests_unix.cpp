#include "app/stoprequests.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only do what is safe in a signal: it tells the event loop, through a
// socket, with one byte. The socket pair lives as long as the process, so that a signal
// during the teardown never writes to a descriptor since reused.
int signalSocket[2] = {-1, -1};

void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    (void)!::write(signalSocket[0], &byte, 1);
    errno = saved;
}

void closeWindows()
{
    char bytes[16];
    while (::read(signalSocket[1], bytes, sizeof bytes) > 0) {
    }
    // Every window, a dialog or box too, closes; quit() also ends the loop a dialog
    // may be running in.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

} // namespace

void closeWindowsOnStopRequests()
{
    if (signalSocket[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalSocket) != 0)
        return; // the signals keep their usual effect
    auto *notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, closeWindows);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}
