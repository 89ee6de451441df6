#include "command_runner.h"

#include "command_history.h"
#include "output.h"
#include "stop_signals.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <optional>
#include <vector>

CommandRun runTerminalCommand(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs)
{
    CommandRun run = runTerminalTask(port, makeCommandTask(command, inputs));
    if (const auto problem = CommandHistory::appendCommand(port, command, inputs, run.result))
        printError(*problem);
    return run;
}

CommandRun runTerminalTask(const PortChoice &port, std::unique_ptr<TerminalTask> task)
{
    std::vector<std::unique_ptr<TerminalTask>> tasks;
    tasks.push_back(std::move(task));
    return runTerminalTasks({port}, std::move(tasks)).constFirst();
}

QList<CommandRun> runTerminalTasks(const QList<PortChoice> &ports, std::vector<std::unique_ptr<TerminalTask>> tasks,
                                   const std::function<void(qsizetype index)> &onFinished)
{
    // Every line its own session on this one event loop: each waits for its own answers, none for another's.
    std::vector<std::unique_ptr<CommandSession>> sessions;
    QList<std::optional<CommandResult>> results(ports.size());
    QList<std::optional<qint64>> elapsedMs(ports.size());
    qsizetype running = ports.size();
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    for (qsizetype index = 0; index < ports.size(); ++index) {
        auto &session = sessions.emplace_back(std::make_unique<CommandSession>());
        QObject::connect(session.get(), &CommandSession::finished, &loop, [&, index](const CommandResult &finished) {
            results[index] = finished;
            elapsedMs[index] = elapsed.elapsed();
            if (onFinished)
                onFinished(index);
            if (--running == 0)
                loop.quit();
        });
    }
    const auto stopAll = [&sessions] {
        for (const auto &session : sessions) {
            if (session->isRunning())
                session->requestStop();
        }
    };
    // A stop signal ends the command after the exchange on the line, so the port is released cleanly.
    std::optional<QSocketNotifier> stopWatch;
    QTimer stopPoll;
    if (StopSignals::watchFd() >= 0) {
        stopWatch.emplace(StopSignals::watchFd(), QSocketNotifier::Read);
        // The byte stays in the pipe for every later wait to see, so the notifier is switched off, not drained.
        QObject::connect(&*stopWatch, &QSocketNotifier::activated, &loop, [&stopWatch, &stopAll] {
            stopWatch->setEnabled(false);
            stopAll();
        });
    } else {
        QObject::connect(&stopPoll, &QTimer::timeout, &loop, [&stopAll] {
            if (StopSignals::stopAsked())
                stopAll();
        });
        stopPoll.start(100);
    }
    for (qsizetype index = 0; index < ports.size(); ++index)
        sessions.at(size_t(index))->run(ports.at(index), std::move(tasks.at(size_t(index))));
    if (StopSignals::stopAsked())
        stopAll();
    // A local port that does not open, or a stop asked while a network port was opening, has finished its
    // command already.
    if (running > 0)
        loop.exec();
    QList<CommandRun> runs;
    for (qsizetype index = 0; index < ports.size(); ++index) {
        if (results.at(index)->status == CommandStatus::PortOpenFailed)
            runs.append({*results.at(index), std::nullopt});
        else
            runs.append({*results.at(index), elapsedMs.at(index)});
    }
    return runs;
}
