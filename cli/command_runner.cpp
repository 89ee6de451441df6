#include "command_runner.h"

#include "command_history.h"
#include "output.h"
#include "stop_signals.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <optional>

CommandRun runTerminalCommand(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs)
{
    CommandRun run = runTerminalTask(port, makeCommandTask(command, inputs));
    if (const auto problem = CommandHistory::append(historyEntryFor(port, command, inputs, run.result)))
        printError(*problem);
    return run;
}

CommandRun runTerminalTask(const PortChoice &port, std::unique_ptr<TerminalTask> task)
{
    CommandSession session;
    QEventLoop loop;
    std::optional<CommandResult> result;
    QObject::connect(&session, &CommandSession::finished, &loop, [&](const CommandResult &finished) {
        result = finished;
        loop.quit();
    });
    // A stop signal ends the command after the exchange on the line, so the port is released cleanly.
    std::optional<QSocketNotifier> stopWatch;
    QTimer stopPoll;
    if (StopSignals::watchFd() >= 0) {
        stopWatch.emplace(StopSignals::watchFd(), QSocketNotifier::Read);
        // The byte stays in the pipe for every later wait to see, so the notifier is switched off, not drained.
        QObject::connect(&*stopWatch, &QSocketNotifier::activated, &session, [&session, &stopWatch] {
            stopWatch->setEnabled(false);
            session.requestStop();
        });
    } else {
        QObject::connect(&stopPoll, &QTimer::timeout, &session, [&session] {
            if (StopSignals::stopAsked())
                session.requestStop();
        });
        stopPoll.start(100);
    }
    QElapsedTimer elapsed;
    elapsed.start();
    session.run(port, std::move(task));
    if (StopSignals::stopAsked())
        session.requestStop();
    // A local port that does not open, or a stop asked while a network port was opening, has finished the
    // command already.
    if (!result)
        loop.exec();
    if (result->status == CommandStatus::PortOpenFailed)
        return {*result, std::nullopt};
    return {*result, elapsed.elapsed()};
}
