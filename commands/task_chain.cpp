#include "task_chain.h"

#include "command_session.h"

TaskChain::TaskChain(Next next) : m_next(std::move(next)) {}

CommandStep TaskChain::begin()
{
    m_current = m_next(nullptr);
    if (!m_current)
        return CommandResult{};
    return carryOn(m_current->begin(), nullptr);
}

CommandStep TaskChain::next(const ExchangeOutcome &outcome)
{
    return carryOn(m_current->next(outcome), &outcome);
}

CommandStep TaskChain::carryOn(CommandStep step, const ExchangeOutcome *last)
{
    while (auto *result = std::get_if<CommandResult>(&step)) {
        if (!result->linesConfirmed)
            result->linesConfirmed = m_current->linesConfirmed();
        if (last)
            CommandSession::explainEcho(*result, *last);
        m_current = m_next(result);
        if (!m_current)
            return CommandResult{};
        step = m_current->begin();
        last = nullptr;
    }
    return step;
}

void TaskChain::withdraw()
{
    if (m_current)
        m_current->withdraw();
}

std::optional<int> TaskChain::linesConfirmed() const
{
    return m_current ? m_current->linesConfirmed() : std::nullopt;
}
