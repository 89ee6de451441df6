#include "text_logo.h"

#include "command_values.h"
#include "status_messages.h"

#include <QCoreApplication>

namespace {


const QString TextOption = QStringLiteral("text");
const QString FontOption = QStringLiteral("font");
const QString SizeOption = QStringLiteral("size");
const QString BoldOption = QStringLiteral("bold");
const QString AlignOption = QStringLiteral("align");

Problem badText(const QString &message, const QString &given)
{
    return {ResultStatus::BadInput, StatusText::withDetail(message, given)};
}

} // namespace

bool wantsTextLogo(const QStringList &arguments)
{
    return optionGiven(arguments, TextOption);
}

int logoFileCount(const QStringList &arguments)
{
    return wantsTextLogo(arguments) ? 0 : 1;
}

QList<QCommandLineOption> logoTextOptions()
{
    return {
        {TextOption, QCoreApplication::translate("cli", "用文字作图片，不读文件（一行或两行，\\n 分行）"), QStringLiteral("TEXT")},
        {FontOption, QCoreApplication::translate("cli", "文字的字体（默认：装有的中文黑体）"), QStringLiteral("NAME")},
        {SizeOption, QCoreApplication::translate("cli", "文字大小：fit 放满 128 × 32（默认），或 1-%1 点").arg(LogoTextLargestSize),
         QStringLiteral("N|fit"),
         QStringLiteral("fit")},
        {BoldOption, QCoreApplication::translate("cli", "文字加粗")},
        {AlignOption, QCoreApplication::translate("cli", "文字对齐：left、center（默认）或 right"), QStringLiteral("left|center|right"),
         QStringLiteral("center")},
    };
}

std::variant<LogoTextOptions, Problem> logoTextOptionsFrom(const QCommandLineParser &parser)
{
    LogoTextOptions options;
    // A shell makes a line break hard to type, so "\n" in the text is one too.
    options.text = parser.value(TextOption).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    if (options.text.trimmed().isEmpty())
        return badText(QCoreApplication::translate("cli", "文字是空的！"), QStringLiteral("--text"));
    if (options.text.count(u'\n') >= LogoTextMaxLines)
        return badText(QCoreApplication::translate("cli", "文字最多两行！"), QStringLiteral("--text"));

    if (parser.isSet(FontOption)) {
        options.family = parser.value(FontOption);
        if (!isLogoFontFamily(options.family))
            return badText(QCoreApplication::translate("cli", "没有这个字体！"), QStringLiteral("--font ") + options.family);
    }
    const QString size = parser.value(SizeOption);
    if (size != QStringLiteral("fit")) {
        const auto number = wholeNumber(size, 1, LogoTextLargestSize);
        if (!number)
            return badText(QCoreApplication::translate("cli", "文字大小错误！"), QStringLiteral("--size ") + size);
        options.pointSize = *number;
    }
    options.bold = parser.isSet(BoldOption);
    const QString align = parser.value(AlignOption);
    if (align == QStringLiteral("left"))
        options.alignment = Qt::AlignLeft;
    else if (align == QStringLiteral("right"))
        options.alignment = Qt::AlignRight;
    else if (align != QStringLiteral("center"))
        return badText(QCoreApplication::translate("cli", "对齐方式错误！"), QStringLiteral("--align ") + align);
    return options;
}

std::optional<std::variant<LogoPicture, Problem>> textLogoPicture(const QCommandLineParser &parser, bool invert)
{
    if (!parser.isSet(TextOption))
        return std::nullopt;
    const auto text = logoTextOptionsFrom(parser);
    if (const auto *problem = std::get_if<Problem>(&text))
        return *problem;
    if (!logoTextDrawable(std::get<LogoTextOptions>(text)))
        return badText(StatusText::NoFontForText.toString(), QStringLiteral("--text"));
    return LogoPicture{logoBytesFromText(std::get<LogoTextOptions>(text), invert), textLogoSource(std::get<LogoTextOptions>(text))};
}
