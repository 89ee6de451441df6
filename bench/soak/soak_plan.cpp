#include "soak_plan.h"

#include <algorithm>
#include <iterator>

namespace soak {

namespace {

constexpr int MinBatchCommands = 20;
constexpr int MaxBatchCommands = 80;

// How often each fault is chosen. The last four cost up to a second each; their share keeps the run short.
struct FaultWeight
{
    Fault fault;
    int weight;
};
constexpr FaultWeight FaultWeights[] = {
    {Fault::None, 3},       {Fault::WrongByte, 3}, {Fault::ExtraByte, 3},   {Fault::Noise, 3},
    {Fault::SplitReply, 3}, {Fault::HangUp, 3},    {Fault::DelayInTime, 1}, {Fault::LateReply, 1},
    {Fault::ShortReply, 1}, {Fault::Silence, 1},
};

constexpr int LateReplyMs = 1200;

} // namespace

const char *faultName(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return "none";
    case Fault::WrongByte:
        return "wrong-byte";
    case Fault::ExtraByte:
        return "extra-byte";
    case Fault::Noise:
        return "noise";
    case Fault::SplitReply:
        return "split-reply";
    case Fault::HangUp:
        return "hangup-at";
    case Fault::DelayInTime:
        return "delay-ms (in time)";
    case Fault::LateReply:
        return "delay-ms 1200";
    case Fault::ShortReply:
        return "short-reply";
    case Fault::Silence:
        return "silence";
    }
    return "?";
}

QStringList PlannedFault::simulatorOptions() const
{
    const QString k = QString::number(frameIndex);
    const QString at = QString::number(amount) + u'@' + k;
    switch (fault) {
    case Fault::None:
        return {};
    case Fault::WrongByte:
        return {QStringLiteral("--wrong-byte"), k};
    case Fault::ExtraByte:
        return {QStringLiteral("--extra-byte"), k};
    case Fault::Noise:
        return {QStringLiteral("--noise"), at};
    case Fault::SplitReply:
        return {QStringLiteral("--split-reply"), k};
    case Fault::HangUp:
        return {QStringLiteral("--hangup-at"), k};
    case Fault::DelayInTime:
    case Fault::LateReply:
        return {QStringLiteral("--delay-ms"), at};
    case Fault::ShortReply:
        return {QStringLiteral("--short-reply"), k};
    case Fault::Silence:
        return {QStringLiteral("--silence"), k};
    }
    return {};
}

QString PlannedFault::describe() const
{
    return fault == Fault::None ? QStringLiteral("none") : simulatorOptions().join(u' ');
}

QList<TerminalCommand> planKinds(int singleExchanges, int downloads, QRandomGenerator &random)
{
    QList<TerminalCommand> kinds;
    kinds.reserve(singleExchanges + downloads);
    const QList<TerminalCommand> singles = singleExchangeCommands();
    for (int i = 0; i < singleExchanges; ++i)
        kinds.append(singles[qsizetype(random.bounded(quint32(singles.size())))]);
    for (int i = 0; i < downloads; ++i)
        kinds.append(TerminalCommand::DownloadLogo);
    for (qsizetype i = kinds.size() - 1; i > 0; --i)
        std::swap(kinds[i], kinds[qsizetype(random.bounded(quint32(i + 1)))]);
    return kinds;
}

QList<int> planBatchSizes(qsizetype commandCount, QRandomGenerator &random)
{
    QList<int> sizes;
    for (qsizetype planned = 0; planned < commandCount;) {
        const int size =
            std::min(int(commandCount - planned),
                     MinBatchCommands + int(random.bounded(MaxBatchCommands - MinBatchCommands + 1)));
        sizes.append(size);
        planned += size;
    }
    return sizes;
}

PlannedFault planFault(const QList<PlannedCommand> &commands, QRandomGenerator &random)
{
    int totalWeight = 0;
    for (const FaultWeight &each : FaultWeights)
        totalWeight += each.weight;
    int pick = int(random.bounded(totalWeight));
    PlannedFault fault;
    for (const FaultWeight &each : FaultWeights) {
        if (pick < each.weight) {
            fault.fault = each.fault;
            break;
        }
        pick -= each.weight;
    }
    if (fault.fault == Fault::None)
        return fault;

    fault.command = int(random.bounded(int(commands.size())));
    if (fault.fault == Fault::SplitReply) {
        // Only a reply longer than one byte can be split: prefer a command answered with data when there is
        // one.
        QList<int> candidates;
        for (int i = 0; i < commands.size(); ++i) {
            if (replyLengthOf(commands[i].kind) > 1)
                candidates.append(i);
        }
        if (!candidates.isEmpty())
            fault.command = candidates[qsizetype(random.bounded(int(candidates.size())))];
    }
    const TerminalCommand kind = commands[fault.command].kind;
    fault.exchange = int(random.bounded(exchangesOf(kind)));
    if (fault.fault == Fault::Noise)
        fault.amount = 1 + int(random.bounded(256));
    else if (fault.fault == Fault::DelayInTime)
        fault.amount = 100 + int(random.bounded(401));
    else if (fault.fault == Fault::LateReply)
        fault.amount = LateReplyMs;
    // Every command before the one hit runs undisturbed, so each of its exchanges is one frame.
    for (int i = 0; i < fault.command; ++i)
        fault.frameIndex += exchangesOf(commands[i].kind);
    fault.frameIndex += fault.exchange;
    return fault;
}

} // namespace soak
