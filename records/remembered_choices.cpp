#include "remembered_choices.h"

#include "file_writing.h"
#include "line_echo.h"
#include "logo_text.h"
#include "machine_scan.h"
#include "port_directory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>

namespace {

const QString PortNumberKey = QStringLiteral("port/number");
const QString PortMappingsKey = QStringLiteral("port/mappings");
const QString LogoFileKey = QStringLiteral("logo/file");
const QString LogoInvertKey = QStringLiteral("logo/invert");
const QString LogoDitherKey = QStringLiteral("logo/dither");
const QString LogoFillKey = QStringLiteral("logo/fill");
const QString LogoTextKey = QStringLiteral("logo/text");

// The window and the command line share one store, whatever the application object calls itself.
std::unique_ptr<QSettings> store()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("timeclock-setup"), QStringLiteral("timeclock-setup"));
}

// A list of one reads back from the file as a plain string.
bool sameStoredValue(const QVariant &read, const QVariant &written)
{
    if (written.typeId() == QMetaType::QStringList)
        return read.toStringList() == written.toStringList();
    return read == written;
}

// A name beside `path` never used before in this process, so QSettings's cache cannot answer for it.
QString unseenName(const QString &path)
{
    static int names = 0;
    return QStringLiteral("%1.%2-%3").arg(path).arg(QCoreApplication::applicationPid()).arg(++names);
}

// How long a change waits for another process's change to the store; a holder that long is stuck, and
// this change is then made without the lock rather than lost.
constexpr int StoreLockWaitMs = 10000;

// Applies `edit` to the store. QSettings replaces its file even when a full disk cut the new one short
// (QSaveFile renames what it has), so where the store is a file the change is made on a copy beside it,
// read back under a name QSettings has not seen (it would answer from its cache), and renamed into place
// only when every key reads back as written. Otherwise the old file stays as it was. With `fromScratch`
// the copy starts empty instead of from the old file.
// Several processes share the store: the old file is read, edited and replaced under a lock file beside
// it, so two changes made at once are both kept. The copy gets the old file's permissions, and where the
// store is a symbolic link its target is replaced, so a store someone made private, or keeps elsewhere,
// stays so.
void change(const std::vector<std::function<void(QSettings &)>> &edits, bool fromScratch = false)
{
    const auto settings = store();
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)  // elsewhere the native store is no INI file
    if (settings->format() == QSettings::NativeFormat && !settings->fileName().isEmpty()) {
        const QString name = settings->fileName();
        QDir().mkpath(QFileInfo(name).absolutePath());
        QLockFile lock(name + QStringLiteral(".lock"));
        lock.tryLock(StoreLockWaitMs);
        const QFileInfo named(name);
        const QString path = !named.isSymLink() ? name : named.exists() ? named.canonicalFilePath() : named.symLinkTarget();
        const QString stem = unseenName(path);
        const QString edited = stem + QStringLiteral(".new");
        const QString check = stem + QStringLiteral(".check");
        QByteArray before;
        if (QFile old(path); !fromScratch && old.exists()) {
            if (!old.open(QIODevice::ReadOnly))
                return;
            before = old.readAll();
        }
        if (writeWholeFile(edited, before))
            return;
        QHash<QString, QVariant> expected;
        {
            QSettings copy(edited, QSettings::IniFormat);
            for (const auto &edit : edits)
                edit(copy);
            copy.sync();
            if (copy.status() != QSettings::NoError) {
                QFile::remove(edited);
                return;
            }
            for (const QString &key : copy.allKeys())
                expected.insert(key, copy.value(key));
        }
        if (QFile::exists(path))
            QFile::setPermissions(edited, QFile::permissions(path));
        bool whole = ::rename(QFile::encodeName(edited).constData(), QFile::encodeName(check).constData()) == 0;
        if (whole) {
            const QSettings readBack(check, QSettings::IniFormat);
            whole = readBack.status() == QSettings::NoError && readBack.allKeys().size() == expected.size();
            for (auto it = expected.cbegin(); whole && it != expected.cend(); ++it)
                whole = sameStoredValue(readBack.value(it.key()), it.value());
        }
        if (!whole || ::rename(QFile::encodeName(check).constData(), QFile::encodeName(path).constData()) != 0) {
            QFile::remove(edited);
            QFile::remove(check);
        }
        return;
    }
