#include "picture_commands.h"

#include "command_line.h"
#include "logo_arguments.h"
#include "logo_picture.h"
#include "logo_source.h"
#include "output_file.h"
#include "status_messages.h"
#include "text_logo.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>

namespace {

#include <algorithm>

#ifndef _WIN32
#include <sys/ioctl.h>
#include <unistd.h>
#endif

bool dotOn(const QImage &picture, int x, int y)
{
    return qGray(picture.pixel(x, y)) < 128;
}

// The quadrant characters by the dots they show: bit 0 upper left, 1 upper right, 2 lower left, 3 lower right.
constexpr char16_t Quadrants[16] = {u' ', u'▘', u'▝', u'▀', u'▖', u'▌', u'▞', u'▛',
                                    u'▗', u'▚', u'▐', u'▜', u'▄', u'▙', u'▟', u'█'};

QCommandLineOption outputOption()
{
    return {{QStringLiteral("o"), QStringLiteral("output")},
            QCoreApplication::translate("cli", "要写的 logo 文本文件；- 为标准输出"), QStringLiteral("FILE.txt")};
}

QCommandLineOption forceOption()
{
    return {QStringLiteral("force"), QCoreApplication::translate("cli", "替换已有的文件（输入文件永远不会被替换）")};
}

} // namespace

QString quadrantDrawing(QByteArrayView logoBytes)
{
    const QImage picture = logoPictureImage(logoBytes);
    const QString border = QString(LogoPictureWidth / 2, u'─');
    QString drawing = u'┌' + border + QStringLiteral("┐\n");
    for (int y = 0; y < LogoPictureHeight; y += 2) {
        drawing += u'│';
        for (int x = 0; x < LogoPictureWidth; x += 2) {
            const int dots = int(dotOn(picture, x, y)) | int(dotOn(picture, x + 1, y)) << 1
                             | int(dotOn(picture, x, y + 1)) << 2 | int(dotOn(picture, x + 1, y + 1)) << 3;
            drawing += QChar(Quadrants[dots]);
        }
        drawing += QStringLiteral("│\n");
    }
    return drawing + u'└' + border + u'┘';
}

QString showLogoSummary()
{
    return QCoreApplication::translate("cli", "不用串口：在终端里画出将要下载的 128 × 32 图片（每个字符 2 × 2 点，66 列宽）");
}

QString convertLogoSummary()
{
    return QCoreApplication::translate("cli", "不用串口：把图片转换成 logo 文本文件，输出写入的路径；不替换已有文件，除非 --force");
}

QList<QCommandLineOption> convertLogoOptions()
{
    return QList<QCommandLineOption>{outputOption(), forceOption()} + logoImageOptions();
}

namespace {

// The width of the terminal standard output is, or 0 when it is none (a file, a pipe).
int standardOutputColumns()
{
#ifndef _WIN32
    winsize size{};
    if (::isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_col;
#endif
    return 0;
}

} // namespace

int runShowLogo(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("show-logo"), QStringLiteral("FILE|--text TEXT"), logoFileCount(arguments),
                     showLogoSummary(), PortUse::None);
    line.addOptions(logoImageOptions());
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    const QString path = line.positional().value(0, line.parser().value(QStringLiteral("text")));
    const auto picture = logoPictureFrom(line, logoImageOptionsFrom(line.parser()));
    if (const auto *problem = std::get_if<Problem>(&picture))
        return line.fail(*problem);
    const QString drawing = quadrantDrawing(std::get<LogoPicture>(picture).bytes);
    // A pane narrower than the drawing would wrap every row into the next: nothing of the picture is left.
    qsizetype widest = 0;
    for (const QString &row : drawing.split(u'\n'))
        widest = std::max(widest, row.size());
    const int columns = standardOutputColumns();
    if (line.format() == OutputFormat::Text && columns > 0 && columns < widest)
        return line.fail({ResultStatus::OutputFailed,
                          QCoreApplication::translate("cli", "终端太窄：图片要 %1 列，这里只有 %2 列；请加宽窗口，或把输出写入文件")
                              .arg(widest)
                              .arg(columns)});
    return reportOutcome({.command = line.word(), .message = path, .printed = drawing}, line.format());
}

int runConvertLogo(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("convert-logo"), QStringLiteral("IMAGE|--text TEXT -o FILE.txt|-"),
                     logoFileCount(arguments), convertLogoSummary(),
                     PortUse::None);
    line.addOptions(convertLogoOptions());
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    const QString target = line.parser().value(outputOption());
    if (target.isEmpty())
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "缺少 -o FILE.txt")});
    if (target == u"-" && line.format() == OutputFormat::Json)
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "-o - 与 --json 不能同用：两者都写标准输出")});
    // Nothing is converted for a target that would be refused.
    const auto existing = line.parser().isSet(forceOption()) ? ExistingFile::Replace : ExistingFile::Refuse;
    if (const auto problem = outputTargetProblem(target, line.positional(), existing))
        return line.fail(*problem);

    const auto picture = logoPictureFrom(line, logoImageOptionsFrom(line.parser()));
    if (const auto *problem = std::get_if<Problem>(&picture))
        return line.fail(*problem);
    if (const auto problem = saveOutputFile(target, logoTextFileContents(std::get<LogoPicture>(picture).bytes)))
        return line.fail(*problem);
    if (target == u"-")
        return ExitCode::Done;
    const QString written = QDir::toNativeSeparators(target);
    return reportOutcome({.command = line.word(), .message = written, .printed = written}, line.format());
}
