// Figure 2: how soon a reply is seen, back to back and with the program idle before each reply, with the
// bare poll() loop beside it as a yardstick.

#include "bare_line.h"
#include "drive.h"
#include "figures.h"
#include "measuring.h"

namespace bench {

namespace {

constexpr double SlowExchangeUs = 500; // exchanges slower than this are listed in the details

struct LatencyRuns
{
    std::vector<double> medianUs; // per run
    std::vector<double> p99Us;
    std::vector<double> maxUs;
    QStringList slow; // exchanges over SlowExchangeUs
};

void addLatencyRun(LatencyRuns &runs, const std::vector<qint64> &seenNs, const std::vector<qint64> &writtenNs)
{
    if (writtenNs.size() != seenNs.size())
        abortBenchmark(
            QStringLiteral("%1 reply bytes for %2 exchanges").arg(writtenNs.size()).arg(seenNs.size()));
    std::vector<double> latencies;
    for (size_t i = 0; i < seenNs.size(); ++i) {
        latencies.push_back(double(seenNs[i] - writtenNs[i]) / NsPerUs);
        if (latencies.back() > SlowExchangeUs)
            runs.slow << QStringLiteral("run %1 #%2: %3")
                             .arg(runs.medianUs.size() + 1)
                             .arg(i)
                             .arg(fixed(latencies.back(), 0));
    }
    const Spread spread = spreadOf(latencies);
    runs.medianUs.push_back(spread.median);
    runs.p99Us.push_back(percentile(latencies, 99));
    runs.maxUs.push_back(spread.max);
}

// One run of exchanges through SerialLink against a simulator of its own: each reply's last byte written
// there -> the exchange's outcome here.
void measureProgramRun(LatencyRuns &runs, const Setup &setup, const QStringList &simOptions)
{
    auto simulator = startSimulator(simOptions + QStringList{QStringLiteral("--timestamps")});
    const BurstResult burst =
        exchangesBackToBack(simulator->devicePath(), setup.counts.latencyExchanges,
                            [&setup](int index) { return logoLineExchange(setup.logo, index); });
    stopSimulator(*simulator);
    addLatencyRun(runs, burst.finishedAtNs, replyByteStamps(simulator->reader()));
}

// The same exchanges by the bare poll() loop.
void measureBareRun(LatencyRuns &runs, const Setup &setup, const QStringList &simOptions)
{
    auto simulator = startSimulator(simOptions + QStringList{QStringLiteral("--timestamps")});
    std::vector<qint64> seenNs;
    {
        BareLine line(simulator->devicePath());
        for (int i = 0; i < setup.counts.latencyExchanges; ++i) {
            const Exchange exchange = logoLineExchange(setup.logo, i);
            line.exchange(char(exchange.addressByte) + exchange.commandFrame, exchange.replyLength);
            seenNs.push_back(monotonicNs());
        }
    }
    stopSimulator(*simulator);
    addLatencyRun(runs, seenNs, replyByteStamps(simulator->reader()));
}

void addDetails(Report &report, const LatencyRuns &runs, const QString &label)
{
    const QString prefix = QStringLiteral("2 (%1): ").arg(label);
    report.addDetail(prefix + QStringLiteral("median per run, µs: ") + fixedEach(runs.medianUs, 1));
    report.addDetail(prefix + QStringLiteral("99th percentile per run, µs: ") + fixedEach(runs.p99Us, 1));
    report.addDetail(prefix + QStringLiteral("max per run, µs: ") + fixedEach(runs.maxUs, 1));
    constexpr qsizetype Shown = 12;
    report.addDetail(prefix + QStringLiteral("exchanges over 500 µs: %1%2")
                                  .arg(runs.slow.isEmpty()
                                           ? QStringLiteral("none")
                                           : QString::number(runs.slow.size()) + QStringLiteral(": "))
                                  .arg(runs.slow.mid(0, Shown).join(QStringLiteral(", ")) +
                                       (runs.slow.size() > Shown ? QStringLiteral(", …") : QString())));
}

// The program's runs are held to the targets; the bare loop's are only there to compare with.
enum class Measured
{
    Program,
    Reference,
};

void addRows(Report &report, const LatencyRuns &runs, const QString &label, Measured measured,
             const QString &exchanges)
{
    const bool reference = measured == Measured::Reference;
    const Spread median = spreadOf(runs.medianUs);
    const Spread p99 = spreadOf(runs.p99Us);
    report.add({.figure = QStringLiteral("2"),
                .what = label + QStringLiteral(": median of each run"),
                .spread = median,
                .unit = QStringLiteral("µs"),
                .runs = exchanges,
                .target = reference ? QStringLiteral("–") : QStringLiteral("≤ 100 µs"),
                .met = reference ? QStringLiteral("–") : yesNo(median.median <= 100)});
    report.add({.figure = QStringLiteral("2"),
                .what = QStringLiteral("… 99th percentile of each run"),
                .spread = p99,
                .unit = QStringLiteral("µs"),
                .runs = exchanges,
                .target = reference ? QStringLiteral("–") : QStringLiteral("≤ 500 µs"),
                .met = reference ? QStringLiteral("–") : yesNo(p99.median <= 500)});
}

} // namespace

void measureLatency(const Setup &setup, Report &report)
{
    // Replies back to back, and replies that come 2 ms after their frame (the program idle meanwhile, as
    // with a real terminal), taking turns.
    const QStringList delayed{QStringLiteral("--delay-ms"), QStringLiteral("2"),
                              QStringLiteral("--exact-timing")};
    LatencyRuns burst, idle, bareBurst, bareIdle;
    for (int run = 0; run < setup.counts.latencyRuns; ++run) {
        measureProgramRun(burst, setup, {});
        measureBareRun(bareBurst, setup, {});
        measureProgramRun(idle, setup, delayed);
        measureBareRun(bareIdle, setup, delayed);
    }
    addDetails(report, burst, QStringLiteral("back to back"));
    addDetails(report, bareBurst, QStringLiteral("back to back, bare poll()"));
    addDetails(report, idle, QStringLiteral("--delay-ms 2"));
    addDetails(report, bareIdle, QStringLiteral("--delay-ms 2, bare poll()"));

    const QString exchanges =
        QStringLiteral("%1 × %2 exchanges").arg(setup.counts.latencyRuns).arg(setup.counts.latencyExchanges);
    addRows(report, burst, QStringLiteral("Reply detection latency, back to back"), Measured::Program,
            exchanges);
    addRows(report, bareBurst, QStringLiteral("Reference for it: bare poll() in C (no Qt), back to back"),
            Measured::Reference, exchanges);
    addRows(report, idle, QStringLiteral("Reply detection latency, each reply 2 ms after its frame (idle)"),
            Measured::Program, exchanges);
    addRows(report, bareIdle, QStringLiteral("Reference for it: bare poll() in C (no Qt), 2 ms after"),
            Measured::Reference, exchanges);
}

} // namespace bench