#endif
    for (const auto &edit : edits)
        edit(*settings);
    settings->sync();
}

// A line's identity as one key: its slashes would otherwise make groups. A device's key is its real path, as
// the store has kept it all along.
QString storeKey(QStringView group, const QString &lineKey)
{
    return group.toString() + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(lineKey));
}

QString scanKey(const LineIdentity &line)
{
    return storeKey(u"scan", line.key());
}

// A network port's count was once kept under its name as written; read where nothing newer is.
QString spelledScanKey(const LineIdentity &line)
{
    return line.kind() == LineIdentity::Kind::Network ? storeKey(u"scan", line.name()) : scanKey(line);
}

QString echoKey(const LineIdentity &line)
{
    return storeKey(u"echo", line.key());
}

const QString SerialsGroup = QStringLiteral("serials");

QString serialsKey(const LineIdentity &line)
{
    return storeKey(SerialsGroup, line.key());
}

// One line's serials as kept: when they were last changed (for forgetting the oldest line first), then
// "NUMBER:SERIAL" for each number.
QStringList serialsValue(const QMap<int, QString> &serials, qint64 changed)
{
    QStringList value{QString::number(changed)};
    for (auto it = serials.cbegin(); it != serials.cend(); ++it)
        value << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
    return value;
}

std::optional<std::pair<int, QString>> serialEntry(const QString &text)
{
    static const QRegularExpression entry(QStringLiteral("^(\\d{1,3}):([0-9A-F]{6})$"));
    const QRegularExpressionMatch match = entry.match(text);
    if (!match.hasMatch() || match.captured(1).toInt() > 255)
        return std::nullopt;
    return std::make_pair(match.captured(1).toInt(), match.captured(2));
}

// What a kept value says; anything unreadable in it is left out.
QMap<int, QString> serialsOf(const QVariant &kept)
{
    QMap<int, QString> serials;
    const QStringList value = kept.toStringList();
    for (qsizetype i = 1; i < value.size(); ++i) {
        if (const auto entry = serialEntry(value.at(i)))
            serials.insert(entry->first, entry->second);
    }
    return serials;
}

bool isSerialsValue(const QVariant &kept)
{
    const QStringList value = kept.toStringList();
    bool stamped = false;
    (void)value.value(0).toLongLong(&stamped);
    return stamped && value.size() <= 257
           && std::all_of(value.cbegin() + 1, value.cend(), [](const QString &entry) { return serialEntry(entry).has_value(); });
}

} // namespace

RememberedChoices::~RememberedChoices()
{
    writePending();
}

void RememberedChoices::remember(std::function<void(QSettings &)> edit)
{
    m_pending.push_back(std::move(edit));
}

// What this object was told is in the store before it is read again, in one write.
void RememberedChoices::writePending() const
{
    if (m_pending.empty())
        return;
    const auto pending = std::exchange(m_pending, {});
    change(pending);
}

