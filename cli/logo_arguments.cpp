#include "logo_arguments.h"

#include "logo_source.h"
#include "text_logo.h"

#include <QCoreApplication>

QList<QCommandLineOption> logoImageOptions()
{
    return QList<QCommandLineOption>{{QStringLiteral("invert"), QCoreApplication::translate("cli", "图片反色")},
            {QStringLiteral("dither"), QCoreApplication::translate("cli", "图片用抖动保留灰度（只对图片）")},
            {QStringLiteral("fill"), QCoreApplication::translate("cli", "图片裁去多余的两边，填满 128 × 32（默认整张放入，留白边）")}}
           + logoTextOptions();
}

LogoImageOptions logoImageOptionsFrom(const QCommandLineParser &parser)
{
    return {.invert = parser.isSet(QStringLiteral("invert")),
            .dither = parser.isSet(QStringLiteral("dither")),
            .fill = parser.isSet(QStringLiteral("fill"))};
}

std::variant<LogoPicture, Problem> pictureFromFile(const QString &path, LogoImageOptions options)
{
    auto logo = loadLogo(path, options);
    if (const auto *error = std::get_if<LogoFileError>(&logo))
        return Problem{ResultStatus::FileError, logoFileMessage(*error, path)};
    return std::get<LoadedLogo>(std::move(logo)).picture;
}

std::variant<LogoPicture, Problem> logoPictureFrom(const CommandLine &line, LogoImageOptions options)
{
    if (auto text = textLogoPicture(line.parser(), options.invert))
        return *std::move(text);
    return pictureFromFile(line.positional().at(0), options);
}
