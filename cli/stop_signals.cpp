#include "stop_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

int stopPipe[2] = {-1, -1};
bool installed = false;
// Set from a signal handler, and on Windows from the console's own handler thread: only a lock-free atomic
// is safe in both.
std::atomic<int> receivedSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
bool stopRequested = false;

// Only async-signal-safe work here.
void onStopSignal(int signal)
{
    const int savedErrno = errno;
    receivedSignal.store(signal);
#ifndef _WIN32
    if (stopPipe[1] >= 0) {
        const char byte = char(signal);
        [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
    }
#endif
    errno = savedErrno;
}

} // namespace

namespace StopSignals {

void install()
{
    if (installed)
        return;
    installed = true;
#ifdef _WIN32
    // The console's Ctrl-C arrives as SIGINT on a thread of its own; the flag is looked at by a timer.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#else
    // Without the pipe (no file descriptor left) the signals are still caught: the waits then look at the
    // flag instead, and a signal ends the command as it should rather than the program mid-frame.
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        stopPipe[0] = stopPipe[1] = -1;
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
    return receivedSignal.load();
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
    return receivedSignal.load() != 0 || stopRequested;
}

} // namespace StopSignals
