#include "provision_profile.h"

#include "command_values.h"
#include "logo_source.h"
#include "status_messages.h"
#include "strict_ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

const IniSchema &profileSchema()
{
    static const IniSchema schema{
        {QStringLiteral("settings"), {QStringLiteral("mode"), QStringLiteral("picture"), QStringLiteral("delay"), QStringLiteral("font")}},
        {QStringLiteral("logo"), {QStringLiteral("file"), QStringLiteral("invert"), QStringLiteral("dither")}},
        {QStringLiteral("factory"), {QStringLiteral("machine")}},
    };
    return schema;
}

namespace {

// "shop.ini 第 2 行：未知的键 mdoe"
Problem atLine(const QString &fileName, int line, const QString &what)
{
    if (line == 0)
        return {ResultStatus::BadInput, StatusText::ReasonAndPlace.toString().arg(fileName, what)};
    return {ResultStatus::BadInput, QCoreApplication::translate("cli", "%1 第 %2 行：%3").arg(fileName).arg(line).arg(what)};
}

struct ProfileValues
{
    const IniEntries &entries;
    QString fileName;

    QString value(const QString &path, const QString &absent) const { return entries.value(path, {absent, 0}).value; }
    int line(const QString &path) const { return entries.value(path).line; }

    Problem bad(const QString &path, const QString &message) const
    {
        const QString key = path.section(u'/', 1);
        return atLine(fileName, line(path), StatusText::withDetail(message, key + u'=' + value(path, {})));
    }
};

} // namespace

std::variant<ProvisionProfile, Problem> readProvisionProfile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Problem{ResultStatus::FileError, StatusText::withDetail(StatusText::FileOpenFailed.toString(), path)};
    const QString fileName = QFileInfo(path).fileName();
    // Read one byte past the bound, so that neither a file's size nor its growth meanwhile is trusted.
    const QByteArray bytes = file.read(ProfileSizeLimit + 1);
    if (bytes.size() > ProfileSizeLimit)
        return atLine(fileName, 0, QCoreApplication::translate("cli", "配置文件太大（超过 %1 KB）").arg(ProfileSizeLimit / 1024));
    const auto ini = readStrictIni(bytes, profileSchema());
    if (const auto *error = std::get_if<IniError>(&ini))
        return atLine(fileName, error->line, error->message);
    const ProfileValues values{std::get<IniEntries>(ini), fileName};

    const SettingsText settingsText{.mode = values.value(QStringLiteral("settings/mode"), SettingsText{}.mode),
                                    .picture = values.value(QStringLiteral("settings/picture"), SettingsText{}.picture),
                                    .delay = values.value(QStringLiteral("settings/delay"), SettingsText{}.delay),
                                    .font = values.value(QStringLiteral("settings/font"), SettingsText{}.font)};
    const auto settings = settingsFromText(settingsText);
    if (const auto *problem = std::get_if<SettingsProblem>(&settings))
        return values.bad(QStringLiteral("settings/") + problem->key, problem->message);
    ProvisionProfile profile;
    profile.settings = std::get<SettingsChoice>(settings).settings;
    profile.delay = std::get<SettingsChoice>(settings).delay;
    profile.settingsGiven = values.entries.contains(QStringLiteral("settings/"));

    if (values.entries.contains(QStringLiteral("factory/machine"))) {
        const auto factory = wholeNumber(values.value(QStringLiteral("factory/machine"), {}), 0, 255);
        if (!factory)
            return values.bad(QStringLiteral("factory/machine"), StatusText::BadMachineNumber.toString());
        profile.factoryNumber = quint8(*factory);
    }

    // A [logo] section, even an empty one, asks for a logo: without a file it is an error, never a batch
    // that sends no logo and reports done.
    if (!values.entries.contains(QStringLiteral("logo/file"))) {
        if (values.entries.contains(QStringLiteral("logo/")))
            return atLine(fileName,
                          std::max({values.line(QStringLiteral("logo/")), values.line(QStringLiteral("logo/invert")),
                                    values.line(QStringLiteral("logo/dither"))}),
                          QCoreApplication::translate("cli", "[logo] 缺少 file="));
        return profile;
    }
    std::optional<bool> flags[2];
    const QString flagKeys[2] = {QStringLiteral("logo/invert"), QStringLiteral("logo/dither")};
    for (int i = 0; i < 2; ++i) {
        flags[i] = flagFromText(values.value(flagKeys[i], SettingsWord::False.toString()));
        if (!flags[i])
            return values.bad(flagKeys[i], QCoreApplication::translate("cli", "应为 true 或 false"));
    }
    // The logo sits beside the profile, wherever the batch is started from.
    profile.logoPath = values.value(QStringLiteral("logo/file"), {});
    const QString logoPath = QFileInfo(path).dir().filePath(profile.logoPath);
    auto logo = loadLogo(logoPath, {.invert = *flags[0], .dither = *flags[1]});
    if (const auto *error = std::get_if<LogoFileError>(&logo))
        return Problem{ResultStatus::FileError, logoFileMessage(*error, logoPath)};
    profile.logo = std::get<LoadedLogo>(std::move(logo)).picture;
    return profile;
}

QString profileExample()
{
    return QStringLiteral("[settings]\n"
                          "mode=door          ; bell | door\n"
                          "picture=true       ; true | false\n"
                          "delay=5            ; 0-255\n"
                          "font=simplified    ; simplified | traditional\n"
                          "[logo]\n"
                          "file=shop.png      ; beside the profile: a logo text file or any picture\n"
                          "invert=false\n"
                          "dither=false\n"
                          "[factory]\n"
                          "machine=18         ; the number a new terminal answers to\n");
}
