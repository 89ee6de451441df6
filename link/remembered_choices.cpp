#include "remembered_choices.h"

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

// A device path as one key: its slashes would otherwise make groups. Links are followed, so that every
// name of one device finds the same memory; a name that is no file (COM5) is kept as it is.
QString scanKey(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return QStringLiteral("scan/") + QString::fromLatin1(QUrl::toPercentEncoding(canonical.isEmpty() ? device : canonical));
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
    if (device.isEmpty())
        return 0;
    const auto settings = store();
    const int found = settings->value(scanKey(device), 0).toInt();
    // A store that cannot be read, or could not keep what the next scan finds, knows nothing of the line.
    if (settings->status() != QSettings::NoError || !settings->isWritable())
        return Unknown;
    return found;
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
