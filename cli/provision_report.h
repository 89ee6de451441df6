#pragma once

#include "command_table.h"
#include "outcome.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The steps each terminal of a batch goes through, in order: its serial number read at the factory number
// (so nothing is written to a terminal that is not a new one), the new number, the settings and the logo
// sent to it, and its serial number read back under the new number to confirm it answers there.
struct ProvisionStep
{
    TerminalCommand command;
    QStringView name;  // the report's column and the line's word
};
inline constexpr ProvisionStep ProvisionSteps[] = {
    {TerminalCommand::ReadSerial, u"check"},
    {TerminalCommand::ChangeNumber, u"renumber"},
    {TerminalCommand::Settings, u"settings"},
    {TerminalCommand::DownloadLogo, u"logo"},
    {TerminalCommand::ReadSerial, u"confirm"},
};
inline constexpr int ProvisionStepCount = int(std::size(ProvisionSteps));
inline constexpr int CheckStep = 0;
inline constexpr int RenumberStep = 1;

// What became of one requested number.
enum class TerminalFate {
    Done,
    Failed,
    Skipped,      // the operator passed it over before it was tried
    NotReached,   // the batch ended first (q, the end of the answers, an interruption before it)
    Interrupted,  // a stop signal came while it was being set up
};
QString fateWord(TerminalFate fate);  // "done", "failed", "skipped", "not-reached", "interrupted"

struct TerminalRecord
{
    int number = 0;
    TerminalFate fate = TerminalFate::NotReached;
    QString serial{};                                         // read at the factory number
    std::optional<ResultStatus> steps[ProvisionStepCount]{};  // nothing for a step not run
    int failedStep = -1;                                      // index into ProvisionSteps, or -1
    ResultStatus status = ResultStatus::Ok;                   // why it is not done
    QString message{};
    std::optional<int> linesConfirmed{};
    qint64 elapsedMs = 0;
    bool tried = false;                                       // this run tried to set it up (elapsedMs timed it)
    QDateTime time{};                                         // when it was tried
    QString port{};                                           // its line, where a batch covers several

    bool done() const { return fate == TerminalFate::Done; }
};

// What every row of one run shares.
struct ReportContext
{
    QString port;
    QString profile;
    QString logoFile;
    QString logoHash;  // the first 12 hex digits of the SHA-256 of the 512 bytes sent; empty without a logo
};

// "3  serial 0A1B2C  done  1.9 s", or what became of it and why.
QString recordLine(const TerminalRecord &record);

// A CSV field a spreadsheet keeps as text: a serial, a hash or a time, which it would otherwise read as a
// number or a date (a leading tab, invisible there, which readReport() takes off again).
QString spreadsheetText(const QString &field);
// A CSV field of free text, kept from being read as a formula ("=", "+", "-", "@" first).
QString spreadsheetGuarded(const QString &field);
// "2026-12-10T17:44:48+08:00": the local time with its offset, also at UTC.
QString isoTimeWithOffset(const QDateTime &time);
// One CSV record, RFC 4180 quoting, CRLF-ended; and the bytes that start a file: UTF-8's byte-order mark
// (so a spreadsheet reads the file as UTF-8) and the header.
QByteArray csvLine(const QStringList &fields);
QByteArray csvStart(const QStringList &header);

// The report's header line's fields, and one row's bytes (CRLF-ended, RFC 4180 quoting).
QStringList reportHeader();
QByteArray reportRow(const TerminalRecord &record, const ReportContext &context);
// The bytes that start a new report: UTF-8's byte-order mark and the header.
QByteArray reportStart();

// A report that exists already, read back: its rows as fields (the header checked and left out). Text that
// a spreadsheet would otherwise turn into a number, a date or a formula is written with a leading tab,
// which this takes off again.
struct ExistingReport
{
    QList<QStringList> rows;
    // A last row cut short (the power went while it was written): its text, left out of `rows`, and the
    // size of the report before it, where the next row belongs.
    QString cutRow{};
    qsizetype wholeSize = 0;
    QStringList doneNumbers() const;                 // numbers whose row says done
    QHash<QString, QString> doneSerials() const;     // serial -> number, of the done rows
    QString serialOf(int number) const;              // the serial of the number's last done row
    // The number's last row when it was not done and its unit's serial was read: the steps it confirmed,
    // to be finished from there. A logo confirmed with another picture than `logoHash` is not confirmed.
    std::optional<TerminalRecord> lastAttempt(int number, const QString &logoHash) const;
};
std::variant<ExistingReport, QString /*why it is not a report*/> readReport(const QByteArray &bytes);

// A report is read whole and written whole after every terminal; a larger file is refused before it is read.
// 64 MB is some 300,000 rows.
inline constexpr qint64 ReportSizeLimit = 64 * 1024 * 1024;

// RFC 4180 fields of CSV text; nothing for text that is not CSV (an unclosed quote).
std::optional<QList<QStringList>> csvRecords(const QString &text);
