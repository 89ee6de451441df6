#pragma once

#include <QString>

// What `timeclock-setup --help` prints: the window, every command, the shared options, JSON and the exit
// codes. The man page is made from it.
QString generalHelp();
