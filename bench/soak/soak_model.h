#pragma once

// What the terminal should hold and should have seen, and what the program should report, worked out from
// the plan alone.

#include "soak_commands.h"
#include "soak_plan.h"

#include "logo_file.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace soak {

// One simulator's terminal as it should be.
struct TerminalModel
{
    quint8 machine = 0;
    QByteArray serial;
    quint8 mode = 0;
    quint8 delay = 0;
    quint8 font = 0;
    QByteArray logo = QByteArray(LogoByteCount, '\0');
    QByteArray received; // every byte the program should have put on the line
    qsizetype sent = 0;  // bytes the terminal should have sent back, faults included

    // Exchange `line` of `command` reached the terminal; `fault` when it hits this exchange.
    void exchangeReached(const PlannedCommand &command, int line, const PlannedFault *fault);
};

// What a command should end with.
struct Expected
{
    QString message;
    int exchangesSent = 0; // exchanges that reach the terminal
    bool nextHeldBack = false; // the next exchange was begun but not sent: a byte was already waiting
    bool timesOut = false;
    bool linkLost = false;
};

// What the terminal does with exchange `line` of the command, worked out independently of the program.
void applyEffect(const PlannedCommand &command, int line, TerminalModel &model);

// What the window shows of the terminal's answer after the command succeeded, for a terminal that holds
// `model`; nothing for a command whose answer only confirms.
std::optional<QString> shownAnswer(TerminalCommand kind, const TerminalModel &model);

// `fault` when it hits this command, else nullptr.
Expected expectedOutcome(const PlannedCommand &command, const PlannedFault *fault);

} // namespace soak
