#pragma once

#include "sim_core.h"

#include <QByteArrayView>
#include <QList>

#include <chrono>
#include <vector>

// Several time clocks on one line: every terminal hears every byte the PC sends, and each answers only to
// its own machine number, except the renumber address that every terminal obeys.
//
// When more than one terminal answers the same frame their replies meet on the wire. Identical replies
// (every terminal confirming a renumber through address 99 with the same byte) overlap bit for bit and
// arrive as one; differing ones arrive as their bitwise AND, the dominant low level winning on the shared
// line, which a reader sees as a garbled reply. The merged reply leaves when the slowest would have. A
// reply that starts once the others have ended (at 9600 baud) meets none of them and follows them whole.
namespace sim {

struct BusTerminal
{
    TerminalState initial;
    FaultConfig faults;
};

class TimeClockBus
{
public:
    explicit TimeClockBus(const QList<BusTerminal> &terminals);

    // One outcome per frame, as one terminal would give it: handled when any terminal handled it.
    QList<FrameOutcome> receive(QByteArrayView bytes);

    QList<TerminalState> states() const;
    bool hungUp() const;

private:
    std::vector<TimeClockCore> m_cores;
};

// One byte's time on the line at 9600 baud, start and stop bit included: how long a reply holds the line.
inline constexpr std::chrono::microseconds ByteTimeAt9600{1042};

// The replies of several terminals to the same frame as the line carries them, each write's wait counted
// from the one before.
QList<Transmission> collide(const QList<QList<Transmission>> &replies);

} // namespace sim
