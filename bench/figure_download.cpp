// Figure 3: logo downloads at 9600 baud through the program's own path, against the simulator as it is and
// with --exact-timing, and the bare poll() loop against the latter as a yardstick, taking turns.

#include "bare_line.h"
#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include "command_session.h"
#include "serial_link.h"

namespace bench {

namespace {

constexpr int OpenCloseTries = 20;

// The same 32 lines by the bare poll() loop: open the device, one exchange per line, close.
DownloadSpan bareDownload(const QString &device, const LogoPicture &logo)
{
    DownloadSpan span;
    span.lineBegunNs.reserve(LogoLineCount);
    span.startNs = monotonicNs();
    BareLine line(device);
    for (int index = 0; index < LogoLineCount; ++index) {
        span.lineBegunNs.push_back(monotonicNs());
        const Exchange exchange = logoLineExchange(logo, index);
        line.exchange(char(exchange.addressByte) + exchange.commandFrame, exchange.replyLength);
    }
    span.messageNs = monotonicNs();
    line.close();
    span.finishedNs = monotonicNs();
    return span;
}

// Where the time of each exchange goes, from the simulator's stamps: "hold" from the frame's last byte
// read to the reply written (the simulator's own time), "turnaround" from the reply written to the next
// frame's first byte read (the program's time, with the line both ways).
struct Split
{
    std::vector<double> holdUs;
    std::vector<double> turnaroundUs;
};

Split splitTimes(const QList<sim::LineChunk> &chunks)
{
    Split split;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        if (!chunks[i].transmitted())
            continue;
        if (i > 0 && !chunks[i - 1].transmitted())
            split.holdUs.push_back(double(*chunks[i].stampNs - *chunks[i - 1].stampNs) / NsPerUs);
        if (i + 1 < chunks.size() && !chunks[i + 1].transmitted())
            split.turnaroundUs.push_back(double(*chunks[i + 1].stampNs - *chunks[i].stampNs) / NsPerUs);
    }
    return split;
}

double sum(const std::vector<double> &values)
{
    double total = 0;
    for (const double value : values)
        total += value;
    return total;
}

struct DownloadRuns
{
    std::vector<double> downloadMs; // run() -> message
    std::vector<double> ratio;      // the same / line time
    std::vector<double> ownShare;   // less the simulator's hold beyond the line time, / line time
};

// Splits each download's time with the simulator's stamps and notes where it went.
DownloadRuns analyseDownloads(Report &report, const std::vector<DownloadSpan> &spans,
                              const sim::OutputReader &output, const QString &label)
{
    DownloadRuns runs;
    std::vector<double> simExcessMs, closedMs, leadUs, tailUs, closeUs, turnaroundMs, holdMedianUs, seenUs,
        sentUs;
    for (const DownloadSpan &span : spans) {
        QList<sim::LineChunk> own;
        for (const sim::LineChunk &chunk : output.chunks()) {
            if (chunk.stampNs && *chunk.stampNs >= span.startNs && *chunk.stampNs <= span.messageNs)
                own.append(chunk);
        }
        if (own.isEmpty() || own.constFirst().transmitted() || !own.constLast().transmitted())
            abortBenchmark(QStringLiteral("the simulator's stamps do not fit the download"));
        const Split split = splitTimes(own);
        const double downloadMs = double(span.messageNs - span.startNs) / NsPerMs;
        runs.downloadMs.push_back(downloadMs);
        runs.ratio.push_back(downloadMs / LineLimitMs);
        simExcessMs.push_back(sum(split.holdUs) / 1000 - LineLimitMs);
        runs.ownShare.push_back((downloadMs - simExcessMs.back()) / LineLimitMs);
        closedMs.push_back(double(span.finishedNs - span.startNs) / NsPerMs);
        turnaroundMs.push_back(sum(split.turnaroundUs) / 1000);
        holdMedianUs.push_back(spreadOf(split.holdUs).median);
        leadUs.push_back(double(*own.constFirst().stampNs - span.startNs) / NsPerUs);
        tailUs.push_back(double(span.messageNs - *own.constLast().stampNs) / NsPerUs);
        closeUs.push_back(double(span.finishedNs - span.messageNs) / NsPerUs);
        // The turnaround in two: reply written -> the next line begun here, and that -> its frame read there.
        size_t line = 0;
        for (qsizetype i = 0; i + 1 < own.size(); ++i) {
            if (!own[i].transmitted() || own[i + 1].transmitted())
                continue;
            if (++line >= span.lineBegunNs.size())
                break;
            seenUs.push_back(double(span.lineBegunNs[line] - *own[i].stampNs) / NsPerUs);
            sentUs.push_back(double(*own[i + 1].stampNs - span.lineBegunNs[line]) / NsPerUs);
        }
    }
    const QString prefix = QStringLiteral("3 (%1): ").arg(label);
    report.addDetail(prefix + QStringLiteral("downloads (run() -> message), ms: ") +
                     fixedEach(runs.downloadMs, 2));
    report.addDetail(prefix + QStringLiteral("run() -> finished (port closed), ms: ") +
                     fixedEach(closedMs, 2));
    report.addDetail(
        prefix +
        QStringLiteral("simulator's hold per line (frame read -> reply written), median per run, µs: ") +
        fixedEach(holdMedianUs, 1) +
        QStringLiteral(" (line time of 22 bytes: %1 µs)").arg(fixed(22 * 10 * 1e6 / 9600, 1)));
    report.addDetail(prefix + QStringLiteral("simulator's hold beyond the line time, per download, ms: ") +
                     fixedEach(simExcessMs, 2));
    report.addDetail(
        prefix +
        QStringLiteral("program's turnaround (reply written -> next frame read by the simulator), sum "
                       "of 31 lines, ms: ") +
        fixedEach(turnaroundMs, 2));
    report.addDetail(prefix +
                     QStringLiteral("the turnaround in two, per line: reply written -> next line begun "
                                    "here: median %1 µs (max %2); next line begun -> its frame read by the "
                                    "simulator: median %3 µs (max %4)")
                         .arg(fixed(spreadOf(seenUs).median, 1), fixed(spreadOf(seenUs).max, 1),
                              fixed(spreadOf(sentUs).median, 1), fixed(spreadOf(sentUs).max, 1)));
    report.addDetail(prefix + QStringLiteral("run() -> first frame byte read by the simulator, µs: ") +
                     fixedEach(leadUs, 1));
    report.addDetail(prefix + QStringLiteral("last reply written -> message, µs: ") + fixedEach(tailUs, 1));
    report.addDetail(prefix + QStringLiteral("message -> finished (port closed), µs: ") +
                     fixedEach(closeUs, 1));
    return runs;
}

// Opening and closing the port on their own: part of every download's first and last milliseconds.
void measureOpenAndClose(Report &report, const QString &device)
{
    std::vector<double> openUs, closeUs;
    for (int cycle = 0; cycle < OpenCloseTries; ++cycle) {
        SerialLink link;
        const qint64 beforeOpen = monotonicNs();
        if (link.prepareLink(device))
            abortBenchmark(QStringLiteral("cannot open %1").arg(device));
        const qint64 opened = monotonicNs();
        link.releaseLink();
        openUs.push_back(double(opened - beforeOpen) / NsPerUs);
        closeUs.push_back(double(monotonicNs() - opened) / NsPerUs);
    }
    report.addDetail(
        QStringLiteral("3: SerialLink::prepareLink (QSerialPort::open: lock file, termios) over %1 "
                       "tries: median %2 µs, max %3 µs; releaseLink (close, lock file removed): "
                       "median %4 µs, max %5 µs")
            .arg(QString::number(OpenCloseTries), fixed(spreadOf(openUs).median, 1),
                 fixed(spreadOf(openUs).max, 1), fixed(spreadOf(closeUs).median, 1),
                 fixed(spreadOf(closeUs).max, 1)));
}

} // namespace

