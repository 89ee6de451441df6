#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// The languages the program speaks. Chinese (Simplified) is the language of its source texts; English and
// Traditional Chinese in Taiwan's usage are translations.
enum class Language { Chinese, English, TraditionalChinese };

// The language for a user whose system prefers `uiLanguages` (as QLocale::uiLanguages() lists them, most
// preferred first), unless `requested` ("zh", "zh_TW" or "en", from --lang) says otherwise. The first preference
// the program speaks wins; Chinese written in the traditional script (zh-TW, zh-HK, zh-MO, zh-Hant) is
// Traditional Chinese, any other Chinese is Simplified; a locale without a language (C, POSIX: a bare server)
// counts as Chinese, and a system that prefers only languages without a translation gets English.
Language chooseLanguage(const QStringList &uiLanguages, const QString &requested);

// Chooses the language from the system's UI languages and `requested`, and installs on `app` the program's
// own translation (English, Traditional Chinese) and Qt's Chinese one for its dialogs (either Chinese).
// Returns the language chosen.
Language installLanguage(QCoreApplication &app, const QString &requested);

// The value of --lang among the program's arguments ("--lang en" or "--lang=en"); empty when not given.
QString requestedLanguage(const QStringList &arguments);

// Whether `word` is one of --lang's values: "zh", "zh_TW" or "en", exactly.
bool isLanguageWord(const QString &word);
