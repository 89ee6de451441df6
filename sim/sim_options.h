#pragma once

#include "sim_bus.h"
#include "sim_core.h"

#include <QMap>
#include <QString>

#include <variant>

class QCommandLineParser;

// timeclock-sim's command line: what the terminal holds at start, the faults it shows, and how it reports.
namespace sim {

struct SimulatorOptions
{
    TerminalState initial;
    FaultConfig faults;
    QString linkPath;
    bool quitOnEof = false;
    bool timestamps = false;  // RX and TX lines end with the CLOCK_MONOTONIC time in nanoseconds
    bool exactTiming = false; // replies wait to the microsecond rather than to whole milliseconds
    QString picturePath;      // where to write the stored logo as a PNG on exit; empty: nowhere
    // --echo: every byte received goes straight back before any answer, as a two-wire RS-485 adapter whose
    // receiver stays on while it sends hands it back.
    bool echo = false;
    // --echo-altered-at N: the N-th byte echoed (from 0, over the whole run) goes back altered; implies --echo.
    std::optional<int> echoAlteredAt;
    // --bus: the terminals sharing the line, each with the faults of its own entry only; empty: the one
    // terminal of --machine and --serial.
    QList<BusTerminal> bus;
    // --lines N: N lines, each its own pseudo-terminal with its own terminals, in one process.
    int lines = 1;
    // --line-bus I:SPEC: line I (from 1) carries these terminals instead of those every other line has.
    QMap<int, QList<BusTerminal>> lineBus;
    // --line-hangup-at I:K: line I alone closes when its frame K arrives.
    QMap<int, int> lineHangUpAt;
};

// The most lines one simulator serves.
inline constexpr int MaxLines = 64;

// The options of each line, from 1 to `lines`: the shared ones, with what --line-bus and
// --line-hangup-at say of that line on top.
QList<SimulatorOptions> optionsPerLine(const SimulatorOptions &options);

// The terminals on the line: the bus's, each with the shared fault options and its own on top, or the one
// terminal the options describe.
QList<BusTerminal> terminalsOnLine(const SimulatorOptions &options);

// Declares the simulator's options on `parser`.
void addSimulatorOptions(QCommandLineParser &parser);

// Reads the options from a parser that has parsed the command line; on a bad value, the message to show.
std::variant<SimulatorOptions, QString> simulatorOptionsFrom(const QCommandLineParser &parser);

} // namespace sim
