// Provision profiles of any content through the strict INI reader: every profile it accepts gives the same
// values when written back (as UTF-8, with a byte-order mark, as UTF-16) and read again, every value lies on
// a line of the input, and every refusal names a line the input has (or, undecodable, the file as a whole).

#include "fuzz_check.h"
#include "provision_profile.h"
#include "strict_ini.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <variant>

namespace {

// The profile's sections and keys, and one section without keys.
const IniSchema &schema()
{
    static const IniSchema known = [] {
        IniSchema schema = profileSchema();
        schema.insert(QStringLiteral("empty"), {});
        return schema;
    }();
    return known;
}

// The text as the reader would see it if it were decodable: by its byte-order mark, else as UTF-8.
QString leniently(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE)(bytes.sliced(2));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    return QStringDecoder(QStringDecoder::Utf8)(bytes);
}

// section -> key -> value, of the entries that are keys (the reader may also note where a section began).
using Values = QMap<QString, QMap<QString, QString>>;

Values valuesOf(const IniEntries &entries)
{
    Values values;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QString section = it.key().section(u'/', 0, 0);
        const QString key = it.key().section(u'/', 1);
        if (key.isEmpty())
            values[section];
        else
            values[section].insert(key, it->value);
    }
    return values;
}

QString writtenBack(const Values &values)
{
    QString text = QStringLiteral("; written back\n");
    for (auto section = values.cbegin(); section != values.cend(); ++section) {
        text += u'[' + section.key() + QStringLiteral("]\n");
        for (auto key = section->cbegin(); key != section->cend(); ++key)
            text += key.key() + u'=' + key.value() + u'\n';
    }
    return text;
}

QByteArray describe(const Values &values)
{
    QByteArray text;
    for (auto section = values.cbegin(); section != values.cend(); ++section) {
        for (auto key = section->cbegin(); key != section->cend(); ++key)
            text += section.key().toUtf8() + '/' + key.key().toUtf8() + "=[" + key.value().toUtf8().toHex() + "] ";
    }
    return text;
}

void checkReadAgain(const QByteArray &bytes, const Values &expected, const char *form)
{
    const auto again = readStrictIni(bytes, schema());
    const IniError *error = std::get_if<IniError>(&again);
    FUZZ_CHECK_INFO(!error, QByteArray(form) + ": refused line " + QByteArray::number(error ? error->line : 0) + ": "
                                + (error ? error->message.toUtf8() : QByteArray()) + " of " + describe(expected));
    const Values got = valuesOf(std::get<IniEntries>(again));
    FUZZ_CHECK_INFO(got == expected, QByteArray(form) + ": got " + describe(got) + " expected " + describe(expected));
}

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

// The whole profile reader, from a file: it decides, and a refusal names the file. A profile naming a logo
// is left out, as its path could name any file of the machine.
void checkProfileFile(const QByteArray &bytes)
{
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("shop.ini"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    const auto profile = readProvisionProfile(path);
    if (const auto *problem = std::get_if<Problem>(&profile))
        FUZZ_CHECK_INFO(problem->message.contains(QStringLiteral("shop.ini")), problem->message.toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto result = readStrictIni(bytes, schema());
    const qsizetype lineCount = leniently(bytes).count(u'\n') + 1;

    if (const auto *error = std::get_if<IniError>(&result)) {
        FUZZ_CHECK_INFO(error->line >= 0 && error->line <= lineCount,
                        "refusal names line " + QByteArray::number(error->line) + " of " + QByteArray::number(lineCount));
        FUZZ_CHECK_INFO(!error->message.isEmpty(), "a refusal without a word");
        if (!bytes.contains("file") && qHash(bytes) % 8 == 0)
            checkProfileFile(bytes);
        return 0;
    }

    const IniEntries &entries = std::get<IniEntries>(result);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        FUZZ_CHECK_INFO(it->line >= 1 && it->line <= lineCount, it.key().toUtf8() + " on line " + QByteArray::number(it->line));
        const QString section = it.key().section(u'/', 0, 0);
        const QString key = it.key().section(u'/', 1);
        FUZZ_CHECK_INFO(schema().contains(section) && (key.isEmpty() || schema().value(section).contains(key)), it.key().toUtf8());
    }
    const Values values = valuesOf(entries);
    const QString text = writtenBack(values);
    checkReadAgain(text.toUtf8(), values, "UTF-8");
    checkReadAgain("\xEF\xBB\xBF" + text.toUtf8(), values, "UTF-8 with a byte-order mark");
    checkReadAgain(utf16(text, false), values, "UTF-16 LE");
    checkReadAgain(utf16(text, true), values, "UTF-16 BE");
    // Windows line ends change nothing.
    checkReadAgain(text.toUtf8().replace("\n", "\r\n"), values, "CR LF");
    // Writing a file for every input would make the run crawl; the hash keeps the choice repeatable.
    if (!bytes.contains("file") && qHash(bytes) % 8 == 0)
        checkProfileFile(bytes);
    return 0;
}
