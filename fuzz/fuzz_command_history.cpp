// History files of any content: every entry read back prints as one line, serialises to JSON with its
// command's one key set, and is written back as a line that reads as the same entry; the reader of the file
// (in bounded pieces) finds the same entries as a plain whole-file reading.

#include "command_history.h"
#include "fuzz_check.h"
#include "scan_command.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QByteArray show(const HistoryEntry &entry)
{
    return CommandHistory::lineOf(entry).toUtf8().toHex().left(400);
}

// The keys of the command's JSON object, from entries of that command with every field filled and with
// none: the command's one key set, whatever else the entry holds.
void checkJson(const HistoryEntry &entry)
{
    const QJsonObject object = historyJson(entry);
    const HistoryEntry bare{.time = entry.time, .command = entry.command};
    const HistoryEntry full{.time = entry.time, .device = QStringLiteral("/dev/ttyS0"), .machine = QStringLiteral("18"),
                            .command = entry.command, .outcome = QStringLiteral("ok"), .serial = QStringLiteral("0A1B2C"),
                            .logoHash = QString(64, u'a'), .settings = QStringLiteral("mode=door picture=true delay=5 font=traditional"),
                            .logoSource = QStringLiteral("/tmp/shop.png")};
    FUZZ_CHECK_INFO(object.keys() == historyJson(bare).keys(), show(entry) + " keys " + object.keys().join(u',').toUtf8());
    FUZZ_CHECK_INFO(object.keys() == historyJson(full).keys(), show(entry) + " keys " + object.keys().join(u',').toUtf8());
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    FUZZ_CHECK_INFO(!json.contains('\n'), show(entry));
    FUZZ_CHECK_INFO(QJsonDocument::fromJson(json).object() == object, show(entry));
}

void checkEntry(const HistoryEntry &entry)
{
    // Printed as `history` prints it: one line.
    const QString printed = CommandHistory::lineOf(entry);
    FUZZ_CHECK_INFO(!printed.contains(u'\n') && !printed.contains(u'\r'), show(entry));
    FUZZ_CHECK_INFO(entry.time.isValid(), show(entry));
    checkJson(entry);
    // Its line reads as the same entry, and that as the same line (a time is written to the second).
    const auto again = CommandHistory::entryFromLine(printed);
    FUZZ_CHECK_INFO(again.has_value(), show(entry));
    FUZZ_CHECK_INFO(CommandHistory::lineOf(*again) == printed, show(entry) + " again " + show(*again));
    FUZZ_CHECK_INFO(again->device == entry.device && again->machine == entry.machine && again->command == entry.command
                        && again->outcome == entry.outcome && again->serial == entry.serial && again->logoHash == entry.logoHash
                        && again->settings == entry.settings && again->logoSource == entry.logoSource,
                    show(entry) + " again " + show(*again));
}

// The reference: the whole file split at its line ends, every line that reads taken.
QList<HistoryEntry> wholeFileEntries(const QByteArray &bytes)
{
    QList<HistoryEntry> entries;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        QByteArray line = lines.at(index);
        // The last piece is no line when the file ends with a line end.
        if (index == lines.size() - 1 && line.isEmpty())
            break;
        if (line.size() + 1 > CommandHistory::HistoryLineLimit)
            continue;
        while (line.endsWith('\r'))
            line.chop(1);
        if (const auto entry = CommandHistory::entryFromLine(QString::fromUtf8(line)))
            entries << *entry;
    }
    return entries;
}

void checkFile(const QByteArray &bytes, const QList<HistoryEntry> &expected)
{
    const QString path = CommandHistory::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    const QList<HistoryEntry> got = CommandHistory::read();
    FUZZ_CHECK_INFO(got.size() == expected.size(),
                    "read " + QByteArray::number(got.size()) + " entries, whole file " + QByteArray::number(expected.size()));
    for (qsizetype index = 0; index < got.size(); ++index)
        FUZZ_CHECK_INFO(CommandHistory::lineOf(got.at(index)) == CommandHistory::lineOf(expected.at(index)),
                        "entry " + QByteArray::number(index) + ": " + show(got.at(index)) + " whole file " + show(expected.at(index)));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The history file lives in the user's data folder: here, a folder of its own.
    static QTemporaryDir home;
    if (!home.isValid())
        std::abort();
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<HistoryEntry> entries = wholeFileEntries(bytes);
    for (const HistoryEntry &entry : entries)
        checkEntry(entry);
    // Writing a file for every input would make the run crawl; the hash keeps the choice repeatable.
    if (qHash(bytes) % 8 == 0)
        checkFile(bytes, entries);
    return 0;
}
