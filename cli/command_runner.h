#pragma once

#include "command_session.h"
#include "command_table.h"

// Runs one terminal command through the window's CommandSession and returns when it has finished and the
// port is closed again. Called from the top of the command line, never from inside a running event loop.
struct CommandRun
{
    CommandResult result;
    qint64 elapsedMs = 0;  // from the port being opened to the port closed again
};

CommandRun runTerminalCommand(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs);

// The same for a task of its own (a scan).
CommandRun runTerminalTask(const PortChoice &port, std::unique_ptr<TerminalTask> task);
