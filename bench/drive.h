#pragma once

// What several figures do alike: start and stop the simulated time clock, and drive the program's serial
// link against it.

#include "exchange.h"
#include "logo_file.h"
#include "sim_process.h"

#include <QStringList>

class CommandSession;

#include <functional>
#include <memory>
#include <vector>

namespace bench {

constexpr quint8 MachineNumber = 18; // the simulator's machine number fresh from the factory
constexpr int GuardMs = 30'000;      // a run that takes this long has failed
constexpr double LineLimitMs =
    32.0 * (1 + 20 + 1) * 10 / 9600 * 1000; // a logo download at 9600 8N1: 733.3 ms

// timeclock-sim with its output read when it stops, so that nothing here is woken while it reports.
std::unique_ptr<sim::SimProcess> startSimulator(const QStringList &options);
// Ends it; a simulator that did not end cleanly aborts the benchmark.
void stopSimulator(sim::SimProcess &simulator);

// The program (timeclock-setup) run to its end with these arguments, its output thrown away: the moments
// just before it was spawned and just after it ended, and its exit code (-1 when it did not exit).
struct ProgramRun
{
    qint64 spawnNs = 0;
    qint64 endNs = 0;
    int exitCode = -1;
};
ProgramRun runProgramToEnd(const QStringList &arguments);

// Exchange `index` of a run of logo-line exchanges: the sample logo's lines in turn.
Exchange logoLineExchange(const LogoPicture &logo, int index);

struct BurstResult
{
    qint64 startNs = 0;
    std::vector<qint64> finishedAtNs; // when each exchangeFinished reached the driver
};

// `count` exchanges through SerialLink, each begun as soon as the one before has its outcome.
BurstResult exchangesBackToBack(const QString &device, int count,
                                const std::function<Exchange(int)> &exchangeAt);

// For every reply byte the simulator wrote, the time it handed that byte to the line. (A logo line is
// answered with one byte, so byte i ends exchange i.)
std::vector<qint64> replyByteStamps(const sim::OutputReader &output);

struct DownloadSpan
{
    qint64 startNs = 0;
    qint64 messageNs = 0;            // "下载完成！" reported
    qint64 finishedNs = 0;           // the port closed again
    std::vector<qint64> lineBegunNs; // LogoDownloadTask's progress: line k begun, so reply k-1 seen
};

// One download through the program's own path, from run() to the port closed again; a download that does
// not end with "下载完成！" aborts the benchmark.
DownloadSpan programDownload(CommandSession &session, const QString &device, const LogoPicture &logo);

} // namespace bench
