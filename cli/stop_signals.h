#pragma once

// SIGINT and SIGTERM end a command the way a failure does, never in the middle of a frame: the handler
// only notes the signal and writes a byte to a pipe, which the event loop (or a wait for the operator's
// answer) watches. SIGPIPE is ignored, so a closed standard output is a write error the program reports.
namespace StopSignals {

void install();

// The pipe's end to watch for reading; -1 before install().
int watchFd();

// The signal that asked the program to stop, or 0.
int received();

} // namespace StopSignals
