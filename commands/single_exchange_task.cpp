#include "single_exchange_task.h"

#include "status_messages.h"

QString settingMessage(const ExchangeOutcome &outcome)
{
    return outcome.kind == ExchangeOutcome::Kind::Replied ? StatusText::SettingSucceeded.toString()
                                                          : StatusText::CommunicationFailed.toString();
}
