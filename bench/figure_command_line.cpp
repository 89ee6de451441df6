// Figure 8: the command line from process start to its first byte on the line: how long a script waits
// before `timeclock-setup read-serial` is talking to the terminal.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace bench {

namespace {

// Runs `timeclock-setup read-serial --port DEVICE` to its end, its output thrown away; returns the
// moment just before it was spawned.
qint64 runReadSerial(const QString &device)
{
    QByteArray program = QByteArrayLiteral(TIMECLOCK_SETUP_PATH);
    QByteArray command = QByteArrayLiteral("read-serial");
    QByteArray portOption = QByteArrayLiteral("--port");
    QByteArray devicePath = device.toLocal8Bit();
    char *argv[] = {program.data(), command.data(), portOption.data(), devicePath.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const qint64 spawnNs = monotonicNs();
    const int spawnError = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0)
        abortBenchmark(QStringLiteral("cannot start %1").arg(QString::fromLocal8Bit(program)));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        abortBenchmark(QStringLiteral("timeclock-setup read-serial failed (status %1)").arg(status));
    return spawnNs;
}

} // namespace

void measureCommandLineStart(const Setup &setup, Report &report)
{
    // One simulator for every run; its timestamps say when each run's first byte arrived.
    auto simulator = startSimulator({QStringLiteral("--timestamps")});
    runReadSerial(simulator->devicePath()); // warms the caches; not counted
    std::vector<qint64> spawns;
    for (int run = 0; run < setup.counts.startups; ++run)
        spawns.push_back(runReadSerial(simulator->devicePath()));
    stopSimulator(*simulator);

    std::vector<double> firstByteMs;
    const QList<sim::LineChunk> chunks = simulator->reader().chunks();
    for (const qint64 spawnNs : spawns) {
        const auto first = std::find_if(chunks.cbegin(), chunks.cend(), [spawnNs](const sim::LineChunk &chunk) {
            return !chunk.transmitted() && chunk.stampNs && *chunk.stampNs > spawnNs;
        });
        if (first == chunks.cend())
            abortBenchmark(QStringLiteral("a run of timeclock-setup read-serial put nothing on the line"));
        firstByteMs.push_back(double(*first->stampNs - spawnNs) / NsPerMs);
    }
    report.addDetail(QStringLiteral("8: process start -> first byte on the line, ms: ") + fixedEach(firstByteMs, 1));
    report.add({.figure = QStringLiteral("8"),
                .what = QStringLiteral("Command line: spawn of `timeclock-setup read-serial` → its first byte read by "
                                       "the simulator (first run not counted)"),
                .spread = spreadOf(firstByteMs),
                .unit = QStringLiteral("ms"),
                .runs = QString::number(setup.counts.startups)});
}

} // namespace bench
