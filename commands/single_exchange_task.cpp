#include "single_exchange_task.h"

#include "status_messages.h"

CommandStep SingleExchangeTask::next(const ExchangeOutcome &outcome)
{
    switch (outcome.kind) {
    case ExchangeOutcome::Kind::Replied:
        return CommandResult{m_successMessage, CommandStatus::Done, outcome.reply};
    case ExchangeOutcome::Kind::WrongReply:
        if (lineWasTalking(outcome))
            return CommandResult{StatusText::withDetail(StatusText::CommunicationFailed.toString(), StatusText::LineTalking.toString()),
                                 CommandStatus::WrongReply, outcome.reply, {}, true};
        return CommandResult{StatusText::CommunicationFailed.toString(), CommandStatus::WrongReply, outcome.reply};
    case ExchangeOutcome::Kind::TimedOut:
        break;
    }
    return CommandResult{StatusText::CommunicationFailed.toString(), CommandStatus::NoReply};
}