std::optional<int> RememberedChoices::portNumber() const
{
    writePending();
    bool ok = false;
    const int number = store()->value(PortNumberKey).toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

void RememberedChoices::setPortNumber(int number)
{
    remember([number](QSettings &settings) { settings.setValue(PortNumberKey, number); });
}

QStringList RememberedChoices::portMappings() const
{
    writePending();
    return store()->value(PortMappingsKey).toStringList();
}

void RememberedChoices::setPortMappings(const QStringList &mappings)
{
    remember([mappings](QSettings &settings) { settings.setValue(PortMappingsKey, mappings); });
}

QString RememberedChoices::logoFile() const
{
    writePending();
    return store()->value(LogoFileKey).toString();
}

void RememberedChoices::setLogoFile(const QString &path)
{
    remember([path](QSettings &settings) { settings.setValue(LogoFileKey, path); });
}

bool RememberedChoices::logoInverted() const
{
    writePending();
    return store()->value(LogoInvertKey, false).toBool();
}

bool RememberedChoices::logoDithered() const
{
    writePending();
    return store()->value(LogoDitherKey, false).toBool();
}

bool RememberedChoices::logoFilled() const
{
    writePending();
    return store()->value(LogoFillKey, false).toBool();
}

void RememberedChoices::setLogoChoices(bool invert, bool dither, bool fill)
{
    remember([=](QSettings &settings) {
        settings.setValue(LogoInvertKey, invert);
        settings.setValue(LogoDitherKey, dither);
        settings.setValue(LogoFillKey, fill);
    });
}

QVariantMap RememberedChoices::logoText() const
{
    writePending();
    // One key a value, so the settings file stays readable text.
    const auto settings = store();
    settings->beginGroup(LogoTextKey);
    QVariantMap text;
    for (const QString &key : settings->childKeys())
        text.insert(key, settings->value(key));
    return text;
}

void RememberedChoices::setLogoText(const QVariantMap &text)
{
    remember([text](QSettings &settings) {
        settings.remove(LogoTextKey);
        settings.beginGroup(LogoTextKey);
        for (auto it = text.cbegin(); it != text.cend(); ++it)
            settings.setValue(it.key(), it.value());
        settings.endGroup();
    });
}

int RememberedChoices::terminalsFound(const LineIdentity &line) const
{
    if (line.key().isEmpty())
        return 0;
    writePending();
    const auto settings = store();
    const int found = settings->value(scanKey(line), settings->value(spelledScanKey(line), 0)).toInt();
    // A store that cannot be read, or could not keep what the next scan finds, knows nothing of the line.
    if (settings->status() != QSettings::NoError || !settings->isWritable())
        return Unknown;
    return found;
}

void RememberedChoices::noteTerminalsFound(const LineIdentity &line, int count, bool everyNumber)
{
    if (line.key().isEmpty())
        return;
    const QString key = scanKey(line);
    remember([key, count, everyNumber](QSettings &settings) {
        // Read where it is written, under the store's lock: another process's count is never lost.
        if (everyNumber) {
            settings.setValue(key, count);
            return;
        }
        // A scan of part of the range never lowers what a whole scan found, and leaves the rest unknown.
        const int before = std::max(0, settings.value(key, 0).toInt());
        settings.setValue(key, PartScan + std::max(count, isPartScanCount(before) ? before - PartScan : before));
    });
}

QMap<int, QString> RememberedChoices::serialsFound(const LineIdentity &line) const
{
    if (line.key().isEmpty())
        return {};
    writePending();
    const QVariant kept = store()->value(serialsKey(line));
    const qint64 changed = kept.toStringList().value(0).toLongLong();
    if (QDateTime::currentMSecsSinceEpoch() - changed > std::chrono::milliseconds(RememberedSerialAge).count())
        return {};
    return serialsOf(kept);
}

void RememberedChoices::changeSerials(const LineIdentity &line, std::function<void(QMap<int, QString> &)> edit)
{
    if (line.key().isEmpty())
        return;
    const QString key = serialsKey(line);
    remember([key, edit = std::move(edit)](QSettings &settings) {
        // Read where it is written, under the store's lock, as the scan's count.
        QMap<int, QString> serials = serialsOf(settings.value(key));
        edit(serials);
        settings.remove(key);
        // A PC that meets many lines keeps those it changed last: the store stays small. Each change is
        // later than every one before, so which is oldest never depends on the clock's resolution.
        settings.beginGroup(SerialsGroup);
        QList<std::pair<qint64, QString>> lines;
        for (const QString &child : settings.childKeys())
            lines.append({settings.value(child).toStringList().value(0).toLongLong(), child});
        std::sort(lines.begin(), lines.end());
        for (qsizetype i = 0; i + RememberedSerialLines - (serials.isEmpty() ? 0 : 1) < lines.size(); ++i)
            settings.remove(lines.at(i).second);
        settings.endGroup();
        const qint64 newest = lines.isEmpty() ? 0 : lines.constLast().first;
        if (!serials.isEmpty())
            settings.setValue(key, serialsValue(serials, std::max(QDateTime::currentMSecsSinceEpoch(), newest + 1)));
    });
}

void RememberedChoices::noteSerialsFound(const LineIdentity &line, const MachineRange &asked, const QList<ScanAnswer> &answers)
{
    changeSerials(line, [asked, answers](QMap<int, QString> &serials) {
        for (int machine = asked.first; machine <= asked.last; ++machine)
            serials.remove(machine);
        QList<int> shared;
        for (const ScanAnswer &answer : answers) {
            if (answer.kind == ScanAnswer::Kind::Found || answer.kind == ScanAnswer::Kind::Late)
                serials.insert(answer.machine, answer.serial().toUpper());
            else
                shared << answer.machine;  // two serials, or a wrong answer: nobody known
        }
        for (const int machine : std::as_const(shared))
            serials.remove(machine);
    });
}

void RememberedChoices::noteSerialAt(const LineIdentity &line, int machine, const QString &given)
{
    const QString serial = given.toUpper();
    changeSerials(line, [machine, serial](QMap<int, QString> &serials) {
        for (auto it = serials.begin(); it != serials.end();) {
            if (it.value() == serial)
                it = serials.erase(it);
            else
                ++it;
        }
        if (serialEntry(QStringLiteral("%1:%2").arg(machine).arg(serial)))
            serials.insert(machine, serial);
        else
            serials.remove(machine);
    });
}

void RememberedChoices::forgetSerials(const LineIdentity &line)
{
    changeSerials(line, [](QMap<int, QString> &serials) { serials.clear(); });
}

std::optional<bool> RememberedChoices::lineEchoes(const LineIdentity &line) const
{
    const QVariant kept = store()->value(echoKey(line));
    return kept.isValid() ? std::optional<bool>(kept.toBool()) : std::nullopt;
}

void RememberedChoices::noteLineEchoes(const LineIdentity &line, bool echoes)
{
    const QString key = echoKey(line);
    remember([key, echoes](QSettings &settings) { settings.setValue(key, echoes); });
}

void RememberedChoices::keepLineEchoes()
{
    setEchoMemory({[](const LineIdentity &line) { return RememberedChoices().lineEchoes(line); },
                   [](const LineIdentity &line, bool echoes) { RememberedChoices().noteLineEchoes(line, echoes); }});
}

void RememberedChoices::forgetAll()
{
    change({[](QSettings &settings) { settings.clear(); }});
}

namespace {

bool isWholeNumber(const QVariant &value, qint64 lowest, qint64 highest)
{
    bool ok = false;
    const qint64 number = value.toString().toLongLong(&ok);
    return ok && number >= lowest && number <= highest;
}

bool isTrueOrFalse(const QVariant &value)
{
    const QString text = value.toString();
    return text == u"true" || text == u"false";
}

QString forgotten(const QString &key, const QString &value)
{
    // One line, however the value was damaged.
    return QCoreApplication::translate("RememberedChoices", "记住的 %1 无法使用，已忘掉：%2").arg(key.simplified(), value.simplified().left(80));
}

} // namespace

QStringList RememberedChoices::forgetUnusable()
{
    QStringList said;
    auto settings = store();
    const QString fileName = settings->fileName();
    // QSettings reads the whole file; one grown past any size the program writes is not read at all.
    if (const QFileInfo file(fileName); file.exists() && file.size() > StoreSizeLimit) {
        settings.reset();
        QFile::remove(fileName);
        return {QCoreApplication::translate("RememberedChoices", "记住的选择文件太大（%1 字节），已忘掉：%2")
                    .arg(file.size())
                    .arg(fileName)};
    }

    // Read from a copy under a name not seen before: QSettings answers from what it once read of a path
    // (and reports a parse error only to the object that parsed it).
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    QString freshCopy;
    if (settings->format() == QSettings::NativeFormat && QFile::exists(fileName)) {
        freshCopy = unseenName(fileName) + QStringLiteral(".read");
        if (QFile::copy(fileName, freshCopy))
            settings = std::make_unique<QSettings>(freshCopy, QSettings::IniFormat);
        else
            freshCopy.clear();
    }
    const auto removeFreshCopy = qScopeGuard([&] {
        settings.reset();
        if (!freshCopy.isEmpty())
            QFile::remove(freshCopy);
    });
#endif

    // A file QSettings can only partly parse (a section header left open, a line that is no KEY=VALUE)
    // gives different values from one read to the next, so no value of it can be trusted: it is moved
    // aside whole, kept for whoever wants to look at it. QSettings parses values when they are asked for,
    // so every one is asked for first.
    for (const QString &key : settings->allKeys())
        (void)settings->value(key);
    if (settings->status() == QSettings::FormatError) {
        settings.reset();
        const QString aside = fileName + QStringLiteral(".damaged");
        QFile::remove(aside);
        if (!QFile::rename(fileName, aside))
            QFile::remove(fileName);
        return {QCoreApplication::translate("RememberedChoices", "记住的选择文件有错，已移到一边：%1").arg(aside)};
    }

    // Decided on what was read, then written as a whole through change(), whose copy is read back before
    // it replaces the file.
    QStringList unusable;
    const auto check = [&](const QString &key, bool usable) {
        if (settings->contains(key) && !usable) {
            said << forgotten(key, settings->value(key).toStringList().join(u','));
            unusable << key;
        }
    };
    check(PortNumberKey, isWholeNumber(settings->value(PortNumberKey), -32768, 32767));
    for (const QString &key : {LogoInvertKey, LogoDitherKey, LogoFillKey})
        check(key, isTrueOrFalse(settings->value(key)));
    check(LogoTextKey + QStringLiteral("/pointSize"),
          isWholeNumber(settings->value(LogoTextKey + QStringLiteral("/pointSize")), 0, LogoTextLargestSize));
    check(LogoTextKey + QStringLiteral("/alignment"), isWholeNumber(settings->value(LogoTextKey + QStringLiteral("/alignment")), 0, 0xffff));
    check(LogoTextKey + QStringLiteral("/bold"), isTrueOrFalse(settings->value(LogoTextKey + QStringLiteral("/bold"))));
    for (const QString &key : settings->allKeys()) {
        if (!settings->contains(key)) {
            // A key QSettings lists but cannot look up (two slashes in a row) can be neither used nor kept.
            said << forgotten(key, QString());
            unusable << key;
        } else if (key.startsWith(QStringLiteral("scan/"))) {
            check(key, isWholeNumber(settings->value(key), 0, 256) || isWholeNumber(settings->value(key), PartScan, PartScan + 256));
        } else if (key.startsWith(QStringLiteral("echo/"))) {
            check(key, isTrueOrFalse(settings->value(key)));
        } else if (key.startsWith(SerialsGroup + u'/')) {
            check(key, isSerialsValue(settings->value(key)));
        }
    }

    // Mappings one by one: a bad one goes, the good ones stay in their order.
    QStringList keptMappings;
    bool mappingsChanged = false;
    if (settings->contains(PortMappingsKey)) {
        const QStringList stored = settings->value(PortMappingsKey).toStringList();
        for (const QString &mapping : stored) {
            int number = 0;
            QString device;
            if (PortDirectory::parseMapping(mapping, &number, &device))
                keptMappings << mapping;
            else
                said << forgotten(QStringLiteral("--port"), mapping);
        }
        mappingsChanged = keptMappings.size() != stored.size();
    }
    if (unusable.isEmpty() && !mappingsChanged)
        return said;

    QList<std::pair<QString, QVariant>> kept;
    for (const QString &key : settings->allKeys()) {
        if (unusable.contains(key))
            continue;
        if (key == PortMappingsKey) {
            if (!keptMappings.isEmpty())
                kept.append({key, keptMappings});
        } else {
            kept.append({key, settings->value(key)});
        }
    }
    change({[&](QSettings &rewritten) {
               rewritten.clear();
               for (const auto &[key, value] : kept)
                   rewritten.setValue(key, value);
           }},
           true);
    return said;
}
