// Stores of remembered choices of any content, read at start: whatever is in the file, forgetting what
// cannot be used says one line per value forgotten, keeps every usable value as it was (the good --port
// mappings in their order), leaves nothing more to forget, and every value read afterwards is usable. A file
// that cannot be parsed whole is moved aside with one line.

#include "fuzz_check.h"
#include "machine_scan.h"
#include "remembered_choices.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir *home = nullptr;

// The fuzz target's own reading of "N=DEVICE": a number of at most 16 bits (blanks around it allowed),
// then a device name that is not empty.
bool referenceMapping(const QString &text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0 || equals == text.size() - 1)
        return false;
    QStringView number = QStringView(text).first(equals);
    while (!number.isEmpty() && number.front().isSpace())
        number = number.sliced(1);
    while (!number.isEmpty() && number.back().isSpace())
        number.chop(1);
    const bool negative = number.startsWith(u'-');
    if (number.startsWith(u'+') || number.startsWith(u'-'))
        number = number.sliced(1);
    if (number.isEmpty())
        return false;
    for (const QChar c : number) {
        if (c < u'0' || c > u'9')
            return false;
    }
    while (number.size() > 1 && number.front() == u'0')
        number = number.sliced(1);
    if (number.size() > 5)
        return false;
    const qint64 value = (negative ? -1 : 1) * number.toLongLong();
    return value >= -32768 && value <= 32767;
}

QByteArray show(const QStringList &list)
{
    return list.join(QStringLiteral(" | ")).toUtf8().toHex().left(400);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    home = new QTemporaryDir;
    if (!home->isValid())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A folder of its own for every input: QSettings keeps what it read of a file by its path.
    static int run = 0;
    const QString folder = home->filePath(QString::number(++run));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    const QString path = folder + QStringLiteral("/timeclock-setup/timeclock-setup.conf");
    QDir().mkpath(folder + QStringLiteral("/timeclock-setup"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qsizetype(size)) == qsizetype(size));
    }

    // What the file holds, read the way the program's store reads it.
    QStringList mappings;
    bool hadMappings = false;
    bool damaged = false;
    {
        QSettings raw(path, QSettings::IniFormat);
        hadMappings = raw.contains(QStringLiteral("port/mappings"));
        mappings = raw.value(QStringLiteral("port/mappings")).toStringList();
        for (const QString &key : raw.allKeys())
            (void)raw.value(key);
        damaged = raw.status() == QSettings::FormatError;
    }
    // A file that cannot be parsed whole is moved aside with one line, and nothing of it is used.
    if (damaged)
        mappings.clear();
    QStringList goodMappings;
    qsizetype badMappings = 0;
    for (const QString &mapping : mappings) {
        if (referenceMapping(mapping))
            goodMappings << mapping;
        else
            ++badMappings;
    }

    const QStringList said = RememberedChoices::forgetUnusable();
    for (const QString &line : said)
        FUZZ_CHECK_INFO(!line.isEmpty() && !line.contains(u'\n'), show(said));
    FUZZ_CHECK_INFO(said.size() >= badMappings, show(said) + " for mappings " + show(mappings));
    if (damaged) {
        FUZZ_CHECK_INFO(said.size() == 1, show(said));
        FUZZ_CHECK(QFile::exists(path + QStringLiteral(".damaged")));
    }
    // Nothing is left to forget.
    const QStringList again = RememberedChoices::forgetUnusable();
    FUZZ_CHECK_INFO(again.isEmpty(), show(again));

    const RememberedChoices remembered;
    FUZZ_CHECK_INFO(remembered.portMappings() == goodMappings,
                    "kept " + show(remembered.portMappings()) + " of " + show(mappings) + (hadMappings ? "" : " (none stored)"));
    if (const auto number = remembered.portNumber())
        FUZZ_CHECK(*number >= -32768 && *number <= 32767);
    for (const QString &device : {QString(), QStringLiteral("/dev/ttyS0"), QStringLiteral("COM3")}) {
        const int found = remembered.terminalsFound(LineIdentity::of(device));
        FUZZ_CHECK_INFO((found >= 0 && found <= 256) || (found >= PartScan && found <= PartScan + 256), QByteArray::number(found));
    }
    (void)remembered.logoFile();
    (void)remembered.logoText();

    QDir(folder).removeRecursively();
    return 0;
}
