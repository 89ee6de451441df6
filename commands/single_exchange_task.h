#pragma once

#include "exchange.h"

#include <functional>

// A command made of one exchange; `conclude` turns its outcome into the status message (and may act on
// the reply first).
class SingleExchangeTask : public TerminalTask
{
public:
    using Conclusion = std::function<QString(const ExchangeOutcome &)>;

    SingleExchangeTask(Exchange exchange, Conclusion conclude)
        : m_exchange(std::move(exchange)), m_conclude(std::move(conclude))
    {
    }

    CommandStep begin() override { return m_exchange; }
    CommandStep next(const ExchangeOutcome &outcome) override { return Finished{m_conclude(outcome)}; }

private:
    Exchange m_exchange;
    Conclusion m_conclude;
};

// The status message of a command that writes to the terminal and is confirmed by a one-byte answer.
QString settingMessage(const ExchangeOutcome &outcome);
