#include "drive.h"

#include "guarded_wait.h"
#include "logo_download.h"
#include "measuring.h"
#include "serial_link.h"

namespace bench {

std::unique_ptr<sim::SimProcess> startSimulator(const QStringList &options)
{
    auto simulator = std::make_unique<sim::SimProcess>(options, sim::SimProcess::Reading::AtStop);
    QString error;
    if (!simulator->start(&error))
        abortBenchmark(error);
    return simulator;
}

void stopSimulator(sim::SimProcess &simulator)
{
    if (!simulator.stop())
        abortBenchmark(QStringLiteral("the simulated time clock did not end cleanly"));
}

Exchange logoLineExchange(const LogoPicture &logo, int index)
{
    const int line = index % LogoLineCount;
    return Exchange{.addressByte = MachineNumber, .commandFrame = logoLineFrame(line, logo.line(line))};
}

BurstResult exchangesBackToBack(const QString &device, int count,
                                const std::function<Exchange(int)> &exchangeAt)
{
    SerialLink link;
    if (link.prepareLink(device))
        abortBenchmark(QStringLiteral("cannot open %1").arg(device));
    BurstResult result;
    result.finishedAtNs.reserve(size_t(count));
    GuardedWait wait(GuardMs);
    bool failed = false;
    QObject::connect(&link, &SerialLink::exchangeFinished, wait.context(),
                     [&](const ExchangeOutcome &outcome) {
                         result.finishedAtNs.push_back(monotonicNs());
                         if (outcome.kind != ExchangeOutcome::Kind::Replied) {
                             failed = true;
                             wait.end();
                         } else if (int(result.finishedAtNs.size()) == count) {
                             wait.end();
                         } else {
                             link.transact(exchangeAt(int(result.finishedAtNs.size())));
                         }
                     });
    wait.endOn(&link, &SerialLink::linkLost);
    result.startNs = monotonicNs();
    link.transact(exchangeAt(0));
    if (!wait.run() || failed || int(result.finishedAtNs.size()) != count)
        abortBenchmark(
            QStringLiteral("an exchange failed after %1 of %2").arg(result.finishedAtNs.size()).arg(count));
    return result;
}

std::vector<qint64> replyByteStamps(const sim::OutputReader &output)
{
    std::vector<qint64> stamps;
    for (const sim::LineChunk &chunk : output.chunks()) {
        if (chunk.transmitted())
            stamps.insert(stamps.end(), size_t(chunk.bytes.size()), chunk.stampNs.value_or(0));
    }
    return stamps;
}

} // namespace bench
