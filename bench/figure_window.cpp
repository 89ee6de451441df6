// Figure 5: the window in a process of its own: start-up time, and peak memory of a whole session.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {

namespace {

struct ProbeRun
{
    qint64 spawnNs = 0;
    std::map<QByteArray, qint64> stamps; // MAIN, APP, FORM, SHOWN: see window_probe.cpp
    QByteArray status;
    long maxRssKb = 0;
    int exitCode = -1;
};

// Runs timeclock-bench-window with `arguments` to its end and reads what it printed.
ProbeRun runWindowProbe(const QStringList &arguments)
{
    std::vector<QByteArray> argumentBytes{QByteArrayLiteral(TIMECLOCK_BENCH_WINDOW_PATH)};
    for (const QString &argument : arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        abortBenchmark(QStringLiteral("pipe2 failed"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);

    ProbeRun run;
    pid_t pid = 0;
    run.spawnNs = monotonicNs();
    const int spawnError = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawnError != 0)
        abortBenchmark(QStringLiteral("cannot start %1").arg(QString::fromLocal8Bit(argv[0])));

    QByteArray output;
    const qint64 deadline = monotonicNs() + qint64(GuardMs) * 1'000'000;
    for (;;) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        const int waitMs = int(std::max<qint64>(0, (deadline - monotonicNs()) / 1'000'000));
        const int ready = ::poll(&readable, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t count = ::read(pipeFds[0], buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        output.append(buffer, count);
    }
    ::close(pipeFds[0]);

    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxRssKb = usage.ru_maxrss;
    for (const QByteArray &line : output.split('\n')) {
        const qsizetype space = line.indexOf(' ');
        if (space < 0)
            continue;
        if (line.startsWith("STATUS "))
            run.status = line.mid(space + 1);
        else
            run.stamps[line.left(space)] = line.mid(space + 1).toLongLong();
    }
    if (run.exitCode != 0 || !run.stamps.count("SHOWN"))
        abortBenchmark(QStringLiteral("the window probe failed (exit %1): %2")
                           .arg(run.exitCode)
                           .arg(QString::fromUtf8(output)));
    return run;
}

double msBetween(const ProbeRun &probe, const char *from, const char *to)
{
    return double(probe.stamps.at(to) - probe.stamps.at(from)) / NsPerMs;
}

} // namespace

void measureWindow(const Setup &setup, Report &report)
{
    std::vector<double> startupMs, loadMs, appMs, formMs;
    runWindowProbe({}); // warms the caches; not counted
    for (int run = 0; run < setup.counts.startups; ++run) {
        const ProbeRun probe = runWindowProbe({});
        startupMs.push_back(double(probe.stamps.at("SHOWN") - probe.spawnNs) / NsPerMs);
        loadMs.push_back(double(probe.stamps.at("MAIN") - probe.spawnNs) / NsPerMs);
        appMs.push_back(msBetween(probe, "MAIN", "APP"));
        formMs.push_back(msBetween(probe, "APP", "FORM"));
    }
    report.addDetail(QStringLiteral("5: start-ups, ms: ") + fixedEach(startupMs, 1));
    report.addDetail(
        QStringLiteral("5: of which (medians) spawn -> main() %1 ms, QApplication %2 ms, Form1 %3 ms, "
                       "show -> first paint done %4 ms")
            .arg(fixed(spreadOf(loadMs).median, 1), fixed(spreadOf(appMs).median, 1),
                 fixed(spreadOf(formMs).median, 1),
                 fixed(spreadOf(startupMs).median - spreadOf(loadMs).median - spreadOf(appMs).median -
                           spreadOf(formMs).median,
                       1)));

    std::vector<double> rssMb;
    auto simulator = startSimulator({});
    for (int run = 0; run < setup.counts.memoryRuns; ++run) {
        const ProbeRun probe =
            runWindowProbe({QStringLiteral("--port"), QStringLiteral("1=") + simulator->devicePath(),
                            QStringLiteral("--download")});
        if (probe.status != "ok")
            abortBenchmark(QStringLiteral("the window's download ended with \"%1\"")
                               .arg(QString::fromUtf8(probe.status)));
        rssMb.push_back(double(probe.maxRssKb) * 1024 / 1e6);
    }
    stopSimulator(*simulator);
    report.addDetail(QStringLiteral("5: peak resident memory, MB: ") + fixedEach(rssMb, 1));

    const Spread startup = spreadOf(startupMs);
    report.add(
        {.figure = QStringLiteral("5"),
         .what = QStringLiteral("Start-up: spawn → Form1 first painted (offscreen; first run not counted)"),
         .spread = startup,
         .unit = QStringLiteral("ms"),
         .runs = QString::number(setup.counts.startups),
         .target = QStringLiteral("≤ 250 ms"),
         .met = yesNo(startup.median <= 250)});
    const Spread rss = spreadOf(rssMb);
    report.add({.figure = QStringLiteral("5"),
                .what = QStringLiteral("Peak resident memory: open window, download logo via DOWNLOG, quit "
                                       "(offscreen)"),
                .spread = rss,
                .unit = QStringLiteral("MB"),
                .runs = QString::number(setup.counts.memoryRuns),
                .target = QStringLiteral("≤ 50 MB"),
                .met = yesNo(rss.max <= 50)});
}

} // namespace bench
