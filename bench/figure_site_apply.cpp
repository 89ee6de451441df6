// Figure 13: `timeclock-setup apply` of a profile's settings and logo to eight terminals on eight lines at
// once (one simulator serving eight, --lines 8, each line at 9600 baud) against the same to one terminal on
// one line, in the same run: lines worked side by side take about as long as one.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include <QFile>
#include <QTemporaryDir>

namespace bench {

namespace {

constexpr int SiteLines = 8;

// Settings and the sample logo, the profile beside a temporary folder's report.
QString writeProfile(const QTemporaryDir &folder)
{
    const QString path = folder.filePath(QStringLiteral("site.ini"));
    QFile profile(path);
    if (!profile.open(QIODevice::WriteOnly))
        abortBenchmark(QStringLiteral("cannot write %1").arg(path));
    profile.write(QByteArrayLiteral("[settings]\nmode=door\npicture=true\ndelay=5\nfont=simplified\n[logo]\nfile=")
                  + QByteArrayLiteral(TIMECLOCK_SAMPLE_LOGO) + '\n');
    return path;
}

// The whole apply to the terminal at the factory number on each of `devices`, from spawn to exit.
double applySeconds(const QString &profile, const QStringList &devices)
{
    QStringList arguments{QStringLiteral("apply"), profile, QStringLiteral("--yes"), QStringLiteral("--machines"),
                          QString::number(MachineNumber)};
    for (const QString &device : devices)
        arguments << QStringLiteral("--port") << device;
    const ProgramRun run = runProgramToEnd(arguments);
    if (run.exitCode != 0)
        abortBenchmark(QStringLiteral("timeclock-setup apply to %1 lines ended with exit code %2").arg(devices.size()).arg(run.exitCode));
    return double(run.endNs - run.spawnNs) / NsPerMs / 1000.0;
}

} // namespace

void measureSiteApply(const Setup &setup, Report &report)
{
    QTemporaryDir folder;
    const QString profile = writeProfile(folder);
    auto simulator = startSimulator({QStringLiteral("--lines"), QString::number(SiteLines), QStringLiteral("--line-rate"),
                                     QStringLiteral("9600")});
    const QStringList lines = simulator->devicePaths();
    // One terminal and eight in turn, so that a busy moment of the machine falls on both alike.
    std::vector<double> one, eight, ratios;
    for (int run = 0; run < setup.counts.scanRuns; ++run) {
        one.push_back(applySeconds(profile, {lines.constFirst()}));
        eight.push_back(applySeconds(profile, lines));
        ratios.push_back(eight.back() / one.back());
    }
    stopSimulator(*simulator);
    report.addDetail(QStringLiteral("13: apply of settings and logo to one terminal, s: ") + fixedEach(one, 2));
    report.addDetail(QStringLiteral("13: apply of settings and logo to eight terminals on eight lines at once, s: ") + fixedEach(eight, 2));
    report.add({.figure = QStringLiteral("13"),
                .what = QStringLiteral("`timeclock-setup apply` of settings and logo to 8 terminals on 8 lines at once "
                                       "(`timeclock-sim --lines 8 --line-rate 9600`), spawn to exit"),
                .spread = spreadOf(eight),
                .decimals = 2,
                .unit = QStringLiteral("s"),
                .runs = QString::number(setup.counts.scanRuns)});
    const Spread ratio = spreadOf(ratios);
    report.add({.figure = QStringLiteral("13"),
                .what = QStringLiteral("… ratio to one terminal's apply taking turns with it, 8 lines / 1 line"),
                .spread = ratio,
                .decimals = 3,
                .runs = QString::number(setup.counts.scanRuns),
                .target = QStringLiteral("≤ 1.25"),
                .met = yesNo(ratio.max <= 1.25)});
}

} // namespace bench
