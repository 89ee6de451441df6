#pragma once

#include "terminal_task.h"

// A command made of one exchange. A confirmed exchange shows the command's own success message; a
// missing or wrong answer shows "通讯失败！".
class SingleExchangeTask : public TerminalTask
{
public:
    SingleExchangeTask(Exchange exchange, QString successMessage)
        : m_exchange(std::move(exchange)), m_successMessage(std::move(successMessage))
    {
    }

    CommandStep begin() override { return m_exchange; }
    CommandStep next(const ExchangeOutcome &outcome) override;

private:
    Exchange m_exchange;
    QString m_successMessage;
};
