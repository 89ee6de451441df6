#include "command_runner.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <optional>

CommandRun runTerminalCommand(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs)
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
    session.run(port, makeCommandTask(command, inputs));
    // A port that does not open finishes the command within run().
    if (!result)
        loop.exec();
    return {*result, elapsed.elapsed()};
}
