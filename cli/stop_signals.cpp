#include "stop_signals.h"

#include <cerrno>
#include <csignal>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

int stopPipe[2] = {-1, -1};
volatile std::sig_atomic_t receivedSignal = 0;
bool stopRequested = false;

// Only async-signal-safe work here.
void onStopSignal(int signal)
{
    const int savedErrno = errno;
    receivedSignal = signal;
#ifndef _WIN32
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
#endif
    errno = savedErrno;
}

} // namespace

namespace StopSignals {

void install()
{
#ifdef _WIN32
    // The console's Ctrl-C arrives as SIGINT on a thread of its own; the flag is looked at by a timer.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#else
    if (stopPipe[0] >= 0 || ::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

int watchFd()
{
    return stopPipe[0];
}

int received()
{
    return receivedSignal;
}

void requestStop()
{
    if (stopRequested)
        return;
    stopRequested = true;
#ifndef _WIN32
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
#endif
}

bool stopAsked()
{
    return receivedSignal != 0 || stopRequested;
}

} // namespace StopSignals
