// Figure 10: a logo download through a serial server (ser2net, RFC 2217, chardelay false) against the same
// download on the pseudo-terminal directly, both simulators at --line-rate 9600, taking turns in one run.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

#include "command_session.h"
#include "serial_server.h"

namespace bench {

namespace {

// Reply written by the simulator -> the next frame read by it, within each download: the program's turn
// and, through the server, the network both ways.
std::vector<double> turnaroundsUs(const sim::OutputReader &output, const std::vector<DownloadSpan> &spans)
{
    std::vector<double> values;
    const QList<sim::LineChunk> chunks = output.chunks();
    for (const DownloadSpan &span : spans) {
        for (qsizetype i = 0; i + 1 < chunks.size(); ++i) {
            if (!chunks[i].transmitted() || chunks[i + 1].transmitted() || !chunks[i].stampNs || !chunks[i + 1].stampNs)
                continue;
            if (*chunks[i].stampNs >= span.startNs && *chunks[i + 1].stampNs <= span.messageNs)
                values.push_back(double(*chunks[i + 1].stampNs - *chunks[i].stampNs) / NsPerUs);
        }
    }
    return values;
}

} // namespace

void measureNetworkDownload(const Setup &setup, Report &report)
{
    if (SerialServer::program().isEmpty()) {
        report.addDetail(QStringLiteral("10: ser2net is not installed; figure 10 left out"));
        return;
    }
    const QStringList lineRate{QStringLiteral("--line-rate"), QStringLiteral("9600"), QStringLiteral("--timestamps")};
    auto direct = startSimulator(lineRate);
    auto served = startSimulator(lineRate);

    SerialServer server(SerialServer::Kind::Rfc2217NoCharDelay, served->devicePath());
    if (!server.start())
        abortBenchmark(QStringLiteral("ser2net did not start: %1").arg(server.errors()));
    const QString url = server.url();

    CommandSession session;
    std::vector<DownloadSpan> directSpans, servedSpans;
    for (int run = 0; run < setup.counts.downloads; ++run) {
        directSpans.push_back(programDownload(session, direct->devicePath(), setup.logo));
        servedSpans.push_back(programDownload(session, url, setup.logo));
    }
    server.stop();
    stopSimulator(*direct);
    stopSimulator(*served);

    std::vector<double> directMs, servedMs;
    for (const DownloadSpan &span : directSpans)
        directMs.push_back(double(span.messageNs - span.startNs) / NsPerMs);
    for (const DownloadSpan &span : servedSpans)
        servedMs.push_back(double(span.messageNs - span.startNs) / NsPerMs);
    const Spread directSpread = spreadOf(directMs);
    const Spread servedSpread = spreadOf(servedMs);
    const std::vector<double> directTurn = turnaroundsUs(direct->reader(), directSpans);
    const std::vector<double> servedTurn = turnaroundsUs(served->reader(), servedSpans);
    report.addDetail(QStringLiteral("10: downloads on the pty, ms: ") + fixedEach(directMs, 2));
    report.addDetail(QStringLiteral("10: downloads through ser2net, ms: ") + fixedEach(servedMs, 2));
    report.addDetail(QStringLiteral("10: reply written -> next frame read, per line, on the pty: median %1 µs, max %2 µs")
                         .arg(fixed(spreadOf(directTurn).median, 1), fixed(spreadOf(directTurn).max, 1)));

    const QString runs = QString::number(setup.counts.downloads);
    report.add({.figure = QStringLiteral("10"),
                .what = QStringLiteral("Logo download through ser2net (rfc2217://, chardelay false), --line-rate 9600"),
                .spread = servedSpread,
                .unit = QStringLiteral("ms"),
                .runs = runs});
    report.add({.figure = QStringLiteral("10"),
                .what = QStringLiteral("The same on the pseudo-terminal directly, taking turns"),
                .spread = directSpread,
                .unit = QStringLiteral("ms"),
                .runs = runs});
    const double ratio = servedSpread.median / directSpread.median;
    report.add({.figure = QStringLiteral("10"),
                .what = QStringLiteral("… ratio of the medians, through ser2net / directly"),
                .spread = {ratio, ratio, ratio},
                .decimals = 4,
                .runs = runs,
                .target = QStringLiteral("≤ 1.05"),
                .met = yesNo(ratio <= 1.05)});
    report.add({.figure = QStringLiteral("10"),
                .what = QStringLiteral("Round trip through ser2net: reply written by the simulator → the next frame read "
                                       "by it, per line (program and network both ways)"),
                .spread = spreadOf(servedTurn),
                .decimals = 1,
                .unit = QStringLiteral("µs"),
                .runs = QString::number(servedTurn.size())});
}

} // namespace bench
