// Figures 1 and 4: a one-second wait for a reply that never comes, event-driven and polling side by side.

#include "drive.h"
#include "figures.h"
#include "guarded_wait.h"
#include "measuring.h"

#include "read_serial.h"
#include "serial_link.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <algorithm>

namespace bench {

namespace {

constexpr qint64 ReplyLimitNs = 1'000'000'000;

struct WaitResult
{
    qint64 cpuNs = 0;
    qint64 wallNs = 0; // from the frame leaving to the outcome
    bool timedOut = false;
};

// SerialLink as the program uses it: transact() and back to the event loop until exchangeFinished.
WaitResult eventDrivenWait(const QString &device, const Exchange &exchange)
{
    SerialLink link;
    if (link.prepareLink(device))
        abortBenchmark(QStringLiteral("cannot open %1").arg(device));
    GuardedWait wait(GuardMs);
    WaitResult result;
    qint64 wallStart = 0;
    qint64 cpuStart = 0;
    QObject::connect(&link, &SerialLink::exchangeFinished, wait.context(),
                     [&](const ExchangeOutcome &outcome) {
                         result.wallNs = monotonicNs() - wallStart;
                         result.cpuNs = processCpuNs() - cpuStart;
                         result.timedOut = outcome.kind == ExchangeOutcome::Kind::TimedOut;
                         wait.end();
                     });
    wait.endOn(&link, &SerialLink::linkLost);

    link.transact(exchange);
    wallStart = monotonicNs();
    cpuStart = processCpuNs();
    wait.run();
    if (!result.timedOut)
        abortBenchmark(QStringLiteral("the event-driven wait did not end in a time-out"));
    return result;
}

// The reference: after writing the frame, ask for the bytes, read the clock, let the events run, and
// again at once, until the reply is complete or one second has passed.
WaitResult pollingWait(const QString &device, const Exchange &exchange)
{
    QSerialPort port(device);
    port.setBaudRate(9600);
    port.setParity(QSerialPort::NoParity);
    port.setDataBits(QSerialPort::Data8);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        abortBenchmark(QStringLiteral("cannot open %1: %2").arg(device, port.errorString()));
    port.clear(QSerialPort::Input);

    port.write(QByteArray(1, char(exchange.addressByte)) + exchange.commandFrame);
    port.flush();
    const qint64 wallStart = monotonicNs();
    const qint64 cpuStart = processCpuNs();
    bool complete = false;
    for (;;) {
        if (port.bytesAvailable() >= exchange.replyLength) {
            complete = true;
            break;
        }
        if (monotonicNs() - wallStart > ReplyLimitNs)
            break;
        QCoreApplication::processEvents();
    }
    WaitResult result;
    result.wallNs = monotonicNs() - wallStart;
    result.cpuNs = processCpuNs() - cpuStart;
    result.timedOut = !complete;
    port.close();
    if (!result.timedOut)
        abortBenchmark(QStringLiteral("the polling wait got a reply from a silent time clock"));
    return result;
}

bool insideTimeoutTarget(double seconds)
{
    return seconds > 1.0 && seconds <= 1.005;
}

} // namespace

void measureWaits(const Setup &setup, Report &report)
{
    std::vector<double> oursCpuMs, pollingCpuMs, ratios, timeoutS;
    {
        auto simulator = startSimulator({QStringLiteral("--silence"), QStringLiteral("all")});
        const Exchange exchange = readSerialExchange(MachineNumber);
        for (int pair = 0; pair < setup.counts.waitPairs; ++pair) {
            const WaitResult ours = eventDrivenWait(simulator->devicePath(), exchange);
            const WaitResult polling = pollingWait(simulator->devicePath(), exchange);
            oursCpuMs.push_back(double(ours.cpuNs) / NsPerMs);
            pollingCpuMs.push_back(double(polling.cpuNs) / NsPerMs);
            ratios.push_back(100.0 * double(ours.cpuNs) / double(polling.cpuNs));
            timeoutS.push_back(double(ours.wallNs) / 1e9);
        }
        stopSimulator(*simulator);
    }
    report.addDetail(QStringLiteral("1: processor time, event-driven wait, ms: ") + fixedEach(oursCpuMs, 4));
    report.addDetail(QStringLiteral("1: processor time, polling wait, ms: ") + fixedEach(pollingCpuMs, 1));
    report.addDetail(QStringLiteral("4: time-outs, s: ") + fixedEach(timeoutS, 6));

    const QString pairs = QString::number(setup.counts.waitPairs);
    report.add({.figure = QStringLiteral("1"),
                .what = QStringLiteral("Processor time in a 1 s timed-out wait: SerialLink, event-driven"),
                .spread = spreadOf(oursCpuMs),
                .decimals = 3,
                .unit = QStringLiteral("ms"),
                .runs = pairs});
    report.add({.figure = QStringLiteral("1"),
                .what = QStringLiteral("Processor time in a 1 s timed-out wait: polling reference"),
                .spread = spreadOf(pollingCpuMs),
                .decimals = 1,
                .unit = QStringLiteral("ms"),
                .runs = pairs});
    const Spread ratio = spreadOf(ratios);
    report.add({.figure = QStringLiteral("1"),
                .what = QStringLiteral("Event-driven / polling, per pair"),
                .spread = ratio,
                .decimals = 3,
                .unit = QStringLiteral("%"),
                .runs = pairs,
                .target = QStringLiteral("≤ 1 %"),
                .met = yesNo(ratio.max <= 1.0)});

    // Figure 4, from the event-driven waits of figure 1.
    const auto inside = std::count_if(timeoutS.cbegin(), timeoutS.cend(), insideTimeoutTarget);
    report.add({.figure = QStringLiteral("4"),
                .what = QStringLiteral("Time-out: transact() returned → TimedOut reported (the waits of 1)"),
                .spread = spreadOf(timeoutS),
                .decimals = 6,
                .unit = QStringLiteral("s"),
                .runs = pairs,
                .target = QStringLiteral("1.000 s < t ≤ 1.005 s in every run"),
                .met = yesNo(inside == qsizetype(timeoutS.size())) +
                       QStringLiteral(" (%1 of %2 inside)").arg(inside).arg(timeoutS.size())});
}

} // namespace bench
