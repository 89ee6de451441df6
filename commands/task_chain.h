#pragma once

#include "terminal_task.h"

#include <functional>
#include <memory>

// Several tasks one after another on one opening of the port (the terminals of a line, each its settings
// and its logo). Each task's end is told to `next`, which gives the task to run after it, or none to end
// the chain; it is first asked with nothing finished yet. The chain ends Done when `next` gives none: how
// each task ended is what `next` was told. A stop, a lost port or a port that does not open ends the chain
// through the session, with the task then running.
class TaskChain : public TerminalTask
{
public:
    using Next = std::function<std::unique_ptr<TerminalTask>(const CommandResult *finished)>;

    explicit TaskChain(Next next);

    CommandStep begin() override;
    CommandStep next(const ExchangeOutcome &outcome) override;
    void withdraw() override;
    std::optional<int> linesConfirmed() const override;

private:
    // Passes each task's end on to `next` until a task asks for an exchange or none is left.
    CommandStep carryOn(CommandStep step, const ExchangeOutcome *last);

    Next m_next;
    std::unique_ptr<TerminalTask> m_current;
};
