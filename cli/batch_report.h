#pragma once

#include "logo_file.h"
#include "outcome.h"
#include "provision_report.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the batches (provision, apply) share: their report file, its options, and how a batch is summed up.

// --report FILE.csv and --resume.
QCommandLineOption reportOption();
QCommandLineOption resumeOption();

// The report, kept whole in memory and written through a temporary file after every terminal, so a
// batch that stops anywhere leaves a complete file.
class ReportFile
{
public:
    explicit ReportFile(QString path) : m_path(std::move(path)) {}

    bool wanted() const { return !m_path.isEmpty(); }
    const QString &path() const { return m_path; }

    // Reads the report that is there (appended to only when it is this program's), or starts one.
    std::optional<Problem> open(const QStringList &inputs, ExistingReport *existing);
    std::optional<Problem> append(const QByteArray &row);

private:
    std::optional<Problem> save();

    QString m_path;
    QByteArray m_bytes;
};

// A unit turned away before anything was written to it, for what is on the line (a terminal answers at
// its number) or in the records (its serial number was set up already): not done, yet nothing failed, so
// it counts as a number not done (exit 6) and the summary names it by its own kind, not as 失败.
bool turnedAway(const TerminalRecord &record);

// "共 4 台：完成 1 台；失败 1 台（2）；没轮到 2 台（3, 4）"; `rowLost`: the terminal whose report row could
// not be written, so the batch is never "全部完成" without its record.
// Numbers as runs, in order: "4-27, 30".
QString numberRuns(QList<int> numbers);
QString summaryLine(const QList<TerminalRecord> &records, const std::optional<QString> &rowLost = std::nullopt);

// What the terminal holds after a failed attempt, so that its row never denies a confirmed step:
// "已确认：改号 51、设置、图片前 7 行"; empty when nothing was confirmed.
QString heldText(const TerminalRecord &record);

// A terminal's row for --json, as the batch `command` ran it.
Outcome recordOutcome(const TerminalRecord &record, const ReportContext &context, const QString &command);

// The first 12 hex digits of the SHA-256 of the logo's 512 bytes, as the report keeps it; empty without one.
QString shortHash(const std::optional<LogoPicture> &logo);
