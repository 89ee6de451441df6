// Figure 11: a logo download on a line that echoes every frame (a two-wire RS-485 adapter; timeclock-sim
// --echo) against the same download on a line without echo, both at --line-rate 9600, taking turns in one run.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include "command_session.h"

namespace bench {

namespace {

// From run() to the first line's answer seen: where a line not known yet is learned.
std::vector<double> firstLineMs(const std::vector<DownloadSpan> &spans)
{
    std::vector<double> values;
    for (const DownloadSpan &span : spans) {
        if (span.lineBegunNs.size() > 1)
            values.push_back(double(span.lineBegunNs[1] - span.startNs) / NsPerMs);
    }
    return values;
}

std::vector<double> downloadMs(const std::vector<DownloadSpan> &spans)
{
    std::vector<double> values;
    for (const DownloadSpan &span : spans)
        values.push_back(double(span.messageNs - span.startNs) / NsPerMs);
    return values;
}

} // namespace

void measureEchoDownload(const Setup &setup, Report &report)
{
    const QStringList lineRate{QStringLiteral("--line-rate"), QStringLiteral("9600")};
    auto plain = startSimulator(lineRate);
    auto echoing = startSimulator(lineRate + QStringList{QStringLiteral("--echo")});

    CommandSession session;
    std::vector<DownloadSpan> plainSpans, echoSpans;
    for (int run = 0; run < setup.counts.downloads; ++run) {
        plainSpans.push_back(programDownload(session, plain->devicePath(), setup.logo));
        echoSpans.push_back(programDownload(session, echoing->devicePath(), setup.logo));
    }
    stopSimulator(*plain);
    stopSimulator(*echoing);

    const std::vector<double> plainMs = downloadMs(plainSpans), echoMs = downloadMs(echoSpans);
    report.addDetail(QStringLiteral("11: downloads without echo, ms: ") + fixedEach(plainMs, 2));
    report.addDetail(QStringLiteral("11: downloads on the echoing line, ms: ") + fixedEach(echoMs, 2));

    const QString runs = QString::number(setup.counts.downloads);
    const Spread echoSpread = spreadOf(echoMs), plainSpread = spreadOf(plainMs);
    report.add({.figure = QStringLiteral("11"),
                .what = QStringLiteral("Logo download on an echoing line (timeclock-sim --echo --line-rate 9600), run() → "
                                       "\"下载完成！\", --echo auto"),
                .spread = echoSpread,
                .unit = QStringLiteral("ms"),
                .runs = runs});
    report.add({.figure = QStringLiteral("11"),
                .what = QStringLiteral("The same on a line without echo, taking turns"),
                .spread = plainSpread,
                .unit = QStringLiteral("ms"),
                .runs = runs});
    const double ratio = echoSpread.median / plainSpread.median;
    report.add({.figure = QStringLiteral("11"),
                .what = QStringLiteral("… ratio of the medians, echoing / without echo"),
                .spread = {ratio, ratio, ratio},
                .decimals = 4,
                .runs = runs,
                .target = QStringLiteral("≤ 1.02"),
                .met = yesNo(ratio <= 1.02)});
    report.add({.figure = QStringLiteral("11"),
                .what = QStringLiteral("The same downloads: run() → the first line's answer seen, on the echoing line (its echo tells "
                                       "at once)"),
                .spread = spreadOf(firstLineMs(echoSpans)),
                .unit = QStringLiteral("ms"),
                .runs = runs});
    report.add({.figure = QStringLiteral("11"),
                .what = QStringLiteral("The same downloads: run() → the first line's answer seen, without echo (the answer, which "
                                       "begins like the frame, waits to be told from an echo)"),
                .spread = spreadOf(firstLineMs(plainSpans)),
                .unit = QStringLiteral("ms"),
                .runs = runs});
}

} // namespace bench
