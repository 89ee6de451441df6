// Linked into the console twin only (Windows). The command line writes UTF-8; the console shows it as such
// for the length of the run, and gets its own code page back afterwards.
#include <windows.h>

#include <cstdlib>

namespace {
UINT consoleCodePageBefore = 0;

void restoreConsoleCodePage()
{
    SetConsoleOutputCP(consoleCodePageBefore);
}

const bool consoleShowsUtf8 = [] {
    consoleCodePageBefore = GetConsoleOutputCP();
    if (consoleCodePageBefore != 0 && consoleCodePageBefore != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(restoreConsoleCodePage);
    return true;
}();
} // namespace
