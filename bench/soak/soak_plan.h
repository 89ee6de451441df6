#pragma once

// The random plan of a soak run: which commands, in which batches, and which fault each batch meets.

#include "soak_commands.h"

#include <QList>
#include <QRandomGenerator>
#include <QStringList>

namespace soak {

enum class Fault
{
    None,
    WrongByte,
    ExtraByte,
    Noise,
    SplitReply,
    HangUp,
    DelayInTime, // a reply well inside the limit
    LateReply,   // --delay-ms 1200: after the limit
    ShortReply,
    Silence,
};

const char *faultName(Fault fault);

// One fault at one exchange of one command of a batch (or none).
struct PlannedFault
{
    Fault fault = Fault::None;
    int command = -1;   // the command of the batch it hits
    int exchange = 0;   // which of that command's exchanges (a logo line)
    int amount = 0;     // bytes of noise, or milliseconds of delay
    int frameIndex = 0; // the frame as the simulator counts them

    QStringList simulatorOptions() const;
    QString describe() const;
};

// Every command of the run in a random order: `singleExchanges` drawn from the one-exchange commands, and
// `downloads` logo downloads.
QList<TerminalCommand> planKinds(int singleExchanges, int downloads, QRandomGenerator &random);

// Batch sizes that together hold `commandCount` commands.
QList<int> planBatchSizes(qsizetype commandCount, QRandomGenerator &random);

// A random fault for a batch of `commands`, or none.
PlannedFault planFault(const QList<PlannedCommand> &commands, QRandomGenerator &random);

} // namespace soak
