#pragma once

#include "terminal_task.h"

#include <QString>
#include <QStringList>

#include <optional>

// How one run of the command line ended, in the words scripts read (--json's "status") and the exit code
// they test.
enum class ResultStatus {
    Ok,
    NoReply,
    WrongReply,
    PortLost,
    PortOpenFailed,
    BadInput,        // bad usage or input: nothing was sent
    FileError,       // a file could not be used or was refused as a target: nothing was sent
    OutputFailed,    // what was to be written could not be (standard output closed or full, a disk full)
    Interrupted,     // stopped by SIGINT or SIGTERM after the exchange on the line had ended
    Incomplete,      // a batch ended with numbers not done, none of them failed
    DuplicateSerial, // a batch's terminal whose serial number was already set up
    NumberTaken,     // a batch's new number, or one it gave, already answers: a renumber would reach that terminal too
    Skipped,         // a batch's number the operator passed over
    Collision,       // a scan's number answered by two terminals at once, or so it seems
    NotReached,      // a batch's number not come to before the batch ended; the last (allStatusWords() reads up to it)
};

// The process's exit codes, as --help and the README list them.
namespace ExitCode {
inline constexpr int Done = 0;
inline constexpr int NoAnswer = 1;      // no answer in time, or a wrong one
inline constexpr int BadUsage = 2;      // bad usage or input; nothing was sent
inline constexpr int PortFailed = 3;    // the port could not be opened or went away
inline constexpr int FileFailed = 4;    // a file could not be used
inline constexpr int OutputFailed = 5;  // the output could not be written
inline constexpr int Incomplete = 6;    // a batch stopped with numbers not done
// Stopped by a signal: 128 + its number, as shells report it (130 for SIGINT, 143 for SIGTERM).
inline constexpr int SignalBase = 128;
} // namespace ExitCode

ResultStatus resultStatusOf(CommandStatus status);
QString statusWord(ResultStatus status);  // "ok", "no-reply", ...
// Every status word --json can give, in the order of ResultStatus.
QStringList allStatusWords();
int exitCodeOf(ResultStatus status);

// Something wrong with what the command was given, found before the port is opened.
struct Problem
{
    ResultStatus status = ResultStatus::BadInput;
    QString message;  // one line that names the problem
};

// One result as the command line reports it. Every result, whatever the command and its end, gives the
// same JSON keys; a field that does not apply is null there.
struct Outcome
{
    QString command;
    ResultStatus status = ResultStatus::Ok;
    QString message;                   // the window's text for it
    QString printed{};                 // what a success prints instead of the message (the serial, a path)
    std::optional<QString> port{};     // the device the command went to
    std::optional<QString> serial{};
    std::optional<int> machine{};
    std::optional<int> linesConfirmed{};  // a download: the lines the terminal confirmed
    std::optional<qint64> elapsedMs{};
    std::optional<QString> step{};        // provision: the step that failed
    std::optional<QStringList> notDone{}; // provision's summary: the numbers not done

    bool ok() const { return status == ResultStatus::Ok; }
};

Outcome problemOutcome(const QString &command, const Problem &problem);
