#pragma once

// The program without its window: one terminal command per run, for scripts and for setting up terminals
// in a row. Needs no display and loads no platform plugin.

// Whether the arguments ask for the command line (a command word first) rather than the window.
bool isCommandLineRun(int argc, char *argv[]);

// Runs the command the arguments name and returns the process's exit code.
int runCommandLine(int argc, char *argv[]);
