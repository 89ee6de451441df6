#include "drive.h"

#include "command_session.h"
#include "guarded_wait.h"
#include "logo_download.h"
#include "measuring.h"
#include "serial_link.h"
#include "status_messages.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace bench {

std::unique_ptr<sim::SimProcess> startSimulator(const QStringList &options)
{
    auto simulator = std::make_unique<sim::SimProcess>(options, sim::SimProcess::Reading::AtStop);
    QString error;
    if (!simulator->start(&error))
        abortBenchmark(error);
    return simulator;
}

void stopSimulator(sim::SimProcess &simulator)
{
    if (!simulator.stop())
        abortBenchmark(QStringLiteral("the simulated time clock did not end cleanly"));
}

Exchange logoLineExchange(const LogoPicture &logo, int index)
{
    const int line = index % LogoLineCount;
    return Exchange{.addressByte = MachineNumber, .commandFrame = logoLineFrame(line, logo.line(line))};
}

BurstResult exchangesBackToBack(const QString &device, int count,
                                const std::function<Exchange(int)> &exchangeAt)
{
    SerialLink link;
    if (link.prepareLink(device))
        abortBenchmark(QStringLiteral("cannot open %1").arg(device));
    BurstResult result;
    result.finishedAtNs.reserve(size_t(count));
    GuardedWait wait(GuardMs);
    bool failed = false;
    QObject::connect(&link, &SerialLink::exchangeFinished, wait.context(),
                     [&](const ExchangeOutcome &outcome) {
                         result.finishedAtNs.push_back(monotonicNs());
                         if (outcome.kind != ExchangeOutcome::Kind::Replied) {
                             failed = true;
                             wait.end();
                         } else if (int(result.finishedAtNs.size()) == count) {
                             wait.end();
                         } else {
                             link.transact(exchangeAt(int(result.finishedAtNs.size())));
                         }
                     });
    wait.endOn(&link, &SerialLink::linkLost);
    result.startNs = monotonicNs();
    link.transact(exchangeAt(0));
    if (!wait.run() || failed || int(result.finishedAtNs.size()) != count)
        abortBenchmark(
            QStringLiteral("an exchange failed after %1 of %2").arg(result.finishedAtNs.size()).arg(count));
    return result;
}

std::vector<qint64> replyByteStamps(const sim::OutputReader &output)
{
    std::vector<qint64> stamps;
    for (const sim::LineChunk &chunk : output.chunks()) {
        if (chunk.transmitted())
            stamps.insert(stamps.end(), size_t(chunk.bytes.size()), chunk.stampNs.value_or(0));
    }
    return stamps;
}

ProgramRun runProgramToEnd(const QStringList &arguments)
{
    QList<QByteArray> words{QByteArrayLiteral(TIMECLOCK_SETUP_PATH)};
    for (const QString &argument : arguments)
        words << argument.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ProgramRun run;
    pid_t pid = 0;
    run.spawnNs = monotonicNs();
    const int spawnError = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0)
        abortBenchmark(QStringLiteral("cannot start %1").arg(QString::fromLocal8Bit(words.constFirst())));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.endNs = monotonicNs();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// One download through the program's own path, from run() to the port closed again.
DownloadSpan programDownload(CommandSession &session, const QString &device, const LogoPicture &logo)
{
    GuardedWait wait(GuardMs);
    QString message;
    DownloadSpan span;
    QObject::connect(&session, &CommandSession::messageReady, wait.context(), [&](const QString &text) {
        span.messageNs = monotonicNs();
        message = text;
    });
    QObject::connect(&session, &CommandSession::finished, wait.context(), [&] {
        span.finishedNs = monotonicNs();
        wait.end();
    });
    span.lineBegunNs.reserve(LogoLineCount);
    span.startNs = monotonicNs();
    session.run(PortChoice{.deviceName = device},
                std::make_unique<LogoDownloadTask>(
                    logo, MachineNumber, [&span](int) { span.lineBegunNs.push_back(monotonicNs()); }));
    if (span.finishedNs == 0)
        wait.run();
    if (message != StatusText::DownloadComplete || span.finishedNs == 0)
        abortBenchmark(QStringLiteral("the download ended with \"%1\"").arg(message));
    return span;
}

} // namespace bench
