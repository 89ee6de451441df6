#include "terminal_escapes.h"

#include <QString>

#ifdef Q_OS_WIN
#include <windows.h>

#include <cstdlib>
#endif

namespace {
// TERM=dumb: a terminal that goes back to the start of the line on a carriage return and does nothing more.
bool terminalIsDumb()
{
    return qEnvironmentVariable("TERM") == u"dumb";
}

#ifdef Q_OS_WIN
HANDLE consoleWithEscapesSwitchedOn = nullptr;
DWORD consoleModeBefore = 0;

// The console is the shell's too: it gets its own mode back when the program ends.
void restoreConsoleMode()
{
    SetConsoleMode(consoleWithEscapesSwitchedOn, consoleModeBefore);
}

bool switchOnEscapes()
{
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode))
        return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING)
        return true;
    if (!SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return false;
    consoleWithEscapesSwitchedOn = console;
    consoleModeBefore = mode;
    std::atexit(restoreConsoleMode);
    return true;
}
#endif
} // namespace

bool terminalTakesEscapes()
{
#ifdef Q_OS_WIN
    static const bool takesEscapes = !terminalIsDumb() && switchOnEscapes();
    return takesEscapes;
#else
    return !terminalIsDumb();
#endif
}
