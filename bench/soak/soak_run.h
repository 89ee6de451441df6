#pragma once

// Runs the plan: batch after batch against fresh simulators, each command through CommandSession as the
// window drives it, every outcome and the terminal's final state compared with the model.

#include "soak_model.h"
#include "soak_plan.h"
#include "soak_report.h"

#include "command_session.h"
#include "sim_process.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>

namespace soak {

struct SoakOptions
{
    int exchanges = 10'000;
    int downloads = 100;
    quint32 seed = 0;
    bool settle = true; // after a fault, wait for the terminal's late replies before the next command
};

class Soak
{
public:
    explicit Soak(SoakOptions options) : m_options(options), m_random(options.seed) {}

    // Plans and runs everything; what it found is in tally().
    bool run();
    const Tally &tally() const { return m_tally; }

private:
    struct CommandResult
    {
        QString message;
        int messages = 0;
        bool finished = false;
        qint64 elapsedMs = 0; // from the start, or for a download from the start of its last line
        TaskWatch watch;
    };

    void runBatch(int batch, const QList<PlannedCommand> &commands, const PlannedFault &fault);
    QStringList checkOutcome(const PlannedCommand &command, const Expected &expected,
                             const CommandResult &result, const TerminalModel &model);
    std::unique_ptr<sim::SimProcess> startSimulator(TerminalModel &model, quint8 machine,
                                                    const QByteArray &serial, const QStringList &faultOptions,
                                                    int batch);
    CommandResult runCommand(const PlannedCommand &command, const QString &device, quint8 machine);
    void finishSimulator(std::unique_ptr<sim::SimProcess> simulator, const TerminalModel &model, int batch,
                         const PlannedFault &fault);
    void recordUnexpected(int batch, int command, const QString &name, const PlannedFault &fault,
                          const QString &what);

    SoakOptions m_options;
    QRandomGenerator m_random;
    CommandSession m_session;
    QTemporaryDir m_dir;
    Tally m_tally;
};

} // namespace soak
