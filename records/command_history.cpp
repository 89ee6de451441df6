#include "command_history.h"

#include "file_writing.h"
#include "outcome_words.h"
#include "read_serial.h"
#include "remembered_choices.h"
#include "terminal_settings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <atomic>

namespace {

constexpr qsizetype FieldCount = 9;
// Lines of earlier versions end after the logo's hash.
constexpr qsizetype EarlierFieldCount = 7;

// A field never holds the tab that separates fields or a line break.
QString plain(QString text)
{
    for (QChar &character : text) {
        if (character == u'\t' || character == u'\n' || character == u'\r')
            character = u' ';
    }
    return text;
}

std::atomic_bool failureReported{false};

} // namespace

HistoryEntry scanHistoryEntry(const PortChoice &port, const MachineRange &range, int asked, QStringView outcome,
                              const QList<ScanAnswer> &answers)
{
    const std::optional<MachineRange> covered = range.firstOf(asked);
    QStringList words{outcome.toString()};
    for (const ScanAnswer &answer : answers) {
        switch (answer.kind) {
        case ScanAnswer::Kind::Found:
            words << QStringLiteral("%1:%2").arg(answer.machine).arg(answer.serial());
            break;
        case ScanAnswer::Kind::Late:
            words << QStringLiteral("late:%1:%2").arg(answer.machine).arg(answer.serial());
            break;
        case ScanAnswer::Kind::Wrong:
            words << QStringLiteral("wrong:%1").arg(answer.machine);
            break;
        case ScanAnswer::Kind::Collision:
            words << QStringLiteral("collision:%1:%2").arg(answer.machine).arg(answer.serial());
            break;
        }
    }
    return HistoryEntry{.time = QDateTime::currentDateTime(),
                        .device = port.label(),
                        .machine = covered ? QStringLiteral("%1-%2").arg(covered->first).arg(covered->last) : QString(),
                        .command = QStringLiteral("scan"),
                        .outcome = words.join(u' ')};
}

QString outcomeWord(CommandStatus status)
{
    switch (status) {
    case CommandStatus::Done:
        return OutcomeWord::Ok.toString();
    case CommandStatus::NoReply:
        return OutcomeWord::NoReply.toString();
    case CommandStatus::WrongReply:
        return OutcomeWord::WrongReply.toString();
    case CommandStatus::PortLost:
        return OutcomeWord::PortLost.toString();
    case CommandStatus::Interrupted:
        return OutcomeWord::Interrupted.toString();
    case CommandStatus::PortOpenFailed:
        break;
    }
    return OutcomeWord::PortOpenFailed.toString();
}

HistoryEntry historyEntryFor(const PortChoice &port, TerminalCommand command, const CommandInputs &inputs,
                             const CommandResult &result)
{
    const CommandRow &row = commandRow(command);
    HistoryEntry entry{.time = QDateTime::currentDateTime(),
                       .device = port.label(),
                       .machine = QString::number(inputs.machineNumber),
                       .command = row.name.toString(),
                       .outcome = outcomeWord(result.status)};
    if (row.reads & CommandInput::SerialNumber)
        entry.serial = QString::fromLatin1(inputs.serialNumber.toHex().toUpper());
    if (const auto serial = serialTextFromResult(result))
        entry.serial = *serial;
    if (entry.serial.isEmpty())
        entry.serial = inputs.knownSerial;
    // How far a download got that did not complete: the terminal's picture is new up to there.
    if (row.reads & CommandInput::Picture && result.status != CommandStatus::Done
        && result.status != CommandStatus::PortOpenFailed && result.linesConfirmed)
        entry.outcome += QStringLiteral(" lines=%1").arg(*result.linesConfirmed);
    if (row.reads & CommandInput::Picture) {
        entry.logoHash = QString::fromLatin1(QCryptographicHash::hash(inputs.picture.bytes, QCryptographicHash::Sha256).toHex());
        entry.logoSource = inputs.picture.source;
    }
    if (row.reads & CommandInput::Settings)
        entry.settings = settingsWords(inputs.settings, inputs.delay);
    return entry;
}

HistoryOutcome outcomeParts(const QString &outcome)
{
    HistoryOutcome parts;
    const QStringList words = outcome.split(u' ', Qt::SkipEmptyParts);
    for (const QString &word : words) {
        const QStringList fields = word.split(u':');
        bool number = false;
        if (word.startsWith(QStringLiteral("lines="))) {
            if (const int lines = word.mid(6).toInt(&number); number)
                parts.linesConfirmed = lines;
        } else if (fields.size() == 2 && fields.at(0) == u"wrong") {
            if (const int machine = fields.at(1).toInt(&number); number)
                parts.answers.append({QStringLiteral("wrong"), machine});
        } else if (fields.size() == 3 && (fields.at(0) == u"late" || fields.at(0) == u"collision")) {
            if (const int machine = fields.at(1).toInt(&number); number)
                parts.answers.append({fields.at(0), machine, fields.at(2)});
        } else if (fields.size() == 2) {
            if (const int machine = fields.at(0).toInt(&number); number)
                parts.answers.append({QStringLiteral("found"), machine, fields.at(1)});
        } else if (parts.word.isEmpty()) {
            parts.word = word;
        }
    }
    // An earlier version's scan line: only the terminals it found.
    if (parts.word.isEmpty())
        parts.word = parts.answers.isEmpty() ? QString() : QStringLiteral("ok");
    return parts;
}