void measureDownloads(const Setup &setup, Report &report)
{
    const QStringList lineRate{QStringLiteral("--line-rate"), QStringLiteral("9600"),
                               QStringLiteral("--timestamps")};
    auto plainSimulator = startSimulator(lineRate);
    auto exactSimulator = startSimulator(lineRate + QStringList{QStringLiteral("--exact-timing")});
    CommandSession session;
    std::vector<DownloadSpan> plainSpans, exactSpans, bareSpans;
    for (int run = 0; run < setup.counts.downloads; ++run) {
        plainSpans.push_back(programDownload(session, plainSimulator->devicePath(), setup.logo));
        exactSpans.push_back(programDownload(session, exactSimulator->devicePath(), setup.logo));
        bareSpans.push_back(bareDownload(exactSimulator->devicePath(), setup.logo));
    }
    measureOpenAndClose(report, exactSimulator->devicePath());
    stopSimulator(*plainSimulator);
    stopSimulator(*exactSimulator);
    const DownloadRuns plain =
        analyseDownloads(report, plainSpans, plainSimulator->reader(), QStringLiteral("--line-rate 9600"));
    const DownloadRuns exact = analyseDownloads(report, exactSpans, exactSimulator->reader(),
                                                QStringLiteral("--line-rate 9600 --exact-timing"));
    const DownloadRuns bare = analyseDownloads(report, bareSpans, exactSimulator->reader(),
                                               QStringLiteral("bare poll() in C, --exact-timing"));

    const QString downloads = QString::number(setup.counts.downloads);
    const QString lineTime = QStringLiteral("… / 733.3 ms line time");
    const Spread plainRatio = spreadOf(plain.ratio);
    report.add(
        {.figure = QStringLiteral("3"),
         .what = QStringLiteral("Logo download, timeclock-sim --line-rate 9600: run() → \"下载完成！\" "
                                "(CommandSession + LogoDownloadTask)"),
         .spread = spreadOf(plain.downloadMs),
         .unit = QStringLiteral("ms"),
         .runs = downloads});
    report.add({.figure = QStringLiteral("3"),
                .what = lineTime,
                .spread = plainRatio,
                .decimals = 4,
                .runs = downloads,
                .target = QStringLiteral("≤ 1.01"),
                .met = yesNo(plainRatio.median <= 1.01)});
    report.add(
        {.figure = QStringLiteral("3"),
         .what = QStringLiteral("Logo download, the same, simulator with --exact-timing (reply timer to the "
                                "µs, not whole ms); runs take turns with the above"),
         .spread = spreadOf(exact.downloadMs),
         .unit = QStringLiteral("ms"),
         .runs = downloads});
    const Spread exactRatio = spreadOf(exact.ratio);
    report.add({.figure = QStringLiteral("3"),
                .what = lineTime,
                .spread = exactRatio,
                .decimals = 4,
                .runs = downloads,
                .target = QStringLiteral("≤ 1.01"),
                .met = yesNo(exactRatio.median <= 1.01)});
    report.add({.figure = QStringLiteral("3"),
                .what = QStringLiteral("Reference: the same 32 exchanges by a bare poll() loop in C (no Qt), "
                                       "--exact-timing simulator, taking turns / 733.3 ms"),
                .spread = spreadOf(bare.ratio),
                .decimals = 4,
                .runs = downloads});
    std::vector<double> ownShare = plain.ownShare;
    ownShare.insert(ownShare.end(), exact.ownShare.cbegin(), exact.ownShare.cend());
    const Spread ownShareSpread = spreadOf(ownShare);
    report.add(
        {.figure = QStringLiteral("3"),
         .what = QStringLiteral("Program's own share: (download − simulator's hold beyond line time) / "
                                "733.3 ms, both kinds of run"),
         .spread = ownShareSpread,
         .decimals = 4,
         .runs = QString::number(ownShare.size()),
         .target = QStringLiteral("≤ 1.01"),
         .met = yesNo(ownShareSpread.median <= 1.01)});
}

} // namespace bench
