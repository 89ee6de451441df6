// Figure 8: the command line from process start to its first byte on the line: how long a script waits
// before `timeclock-setup read-serial` is talking to the terminal.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include <algorithm>

namespace bench {

namespace {

// Runs `timeclock-setup read-serial --port DEVICE` to its end; returns the moment just before it was spawned.
qint64 runReadSerial(const QString &device)
{
    const ProgramRun run = runProgramToEnd({QStringLiteral("read-serial"), QStringLiteral("--port"), device});
    if (run.exitCode != 0)
        abortBenchmark(QStringLiteral("timeclock-setup read-serial failed (exit code %1)").arg(run.exitCode));
    return run.spawnNs;
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
