#include "sim_bus.h"

#include <algorithm>

namespace sim {

TimeClockBus::TimeClockBus(const QList<BusTerminal> &terminals)
{
    for (const BusTerminal &terminal : terminals)
        m_cores.emplace_back(terminal.initial, terminal.faults);
}

QList<FrameOutcome> TimeClockBus::receive(QByteArrayView bytes)
{
    QList<QList<FrameOutcome>> heard;
    for (TimeClockCore &core : m_cores)
        heard.append(core.receive(bytes));
    // Every terminal decodes the same bytes, so every list holds the same frames in the same order.
    QList<FrameOutcome> merged = heard.constFirst();
    for (qsizetype frame = 0; frame < merged.size(); ++frame) {
        QList<QList<Transmission>> replies;
        for (const QList<FrameOutcome> &outcomes : std::as_const(heard)) {
            const FrameOutcome &outcome = outcomes.at(frame);
            merged[frame].handled = merged[frame].handled || outcome.handled;
            merged[frame].hangUp = merged[frame].hangUp || outcome.hangUp;
            if (!outcome.transmissions.isEmpty())
                replies.append(outcome.transmissions);
        }
        merged[frame].transmissions = collide(replies);
    }
    return merged;
}

QList<TerminalState> TimeClockBus::states() const
{
    QList<TerminalState> states;
    for (const TimeClockCore &core : m_cores)
        states.append(core.state());
    return states;
}

bool TimeClockBus::hungUp() const
{
    return std::any_of(m_cores.cbegin(), m_cores.cend(), [](const TimeClockCore &core) { return core.hungUp(); });
}

QList<Transmission> collide(const QList<QList<Transmission>> &replies)
{
    if (replies.size() < 2)
        return replies.isEmpty() ? QList<Transmission>{} : replies.constFirst();
    if (std::all_of(replies.cbegin(), replies.cend(), [&](const auto &reply) { return reply == replies.constFirst(); }))
        return replies.constFirst();
    // Different replies overlap: one write, as long as the longest, each byte the AND of the bytes sent
    // at that place, after the longest first wait.
    Transmission overlapped;
    for (const QList<Transmission> &reply : replies) {
        QByteArray bytes;
        for (const Transmission &part : reply)
            bytes += part.bytes;
        overlapped.wait = std::max(overlapped.wait, reply.constFirst().wait);
        if (bytes.size() > overlapped.bytes.size())
            overlapped.bytes.append(QByteArray(bytes.size() - overlapped.bytes.size(), char(0xFF)));
        for (qsizetype i = 0; i < bytes.size(); ++i)
            overlapped.bytes[i] = char(quint8(overlapped.bytes.at(i)) & quint8(bytes.at(i)));
    }
    return {overlapped};
}

} // namespace sim
