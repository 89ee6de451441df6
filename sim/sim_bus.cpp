#include "sim_bus.h"

#include <algorithm>
#include <utility>

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
    // Different replies that meet on the line overlap: one write, as long as the longest, each byte the AND
    // of the bytes sent at that place, after the longest first wait. A reply that starts after the ones
    // before it have ended meets none of them and arrives whole after them: a doubled answer.
    QList<std::pair<std::chrono::microseconds, QByteArray>> starts;
    for (const QList<Transmission> &reply : replies) {
        QByteArray bytes;
        for (const Transmission &part : reply)
            bytes += part.bytes;
        starts.append({reply.constFirst().wait, bytes});
    }
    std::stable_sort(starts.begin(), starts.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<Transmission> onLine;
    std::chrono::microseconds groupEnd{-1};
    std::chrono::microseconds sentBefore{0};  // the first wait of the write before, which a wait follows
    Transmission overlapped;
    const auto close = [&] {
        if (overlapped.bytes.isEmpty())
            return;
        const std::chrono::microseconds at = overlapped.wait;
        overlapped.wait -= sentBefore;
        sentBefore = at;
        onLine.append(std::exchange(overlapped, Transmission{}));
    };
    for (const auto &[start, bytes] : starts) {
        if (start >= groupEnd)
            close();
        overlapped.wait = std::max(overlapped.wait, start);
        if (bytes.size() > overlapped.bytes.size())
            overlapped.bytes.append(QByteArray(bytes.size() - overlapped.bytes.size(), char(0xFF)));
        for (qsizetype i = 0; i < bytes.size(); ++i)
            overlapped.bytes[i] = char(quint8(overlapped.bytes.at(i)) & quint8(bytes.at(i)));
        groupEnd = std::max(groupEnd, start + ByteTimeAt9600 * int(bytes.size()));
    }
    close();
    return onLine;
}

} // namespace sim
