#pragma once

#include "command_table.h"
#include "outcome.h"

#include <QList>
#include <QString>

#include <optional>

// The steps each terminal of a batch goes through, in order: the new number, the settings and the logo
// sent to it, and its serial number read back under the new number to confirm it answers there.
inline constexpr TerminalCommand ProvisionSteps[] = {
    TerminalCommand::ChangeNumber,
    TerminalCommand::Settings,
    TerminalCommand::DownloadLogo,
    TerminalCommand::ReadSerial,
};
inline constexpr int ProvisionStepCount = int(std::size(ProvisionSteps));

// What became of one terminal of the batch.
struct TerminalRecord
{
    int number = 0;
    QString serial{};
    std::optional<ResultStatus> steps[ProvisionStepCount]{};  // nothing for a step not run
    int failedStep = -1;                                      // index into ProvisionSteps, or -1
    QString failure{};                                        // the failed step's message
    qint64 elapsedMs = 0;

    bool ok() const { return failedStep < 0; }
    ResultStatus status() const { return ok() ? ResultStatus::Ok : *steps[failedStep]; }
};

// "3  serial 0A1B2C  ok  1.9 s", or the step that failed and why.
QString recordLine(const TerminalRecord &record);

// The CSV report: a header, then one row per terminal (number, serial, each step's status, seconds).
QByteArray reportCsv(const QList<TerminalRecord> &records);
