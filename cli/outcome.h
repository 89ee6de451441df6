#pragma once

#include "exchange.h"

#include <QString>

#include <optional>

// How one run of the command line ended, in the words scripts read (--json's "status") and the exit code
// they test.
enum class ResultStatus {
    Ok,
    NoReply,
    WrongReply,
    PortLost,
    PortOpenFailed,
    BadInput,   // bad usage or input: nothing was sent
    FileError,  // a file could not be used: nothing was sent
};

// The process's exit codes, as --help and the README list them.
namespace ExitCode {
inline constexpr int Done = 0;
inline constexpr int NoAnswer = 1;    // no answer in time, or a wrong one
inline constexpr int BadUsage = 2;    // bad usage or input; nothing was sent
inline constexpr int PortFailed = 3;  // the port could not be opened or went away
inline constexpr int FileFailed = 4;  // a file could not be used
} // namespace ExitCode

ResultStatus resultStatusOf(CommandStatus status);
QString statusWord(ResultStatus status);  // "ok", "no-reply", ...
int exitCodeOf(ResultStatus status);

// Something wrong with what the command was given, found before the port is opened.
struct Problem
{
    ResultStatus status = ResultStatus::BadInput;
    QString message;  // one line that names the problem
};

// One result as the command line reports it.
struct Outcome
{
    QString command;
    ResultStatus status = ResultStatus::Ok;
    QString message;                   // the window's text for it
    QString printed{};                 // what a success prints instead of the message (the serial, a path)
    std::optional<QString> serial{};
    std::optional<int> machine{};
    std::optional<qint64> elapsedMs{};

    bool ok() const { return status == ResultStatus::Ok; }
};

Outcome problemOutcome(const QString &command, const Problem &problem);
