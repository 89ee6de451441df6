#pragma once

#include "exchange.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// How a command ended, in terms a script can act on.
enum class CommandStatus {
    Done,            // the terminal confirmed it (or answered, for a read)
    NoReply,         // no complete answer within the reply limit
    WrongReply,      // an answer from someone else, or noise
    PortLost,        // the device failed or went away during the command
    PortOpenFailed,  // the port could not be opened; nothing was sent
    Interrupted,     // stopped on request after an exchange's answer (or its time-out); the port is released
};

// How a command ended: the status line's message, the status, and the terminal's last answer.
struct CommandResult
{
    QString message;
    CommandStatus status = CommandStatus::Done;
    QByteArray reply{};
    // A download: the lines the terminal confirmed; the picture it holds is new up to there.
    std::optional<int> linesConfirmed{};
    // The message says what came back already (the line's echo): no reason is added to it.
    bool reasonGiven = false;
};

// Bytes on the line before a frame went out, more of them than a late answer and a stray byte leave, or a
// listen that never heard the line go quiet: the line is talking by itself (another master, noise, a server
// at another rate). A command says so rather than calling it a wrong answer.
inline bool lineWasTalking(const ExchangeOutcome &outcome)
{
    constexpr qsizetype MoreThanALateAnswer = 16;
    return outcome.lineTalking || (outcome.beforeFrame && outcome.reply.size() > MoreThanALateAnswer);
}

// What a command does next: another exchange, or finish.
using CommandStep = std::variant<Exchange, CommandResult>;

// A command as a sequence of exchanges, driven by CommandSession.
class TerminalTask
{
public:
    virtual ~TerminalTask() = default;
    virtual CommandStep begin() = 0;
    virtual CommandStep next(const ExchangeOutcome &outcome) = 0;
    // The exchange next() returned last is not sent: the command was asked to stop and ends instead.
    virtual void withdraw() {}
    // For a download, the lines confirmed so far, however the command ends (the port may fail to open or
    // vanish); nothing for other commands.
    virtual std::optional<int> linesConfirmed() const { return std::nullopt; }
    // Waits so short that a USB adapter's holding back of received bytes matters (see LowLatencyForScan).
    virtual bool wantsLowLatency() const { return false; }
};
