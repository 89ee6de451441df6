#pragma once

#include "command_session.h"
#include "command_table.h"

#include <QList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

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

// One task on each port, side by side on the one event loop; returns when every one has finished, with
// their runs in the order of `ports`. A port that does not open or is lost ends its own task only.
// `onFinished` is told the index of each as it finishes.
QList<CommandRun> runTerminalTasks(const QList<PortChoice> &ports, std::vector<std::unique_ptr<TerminalTask>> tasks,
                                   const std::function<void(qsizetype index)> &onFinished = {});
