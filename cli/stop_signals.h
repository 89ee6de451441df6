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

// Asks the running command to stop as a signal would, with no signal: a scan whose standard output
// went away (`scan | head -1`) has no one left to tell what it finds.
void requestStop();

// Whether a signal or requestStop() asked the program to stop.
bool stopAsked();

} // namespace StopSignals
