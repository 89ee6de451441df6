// Figure 9: `timeclock-setup scan` over every machine number, 0 to 255, on a line where no terminal
// answers: the longest a technician waits to learn the line is empty.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

namespace bench {

namespace {

// The whole scan with its default wait, from spawn to exit; the run is expected to find nobody.
double scanSeconds(const QString &device)
{
    const ProgramRun run = runProgramToEnd({QStringLiteral("scan"), QStringLiteral("--port"), device});
    // Exit code 1: nobody answered, as on an empty line.
    if (run.exitCode != 1)
        abortBenchmark(QStringLiteral("timeclock-setup scan on an empty line ended with exit code %1").arg(run.exitCode));
    return double(run.endNs - run.spawnNs) / NsPerMs / 1000.0;
}

} // namespace

void measureScan(const Setup &setup, Report &report)
{
    auto simulator = startSimulator({QStringLiteral("--silence"), QStringLiteral("all")});
    std::vector<double> seconds;
    for (int run = 0; run < setup.counts.scanRuns; ++run)
        seconds.push_back(scanSeconds(simulator->devicePath()));
    stopSimulator(*simulator);
    report.addDetail(QStringLiteral("9: scan of 0-255 on a silent line, s: ") + fixedEach(seconds, 2));
    const Spread spread = spreadOf(seconds);
    report.add({.figure = QStringLiteral("9"),
                .what = QStringLiteral("`timeclock-setup scan` of machine numbers 0–255 on a line where nobody "
                                       "answers, default short wait, spawn to exit"),
                .spread = spread,
                .decimals = 2,
                .unit = QStringLiteral("s"),
                .runs = QString::number(setup.counts.scanRuns),
                .target = QStringLiteral("≤ 8 s"),
                .met = yesNo(spread.max <= 8.0)});
}

} // namespace bench
