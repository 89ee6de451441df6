#include "command_values.h"

#include "status_messages.h"

#include <QCoreApplication>
#include <QSet>

std::optional<int> wholeNumber(QStringView text, int min, int max)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<MachineRange> machineRangeFromText(QStringView text)
{
    const qsizetype dash = text.indexOf(u'-');
    const auto first = wholeNumber(dash < 0 ? text : text.first(dash), 0, 255);
    const auto last = wholeNumber(dash < 0 ? text : text.sliced(dash + 1), 0, 255);
    if (!first || !last || *last < *first)
        return std::nullopt;
    return MachineRange{*first, *last};
}

std::optional<QList<quint8>> machineNumbersFromText(const QString &text, int *repeated)
{
    QList<quint8> numbers;
    QSet<int> given;
    for (const QString &part : text.split(u',')) {
        const auto range = machineRangeFromText(part);
        if (!range)
            return std::nullopt;
        for (int number = range->first; number <= range->last; ++number) {
            if (given.contains(number)) {
                if (repeated)
                    *repeated = number;
                return std::nullopt;
            }
            given.insert(number);
            numbers.append(quint8(number));
        }
    }
    return numbers;
}

std::optional<bool> flagFromText(QStringView text)
{
    if (text == SettingsWord::True)
        return true;
    if (text == SettingsWord::False)
        return false;
    return std::nullopt;
}

std::variant<SettingsChoice, SettingsProblem> settingsFromText(const SettingsText &text)
{
    if (text.mode != SettingsWord::Bell && text.mode != SettingsWord::Door)
        return SettingsProblem{QStringLiteral("mode"), text.mode, QCoreApplication::translate("cli", "模式错误！")};
    const auto picture = flagFromText(text.picture);
    if (!picture)
        return SettingsProblem{QStringLiteral("picture"), text.picture,
                               QCoreApplication::translate("cli", "应为 true 或 false")};
    const auto delay = wholeNumber(text.delay, 0, 255);
    if (!delay)
        return SettingsProblem{QStringLiteral("delay"), text.delay, StatusText::BadDelay.toString()};
    if (text.font != SettingsWord::Simplified && text.font != SettingsWord::Traditional)
        return SettingsProblem{QStringLiteral("font"), text.font, QCoreApplication::translate("cli", "字体错误！")};
    return SettingsChoice{.settings = {.bellMode = text.mode == SettingsWord::Bell,
                                       .startupPicture = *picture,
                                       .simplifiedFont = text.font == SettingsWord::Simplified},
                          .delay = quint8(*delay)};
}
