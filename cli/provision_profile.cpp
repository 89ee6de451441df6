#include "provision_profile.h"

#include "logo_source.h"
#include "status_messages.h"
#include "text_conversions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

struct ProfileReader
{
    const QSettings &settings;
    QString fileName;

    Problem badValue(const QString &key, QStringView why) const
    {
        return {ResultStatus::BadInput, QStringLiteral("%1: %2=%3: %4")
                                            .arg(fileName, key, settings.value(key).toString(), why.toString())};
    }

    // One of two words; the first when the key is missing.
    std::optional<bool> choice(const QString &key, QStringView first, QStringView second) const
    {
        const QString value = settings.value(key, first.toString()).toString().trimmed();
        if (value == first)
            return true;
        if (value == second)
            return false;
        return std::nullopt;
    }

    // true or false; false when the key is missing.
    std::optional<bool> flag(const QString &key) const
    {
        const auto isFalse = choice(key, QStringLiteral("false"), QStringLiteral("true"));
        if (!isFalse)
            return std::nullopt;
        return !*isFalse;
    }
};

} // namespace

std::variant<ProvisionProfile, Problem> readProvisionProfile(const QString &path)
{
    // QSettings reads a missing or unreadable file as an empty one, so the file is tried first.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Problem{ResultStatus::FileError, StatusText::withDetail(StatusText::FileOpenFailed.toString(), path)};
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return Problem{ResultStatus::FileError,
                       StatusText::withDetail(QCoreApplication::translate("cli", "配置文件格式错误！"), path)};
    const ProfileReader reader{settings, QFileInfo(path).fileName()};

    ProvisionProfile profile;
    const auto bell = reader.choice(QStringLiteral("settings/mode"), QStringLiteral("bell"), QStringLiteral("door"));
    if (!bell)
        return reader.badValue(QStringLiteral("settings/mode"), QCoreApplication::translate("cli", "模式错误！"));
    const auto picture = reader.flag(QStringLiteral("settings/picture"));
    if (!picture)
        return reader.badValue(QStringLiteral("settings/picture"), QCoreApplication::translate("cli", "应为 true 或 false"));
    const auto simplified = reader.choice(QStringLiteral("settings/font"), QStringLiteral("simplified"), QStringLiteral("traditional"));
    if (!simplified)
        return reader.badValue(QStringLiteral("settings/font"), QCoreApplication::translate("cli", "字体错误！"));
    const auto delay = byteFromText(settings.value(QStringLiteral("settings/delay"), QStringLiteral("0")).toString());
    if (!delay)
        return reader.badValue(QStringLiteral("settings/delay"), StatusText::BadDelay.toString());
    profile.settings = {.bellMode = *bell, .startupPicture = *picture, .simplifiedFont = *simplified};
    profile.delay = *delay;

    if (!settings.contains(QStringLiteral("logo/file")))
        return profile;
    const auto invert = reader.flag(QStringLiteral("logo/invert"));
    const auto dither = reader.flag(QStringLiteral("logo/dither"));
    if (!invert || !dither)
        return reader.badValue(invert ? QStringLiteral("logo/dither") : QStringLiteral("logo/invert"),
                               QCoreApplication::translate("cli", "应为 true 或 false"));
    // The logo sits beside the profile, wherever the batch is started from.
    const QString logoPath = QFileInfo(path).dir().filePath(settings.value(QStringLiteral("logo/file")).toString());
    auto logo = loadLogo(logoPath, {.invert = *invert, .dither = *dither});
    if (const auto *error = std::get_if<LogoFileError>(&logo))
        return Problem{ResultStatus::FileError, StatusText::withDetail(logoFileMessage(*error), logoPath)};
    profile.logo = std::get<LoadedLogo>(std::move(logo)).picture;
    return profile;
}

std::optional<QList<quint8>> machineNumbersFromText(const QString &text)
{
    QList<quint8> numbers;
    for (const QString &part : text.split(u',')) {
        const QStringList ends = part.split(u'-');
        if (ends.size() > 2)
            return std::nullopt;
        const auto first = byteFromText(ends.front());
        const auto last = byteFromText(ends.back());
        if (!first || !last || *last < *first)
            return std::nullopt;
        for (int number = *first; number <= *last; ++number)
            numbers.append(quint8(number));
    }
    return numbers;
}