namespace CommandHistory {

QString filePath()
{
    // The window and the command line share the file, whatever the application object calls itself.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/timeclock-setup/history.tsv");
}

QString lineOf(const HistoryEntry &entry)
{
    const QStringList fields{entry.time.toOffsetFromUtc(entry.time.offsetFromUtc()).toString(Qt::ISODate),
                             plain(entry.device),
                             plain(entry.machine),
                             plain(entry.command),
                             plain(entry.outcome),
                             plain(entry.serial),
                             plain(entry.logoHash),
                             plain(entry.settings),
                             plain(entry.logoSource)};
    return fields.join(u'\t');
}

std::optional<HistoryEntry> entryFromLine(const QString &line)
{
    const QStringList fields = line.split(u'\t');
    // lineOf() never writes a line break into a field.
    if ((fields.size() != FieldCount && fields.size() != EarlierFieldCount) || line.contains(u'\r') || line.contains(u'\n'))
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(fields.at(0), Qt::ISODate);
    if (!time.isValid())
        return std::nullopt;
    return HistoryEntry{time, fields.at(1), fields.at(2), fields.at(3), fields.at(4), fields.at(5), fields.at(6),
                        fields.value(7), fields.value(8)};
}

std::optional<QString> append(const HistoryEntry &entry)
{
    const QString path = filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    const QByteArray bytes = lineOf(entry).toUtf8() + '\n';
    // One write of the whole line to a file opened for appending: lines of the window and of a command
    // line running at the same time never interleave.
    std::optional<FileWriteFailure> failure;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        failure = FileWriteFailure{.opened = false, .reason = file.errorString()};
    else
        failure = appendWhole(file, bytes);  // a full disk leaves no half line behind
    if (!failure || failureReported.exchange(true))
        return std::nullopt;
    const QString reason = failure->reason;
    return QCoreApplication::translate("CommandHistory", "历史记录写不进 %1（%2）；命令照常完成，这次起的记录会丢失")
        .arg(QDir::toNativeSeparators(path), reason);
}

namespace {

// Reads on to the end of the line `line` began (bounded pieces), for a line too long to be an entry.
void skipRestOfLine(QFile &file, QByteArray line)
{
    while (!line.endsWith('\n') && !file.atEnd())
        line = file.readLine(HistoryLineLimit);
}

} // namespace

QList<HistoryEntry> read()
{
    QFile file(filePath());
    QList<HistoryEntry> entries;
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    // Years of use make a long file; its newest part is what anyone reads, and memory stays bounded.
    if (file.size() > HistoryReadLimit && file.seek(file.size() - HistoryReadLimit))
        skipRestOfLine(file, {});
    while (!file.atEnd()) {
        QByteArray line = file.readLine(HistoryLineLimit);
        // Cut off before its end: too long to be an entry.
        if (!line.endsWith('\n') && !file.atEnd()) {
            skipRestOfLine(file, line);
            continue;
        }
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (const auto entry = entryFromLine(QString::fromUtf8(line)))
            entries.append(*entry);
    }
    return entries;
}

std::optional<HistoryEntry> lastWriteOfSerial(QStringView serial)
{
    const QList<HistoryEntry> entries = read();
    const QString writeWord = commandRow(TerminalCommand::WriteSerial).name.toString();
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
        if (entry->command == writeWord && entry->serial.compare(serial, Qt::CaseInsensitive) == 0
            && outcomeParts(entry->outcome).word == OutcomeWord::Ok)
            return *entry;
    }
    return std::nullopt;
}

std::optional<QString> appendScan(const PortChoice &port, const MachineRange &range, int asked, QStringView outcome,
                                  const QList<ScanAnswer> &answers)
{
    if (const auto covered = range.firstOf(asked))
        RememberedChoices().noteSerialsFound(port.line, *covered, answers);
    return append(scanHistoryEntry(port, range, asked, outcome, answers));
}

std::optional<QString> appendCommand(const PortChoice &port, TerminalCommand command, CommandInputs inputs,
                                     const CommandResult &result)
{
    RememberedChoices remembered;
    if (inputs.knownSerial.isEmpty()) {
        const QMap<int, QString> serials = remembered.serialsFound(port.line);
        if (command != TerminalCommand::ChangeNumber)
            inputs.knownSerial = serials.value(inputs.machineNumber);
        else if (serials.size() == 1 && remembered.terminalsFound(port.line) == 1)
            inputs.knownSerial = serials.first();
    }
    const HistoryEntry entry = historyEntryFor(port, command, inputs, result);
    if (result.status == CommandStatus::Done) {
        if (command == TerminalCommand::ReadSerial || command == TerminalCommand::WriteSerial
            || (command == TerminalCommand::ChangeNumber && !entry.serial.isEmpty()))
            remembered.noteSerialAt(port.line, inputs.machineNumber, entry.serial);
        else if (command == TerminalCommand::ChangeNumber)
            remembered.forgetSerials(port.line);  // every terminal of the line at one number: which is which, nobody knows
    }
    return append(entry);
}

QString serialWrittenWhere(const HistoryEntry &write)
{
    return QCoreApplication::translate("CommandHistory", "%1 写入 %2 的 %3 号机")
        .arg(write.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")), write.device, write.machine);
}

} // namespace CommandHistory
