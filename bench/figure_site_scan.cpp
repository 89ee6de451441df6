// Figure 12: `timeclock-setup scan` of eight lines at once (one simulator serving eight, --lines 8) against
// the scan of one line, in the same run: lines scanned side by side take about as long as one. Then the same
// through ser2net, one server with eight ports in front of the eight lines, where ser2net is installed.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include "serial_server.h"

namespace bench {

namespace {

constexpr int SiteLines = 8;

// The whole scan of every number on `devices`, from spawn to exit; nobody answers on any line.
double scanSeconds(const QStringList &devices)
{
    QStringList arguments{QStringLiteral("scan")};
    for (const QString &device : devices)
        arguments << QStringLiteral("--port") << device;
    const ProgramRun run = runProgramToEnd(arguments);
    // Exit code 1: nobody answered on any line.
    if (run.exitCode != 1)
        abortBenchmark(QStringLiteral("timeclock-setup scan of %1 silent lines ended with exit code %2")
                           .arg(devices.size())
                           .arg(run.exitCode));
    return double(run.endNs - run.spawnNs) / NsPerMs / 1000.0;
}

// One line's scan and eight lines' in turn, so that a busy moment of the machine falls on both alike; the
// rows of the table say `how`.
void measureSideBySide(const Setup &setup, Report &report, const QStringList &lines, const QString &how)
{
    std::vector<double> one, eight, ratios;
    for (int run = 0; run < setup.counts.scanRuns; ++run) {
        one.push_back(scanSeconds({lines.constFirst()}));
        eight.push_back(scanSeconds(lines));
        ratios.push_back(eight.back() / one.back());
    }
    report.addDetail(QStringLiteral("12: scan of 0-255 on one silent line %1, s: ").arg(how) + fixedEach(one, 2));
    report.addDetail(QStringLiteral("12: scan of 0-255 on eight silent lines at once %1, s: ").arg(how) + fixedEach(eight, 2));
    report.add({.figure = QStringLiteral("12"),
                .what = QStringLiteral("`timeclock-setup scan` of 0–255 on 8 silent lines at once, %1, spawn to exit").arg(how),
                .spread = spreadOf(eight),
                .decimals = 2,
                .unit = QStringLiteral("s"),
                .runs = QString::number(setup.counts.scanRuns)});
    const Spread ratio = spreadOf(ratios);
    report.add({.figure = QStringLiteral("12"),
                .what = QStringLiteral("… ratio to one line's scan taking turns with it, 8 lines / 1 line"),
                .spread = ratio,
                .decimals = 3,
                .runs = QString::number(setup.counts.scanRuns),
                .target = QStringLiteral("≤ 1.15"),
                .met = yesNo(ratio.max <= 1.15)});
}

} // namespace

void measureSiteScan(const Setup &setup, Report &report)
{
    const QStringList silentLines{QStringLiteral("--lines"), QString::number(SiteLines), QStringLiteral("--silence"),
                                  QStringLiteral("all")};
    auto simulator = startSimulator(silentLines);
    measureSideBySide(setup, report, simulator->devicePaths(),
                      QStringLiteral("pseudo-terminals of one simulator (`timeclock-sim --lines 8 --silence all`)"));
    stopSimulator(*simulator);

    if (SerialServer::program().isEmpty()) {
        report.addDetail(QStringLiteral("12: ser2net is not installed; its rows left out"));
        return;
    }
    auto served = startSimulator(silentLines);
    SerialServer server(SerialServer::Kind::Rfc2217NoCharDelay, served->devicePaths());
    if (!server.start())
        abortBenchmark(QStringLiteral("ser2net did not start: %1").arg(server.errors()));
    measureSideBySide(setup, report, server.urls(),
                      QStringLiteral("through one ser2net with eight ports (`rfc2217://`, `chardelay: false`)"));
    server.stop();
    stopSimulator(*served);
}

} // namespace bench
