#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <optional>

namespace {
// Built in from timeclock-setup_en.ts and timeclock-setup_zh_TW.ts by qt_add_translations.
const QString EnglishTranslation = QStringLiteral(":/translations/timeclock-setup_en.qm");
const QString TraditionalChineseTranslation = QStringLiteral(":/translations/timeclock-setup_zh_TW.qm");

std::optional<Language> spokenLanguage(const QString &uiLanguage)
{
    const QLocale locale(uiLanguage);
    switch (locale.language()) {
    case QLocale::Chinese:
        // QLocale fills in the script a region writes: zh-TW, zh-HK and zh-MO come out traditional.
        return locale.script() == QLocale::TraditionalChineseScript ? Language::TraditionalChinese : Language::Chinese;
    case QLocale::English:
        return Language::English;
    // No language at all (C, POSIX): the program's own.
    case QLocale::AnyLanguage:
    case QLocale::C:
        return Language::Chinese;
    default:
        return std::nullopt;
    }
}

void installTranslator(QCoreApplication &app, const QString &file, const QString &directory = {})
{
    auto *translator = new QTranslator(&app);
    if (translator->load(file, directory))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
} // namespace

Language chooseLanguage(const QStringList &uiLanguages, const QString &requested)
{
    if (requested == u"zh")
        return Language::Chinese;
    if (requested == u"en")
        return Language::English;
    if (requested == u"zh_TW")
        return Language::TraditionalChinese;
    if (uiLanguages.isEmpty())
        return Language::Chinese;
    for (const QString &uiLanguage : uiLanguages) {
        if (const auto language = spokenLanguage(uiLanguage))
            return *language;
    }
    return Language::English;
}

Language installLanguage(QCoreApplication &app, const QString &requested)
{
    const Language language = chooseLanguage(QLocale::system().uiLanguages(), requested);
    // Qt's own dialogs (file dialog, message boxes, context menus) speak Chinese too; without Qt's
    // translation installed they stay English, which is what an incomplete install shows.
    const QString qtTranslations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    switch (language) {
    case Language::English:
        installTranslator(app, EnglishTranslation);
        break;
    case Language::Chinese:
        installTranslator(app, QStringLiteral("qtbase_zh_CN"), qtTranslations);
        break;
    case Language::TraditionalChinese:
        installTranslator(app, TraditionalChineseTranslation);
        installTranslator(app, QStringLiteral("qtbase_zh_TW"), qtTranslations);
        break;
    }
    return language;
}

QString requestedLanguage(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == u"--lang" && i + 1 < arguments.size())
            return arguments.at(i + 1);
        if (argument.startsWith(u"--lang="))
            return argument.mid(7);
    }
    return {};
}

bool isLanguageWord(const QString &word)
{
    return word == u"zh" || word == u"zh_TW" || word == u"en";
}
