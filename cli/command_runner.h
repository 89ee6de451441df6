#pragma once

#include "command_session.h"
#include "command_table.h"

#include <optional>

// Runs one terminal command through the window's CommandSession and returns when it has finished and the
// port is closed again. Called from the top of the command line, never from inside a running event loop.
struct CommandRun
{
    CommandResult result;
    // From the port being opened to the port closed again; nothing when the port never opened.
    std::optional<qint64> elapsedMs;
};

CommandRun runTerminalCommand(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs);

// The same for a task of its own (a scan).
CommandRun runTerminalTask(const PortChoice &port, std::unique_ptr<TerminalTask> task);
