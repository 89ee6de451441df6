#include "outcome.h"

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
        return QStringLiteral("ok");
    case ResultStatus::NoReply:
        return QStringLiteral("no-reply");
    case ResultStatus::WrongReply:
        return QStringLiteral("wrong-reply");
    case ResultStatus::PortLost:
        return QStringLiteral("port-lost");
    case ResultStatus::PortOpenFailed:
        return QStringLiteral("port-open-failed");
    case ResultStatus::BadInput:
        return QStringLiteral("bad-input");
    case ResultStatus::OutputFailed:
        return QStringLiteral("output-failed");
    case ResultStatus::Interrupted:
        return QStringLiteral("interrupted");
    case ResultStatus::Incomplete:
        return QStringLiteral("incomplete");
    case ResultStatus::DuplicateSerial:
        return QStringLiteral("duplicate-serial");
    case ResultStatus::NumberTaken:
        return QStringLiteral("number-taken");
    case ResultStatus::Skipped:
        return QStringLiteral("skipped");
    case ResultStatus::NotReached:
        return QStringLiteral("not-reached");
    case ResultStatus::FileError:
        break;
    }
    return QStringLiteral("file-error");
}

int exitCodeOf(ResultStatus status)
{
    switch (status) {
    case ResultStatus::Ok:
        return ExitCode::Done;
    case ResultStatus::NoReply:
    case ResultStatus::WrongReply:
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
