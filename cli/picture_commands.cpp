#include "picture_commands.h"

#include "command_line.h"
#include "logo_picture.h"
#include "logo_source.h"
#include "status_messages.h"
#include "terminal_commands.h"
#include "text_logo.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>

namespace {

bool dotOn(const QImage &picture, int x, int y)
{
    return qGray(picture.pixel(x, y)) < 128;
}

} // namespace

QString halfBlockDrawing(QByteArrayView logoBytes)
{
    const QImage picture = logoPictureImage(logoBytes);
    const QString border = QString(LogoPictureWidth, u'─');
    QString drawing = u'┌' + border + QStringLiteral("┐\n");
    for (int y = 0; y < LogoPictureHeight; y += 2) {
        drawing += u'│';
        for (int x = 0; x < LogoPictureWidth; ++x) {
            const bool top = dotOn(picture, x, y);
            const bool bottom = dotOn(picture, x, y + 1);
            drawing += top ? (bottom ? u'█' : u'▀') : (bottom ? u'▄' : u' ');
        }
        drawing += QStringLiteral("│\n");
    }
    return drawing + u'└' + border + u'┘';
}

int runShowLogo(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("show-logo"), QStringLiteral("FILE|--text TEXT"), logoFileCount(arguments),
                     QCoreApplication::translate("cli", "不用串口：在终端里画出将要下载的 128 × 32 图片（每行文字两行点）"),
                     PortUse::None);
    for (const QCommandLineOption &option : logoImageOptions())
        line.addOption(option);
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    const QString path = line.positional().value(0, line.parser().value(QStringLiteral("text")));
    const auto picture = logoPictureFrom(line, logoImageOptionsFrom(line.parser()));
    if (const auto *problem = std::get_if<Problem>(&picture))
        return line.fail(*problem);
    return reportOutcome({.command = line.word(),
                          .message = path,
                          .printed = halfBlockDrawing(std::get<LogoPicture>(picture).bytes)},
                         line.format());
}

int runConvertLogo(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("convert-logo"), QStringLiteral("IMAGE|--text TEXT -o FILE.txt"), logoFileCount(arguments),
                     QCoreApplication::translate("cli", "不用串口：把图片转换成 logo 文本文件，输出写入的路径"),
                     PortUse::None);
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QCoreApplication::translate("cli", "要写的 logo 文本文件"),
                                    QStringLiteral("FILE.txt"));
    line.addOption(output);
    for (const QCommandLineOption &option : logoImageOptions())
        line.addOption(option);
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    const QString target = line.parser().value(output);
    if (target.isEmpty())
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "缺少 -o FILE.txt")});

    const auto picture = logoPictureFrom(line, logoImageOptionsFrom(line.parser()));
    if (const auto *problem = std::get_if<Problem>(&picture))
        return line.fail(*problem);
    if (!saveLogoTextFile(target, std::get<LogoPicture>(picture).bytes))
        return line.fail({ResultStatus::FileError, StatusText::withDetail(StatusText::FileSaveFailed.toString(), target)});
    const QString written = QDir::toNativeSeparators(target);
    return reportOutcome({.command = line.word(), .message = written, .printed = written}, line.format());
}
