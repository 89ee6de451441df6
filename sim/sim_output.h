#pragma once

#include "sim_core.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// The lines timeclock-sim prints, one per event, and their one reader: the simulator writes them with the
// functions below, and tests, benchmarks and the soak read them with OutputReader.
//
//   DEVICE <path>                      first, once the pseudo-terminal is open
//   LINK <path>                        with --link
//   RX <hex> [<ns>]                    bytes read from the line (with --timestamps: CLOCK_MONOTONIC time)
//   TX <hex> [<ns>]                    bytes written to the line
//   FRAME <index> <address> <frame> handled|ignored
//   HANGUP                             the line was closed (--hangup-at)
//   TERMINAL machine=N serial=HEX      on exit with --bus, one per terminal on the line, in --bus order
//   STATE machine=N serial=HEX mode=N delay=N font=N    on exit (the first terminal), then LOGO <hex> and 32 PIC rows
//
// With --lines N (more than one): N DEVICE lines first, in line order, and every other line of line I
// (from 1) after "LINE I ", read by line(I).
namespace sim {

QByteArray deviceLine(const QString &devicePath);
QByteArray linkLine(const QString &linkPath);
// `stamp`: the CLOCK_MONOTONIC time in nanoseconds, or nothing.
QByteArray receivedLine(QByteArrayView bytes, std::optional<qint64> stamp);
QByteArray transmittedLine(QByteArrayView bytes, std::optional<qint64> stamp);
QByteArray frameLine(const FrameOutcome &outcome);
QByteArray hangUpLine();
// The lines printed when the simulator stops: STATE, LOGO and the logo drawn as 32 PIC lines.
QList<QByteArray> finalReport(const TerminalState &state);
QByteArray terminalLine(const TerminalState &state);

// Bytes read or written by the simulator in one go, as one RX or TX line gives them.
struct LineChunk
{
    enum class Direction
    {
        Received,    // from the PC
        Transmitted, // to the PC
    };
    Direction direction = Direction::Received;
    QByteArray bytes;
    std::optional<qint64> stampNs; // with --timestamps

    bool transmitted() const { return direction == Direction::Transmitted; }
};

// Reads the simulator's output as it comes, in pieces of any size.
class OutputReader
{
public:
    // Takes the next piece of output; returns how many whole lines it completed.
    int read(QByteArrayView data);

    QByteArray text() const { return m_text; } // everything read so far
    QString devicePath() const { return m_devicePath; }
    QStringList devicePaths() const { return m_devicePaths; }  // every DEVICE line, in line order
    // What line I (from 1) of several printed; an empty reader for a line that printed nothing.
    const OutputReader &line(int number) const;
    // Whether every line has printed its final state: the one line's, or each of several.
    bool complete() const;
    QString linkPath() const { return m_linkPath; }
    QList<LineChunk> chunks() const { return m_chunks; } // every RX and TX line, in order
    QByteArray received() const { return m_received; }   // every RX byte, in order
    QByteArray transmitted() const { return m_transmitted; }
    QStringList frameLines() const { return m_frameLines; }
    QStringList terminalLines() const { return m_terminalLines; } // "machine=N serial=HEX", with --bus
    bool hungUp() const { return m_hungUp; }
    // What the terminal held when the simulator stopped; nothing before its STATE and LOGO lines are read
    // or when they cannot be read.
    std::optional<TerminalState> finalState() const { return m_finalState; }

private:
    void readLine(const QByteArray &line);

    QByteArray m_text;
    QByteArray m_partialLine;
    QString m_devicePath;
    QStringList m_devicePaths;
    std::map<int, OutputReader> m_lines;
    QString m_linkPath;
    QList<LineChunk> m_chunks;
    QByteArray m_received;
    QByteArray m_transmitted;
    QStringList m_frameLines;
    QStringList m_terminalLines;
    bool m_hungUp = false;
    QByteArray m_stateLine;
    std::optional<TerminalState> m_finalState;
};

} // namespace sim
