#include "remembered_choices.h"

#include "port_directory.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <memory>

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

void write(const QString &key, const QVariant &value)
{
    const auto settings = store();
    settings->setValue(key, value);
    settings->sync();
}

// A device path as one key: its slashes would otherwise make groups.
QString scanKey(const QString &device)
{
    return QStringLiteral("scan/") + QString::fromLatin1(QUrl::toPercentEncoding(device));
}

} // namespace

std::optional<int> RememberedChoices::portNumber() const
{
    bool ok = false;
    const int number = store()->value(PortNumberKey).toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

void RememberedChoices::setPortNumber(int number)
{
    write(PortNumberKey, number);
}

QStringList RememberedChoices::portMappings() const
{
    return store()->value(PortMappingsKey).toStringList();
}

void RememberedChoices::setPortMappings(const QStringList &mappings)
{
    write(PortMappingsKey, mappings);
}

QString RememberedChoices::logoFile() const
{
    return store()->value(LogoFileKey).toString();
}

void RememberedChoices::setLogoFile(const QString &path)
{
    write(LogoFileKey, path);
}

bool RememberedChoices::logoInverted() const
{
    return store()->value(LogoInvertKey, false).toBool();
}

bool RememberedChoices::logoDithered() const
{
    return store()->value(LogoDitherKey, false).toBool();
}

bool RememberedChoices::logoFilled() const
{
    return store()->value(LogoFillKey, false).toBool();
}

void RememberedChoices::setLogoChoices(bool invert, bool dither, bool fill)
{
    const auto settings = store();
    settings->setValue(LogoInvertKey, invert);
    settings->setValue(LogoDitherKey, dither);
    settings->setValue(LogoFillKey, fill);
    settings->sync();
}

QVariantMap RememberedChoices::logoText() const
{
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
    const auto settings = store();
    settings->remove(LogoTextKey);
    settings->beginGroup(LogoTextKey);
    for (auto it = text.cbegin(); it != text.cend(); ++it)
        settings->setValue(it.key(), it.value());
    settings->endGroup();
    settings->sync();
}

int RememberedChoices::terminalsFound(const QString &device) const
{
    return device.isEmpty() ? 0 : store()->value(scanKey(device), 0).toInt();
}

void RememberedChoices::noteTerminalsFound(const QString &device, int count, bool everyNumber)
{
    if (!device.isEmpty())
        write(scanKey(device), everyNumber ? count : std::max(count, terminalsFound(device)));
}

void RememberedChoices::forgetAll()
{
    const auto settings = store();
    settings->clear();
    settings->sync();
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

    const auto check = [&](const QString &key, bool usable) {
        if (settings->contains(key) && !usable) {
            said << forgotten(key, settings->value(key).toStringList().join(u','));
            settings->remove(key);
        }
    };
    check(PortNumberKey, isWholeNumber(settings->value(PortNumberKey), -32768, 32767));
    for (const QString &key : {LogoInvertKey, LogoDitherKey, LogoFillKey})
        check(key, isTrueOrFalse(settings->value(key)));
    check(LogoTextKey + QStringLiteral("/pointSize"), isWholeNumber(settings->value(LogoTextKey + QStringLiteral("/pointSize")), 0, 96));
    check(LogoTextKey + QStringLiteral("/alignment"), isWholeNumber(settings->value(LogoTextKey + QStringLiteral("/alignment")), 0, 0xffff));
    check(LogoTextKey + QStringLiteral("/bold"), isTrueOrFalse(settings->value(LogoTextKey + QStringLiteral("/bold"))));
    settings->beginGroup(QStringLiteral("scan"));
    for (const QString &device : settings->childKeys()) {
        if (!isWholeNumber(settings->value(device), 0, 256)) {
            said << forgotten(QStringLiteral("scan/") + device, settings->value(device).toString());
            settings->remove(device);
        }
    }
    settings->endGroup();

    // Mappings one by one: a bad one goes, the good ones stay in their order.
    if (settings->contains(PortMappingsKey)) {
        QStringList kept;
        for (const QString &mapping : settings->value(PortMappingsKey).toStringList()) {
            int number = 0;
            QString device;
            if (PortDirectory::parseMapping(mapping, &number, &device))
                kept << mapping;
            else
                said << forgotten(QStringLiteral("--port"), mapping);
        }
        if (kept.isEmpty())
            settings->remove(PortMappingsKey);
        else if (kept.size() != settings->value(PortMappingsKey).toStringList().size())
            settings->setValue(PortMappingsKey, kept);
    }
    settings->sync();
    return said;
}
