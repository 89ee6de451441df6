#include "outcome.h"

#include "outcome_words.h"
#include "stop_signals.h"

#include <csignal>

ResultStatus resultStatusOf(CommandStatus status)
{
    switch (status) {
    case CommandStatus::Done:
        return ResultStatus::Ok;
    case CommandStatus::NoReply:
        return ResultStatus::NoReply;
    case CommandStatus::WrongReply:
        return ResultStatus::WrongReply;
    case CommandStatus::PortLost:
        return ResultStatus::PortLost;
    case CommandStatus::Interrupted:
        return ResultStatus::Interrupted;
    case CommandStatus::PortOpenFailed:
        break;
    }
    return ResultStatus::PortOpenFailed;
}

QString statusWord(ResultStatus status)
{
    switch (status) {
    case ResultStatus::Ok:
        return OutcomeWord::Ok.toString();
    case ResultStatus::NoReply:
        return OutcomeWord::NoReply.toString();
    case ResultStatus::WrongReply:
        return OutcomeWord::WrongReply.toString();
    case ResultStatus::PortLost:
        return OutcomeWord::PortLost.toString();
    case ResultStatus::PortOpenFailed:
        return OutcomeWord::PortOpenFailed.toString();
    case ResultStatus::BadInput:
        return OutcomeWord::BadInput.toString();
    case ResultStatus::OutputFailed:
        return OutcomeWord::OutputFailed.toString();
    case ResultStatus::Interrupted:
        return OutcomeWord::Interrupted.toString();
    case ResultStatus::Incomplete:
        return OutcomeWord::Incomplete.toString();
    case ResultStatus::DuplicateSerial:
        return OutcomeWord::DuplicateSerial.toString();
    case ResultStatus::NumberTaken:
        return OutcomeWord::NumberTaken.toString();
    case ResultStatus::Skipped:
        return OutcomeWord::Skipped.toString();
    case ResultStatus::Collision:
        return OutcomeWord::Collision.toString();
    case ResultStatus::NotReached:
        return OutcomeWord::NotReached.toString();
    case ResultStatus::FileError:
        break;
    }
    return OutcomeWord::FileError.toString();
}

QStringList allStatusWords()
{
    QStringList words;
    for (int status = int(ResultStatus::Ok); status <= int(ResultStatus::NotReached); ++status)
        words << statusWord(ResultStatus(status));
    return words;
}

int exitCodeOf(ResultStatus status)
{
    switch (status) {
    case ResultStatus::Ok:
        return ExitCode::Done;
    case ResultStatus::NoReply:
    case ResultStatus::WrongReply:
    case ResultStatus::Collision:
        return ExitCode::NoAnswer;
    case ResultStatus::PortLost:
    case ResultStatus::PortOpenFailed:
        return ExitCode::PortFailed;
    case ResultStatus::BadInput:
        return ExitCode::BadUsage;
    case ResultStatus::OutputFailed:
        return ExitCode::OutputFailed;
    case ResultStatus::Interrupted:
        return ExitCode::SignalBase + (StopSignals::received() ? StopSignals::received() : SIGINT);
    case ResultStatus::Incomplete:
    case ResultStatus::DuplicateSerial:
    case ResultStatus::NumberTaken:
    case ResultStatus::Skipped:
    case ResultStatus::NotReached:
        return ExitCode::Incomplete;
    case ResultStatus::FileError:
        break;
    }
    return ExitCode::FileFailed;
}

Outcome problemOutcome(const QString &command, const Problem &problem)
{
    return {.command = command, .status = problem.status, .message = problem.message};
}
