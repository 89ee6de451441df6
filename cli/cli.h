#pragma once

#include <optional>

// The program without its window: one terminal command per run, for scripts and for setting up terminals
// in a row. Needs no display and loads no platform plugin.

// Whether the arguments ask for the command line (a command word first) rather than the window.
bool isCommandLineRun(int argc, char *argv[]);

// Runs the command the arguments name and returns the process's exit code.
int runCommandLine(int argc, char *argv[]);

// For the window on Linux with no display to show it on (no DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM or
// -platform): says so in one line and gives the exit code, instead of Qt's abort in its platform plugin.
std::optional<int> refuseWindowWithoutDisplay(int argc, char *argv[]);
