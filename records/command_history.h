#pragma once

#include "command_session.h"
#include "command_table.h"
#include "machine_scan.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A record of every command sent to a terminal, by the window and by the command line alike: one line
// each, appended to a file in the user's data folder once the command has ended, so a technician can
// tell afterwards what was done to which terminal.
struct HistoryEntry
{
    QDateTime time;
    QString device;   // the device the port reached, or the port number where it reached none
    QString machine;  // the machine number addressed (for a renumber, the new one; for a scan, the range)
    QString command;  // the command line's word for it
    // How it ended: "ok", "no-reply", ..., "cancelled"; then, for a download that did not complete,
    // "lines=N" (the lines the terminal confirmed), for a scan every answer (see scanHistoryEntry()).
    QString outcome;
    QString serial{};    // the serial read or written, or of the terminal addressed where the run knew it
    QString logoHash{};  // a download's picture: SHA-256 of its 512 bytes, in hex
    QString settings{};  // the settings sent, "mode=door picture=true delay=5 font=traditional" (settingsWords())
    QString logoSource{};  // a download's picture: the file's path, or "text:" and the text drawn

    bool operator==(const HistoryEntry &) const = default;
};

// The entry for one of the five commands, once it has ended.
HistoryEntry historyEntryFor(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs,
                             const CommandResult &result);

// The history's line for a scan of `range` on `port` that asked its first `asked` numbers (none recorded when
// it asked none, as when the port did not open) and ended as `outcome` (a word as outcomeWord() gives it, or
// OutcomeWord::Cancelled), with every answer: "18:0A1B2C" for a terminal found, "late:18:0A1B2C" for a late
// answer, "wrong:9" for a wrong one, "collision:18:445566" for a second answer with another serial. The window and the command line record a scan alike through here.
HistoryEntry scanHistoryEntry(const PortChoice &port, const MachineRange &range, int asked, QStringView outcome,
                              const QList<ScanAnswer> &answers);

// "ok", "no-reply", "wrong-reply", "port-lost", "port-open-failed" or "interrupted" (see OutcomeWord).
QString outcomeWord(CommandStatus status);

// An entry's outcome taken apart.
struct HistoryOutcome
{
    struct Answer
    {
        QString kind;  // "found", "late" or "wrong"
        int machine = 0;
        QString serial{};  // empty for a wrong answer
    };
    QString word;  // "ok", "no-reply", ...
    std::optional<int> linesConfirmed{};
    QList<Answer> answers{};
};

// Also reads the scan lines of earlier versions, which held the terminals found and no word.
HistoryOutcome outcomeParts(const QString &outcome);

namespace CommandHistory {

QString filePath();

// Appends the entry. A command's outcome never depends on this: when the file cannot be written the
// entry is lost, and the first such failure in a run returns a message to show once.
std::optional<QString> append(const HistoryEntry &entry);

// Every entry, oldest first; an empty list when there is no history yet. Lines that cannot be read are
// skipped, and so is a line longer than HistoryLineLimit; of a file larger than HistoryReadLimit only its
// last HistoryReadLimit bytes (the newest entries) are read.
QList<HistoryEntry> read();
inline constexpr qint64 HistoryReadLimit = 16 * 1024 * 1024;
inline constexpr qint64 HistoryLineLimit = 64 * 1024;

// The newest entry in which this PC wrote `serial` (six hex digits, either case) into a terminal and the
// terminal confirmed it: when and where that number went; nothing when it never did.
std::optional<HistoryEntry> lastWriteOfSerial(QStringView serial);
// That write in the operator's words: "2026-12-11 07:02 写入 /dev/ttyUSB0 的 18 号机".
QString serialWrittenWhere(const HistoryEntry &write);

// Records a scan that has ended (scanHistoryEntry()), and remembers the serials it heard by number for the
// entries after it (RememberedChoices::noteSerialsFound()).
std::optional<QString> appendScan(const PortChoice &port, const MachineRange &range, int asked, QStringView outcome,
                                  const QList<ScanAnswer> &answers);

// Records a command that has ended, the window's and the command line's alike (historyEntryFor()). Where
// the run did not know the addressed terminal's serial, the entry names the one this PC knows: the serial
// the line's scans heard at that number, or for a renumber, which reaches every terminal of the line, the
// line's only terminal. What the command changed of where a serial is (read, written, or renumbered to
// another number) is remembered for the entries after it (RememberedChoices::serialsFound()).
std::optional<QString> appendCommand(const PortChoice &port, TerminalCommand command, CommandInputs inputs,
                                     const CommandResult &result);

// One entry as a line of the file, and back. Lines written before the settings and the logo's source were
// kept (seven fields) still read, with those two empty.
QString lineOf(const HistoryEntry &entry);
std::optional<HistoryEntry> entryFromLine(const QString &line);

} // namespace CommandHistory
