#include "command_runner.h"

#include "command_history.h"
#include "output.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <optional>

CommandRun runTerminalCommand(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs)
{
    CommandRun run = runTerminalTask(port, commandRow(command).openPort, makeCommandTask(command, inputs));
    if (const auto problem = CommandHistory::append(historyEntryFor(port, command, inputs, run.result)))
        printError(*problem);
    return run;
}

CommandRun runTerminalTask(const PortChoice &port, OpenPortFirst openPort, std::unique_ptr<TerminalTask> task)
{
    CommandSession session;
    QEventLoop loop;
    std::optional<CommandResult> result;
    QObject::connect(&session, &CommandSession::finished, &loop, [&](const CommandResult &finished) {
        result = finished;
        loop.quit();
    });
    QElapsedTimer elapsed;
    elapsed.start();
    session.run(port, openPort, std::move(task));
    // A port that does not open finishes the command within run().
    if (!result)
        loop.exec();
    return {*result, elapsed.elapsed()};
}
