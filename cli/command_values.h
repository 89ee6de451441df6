#pragma once

#include "machine_scan.h"
#include "terminal_settings.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <variant>

// The values a user types on the command line or into a profile, read one way everywhere: whole decimal
// numbers in range (the window rounds "18.6"; a script that wrote it meant something else), and the
// settings words.

// Digits only (no sign, fraction, blank or exponent), from `min` to `max`.
std::optional<int> wholeNumber(QStringView text, int min, int max);

// "0-255", "18" or "5-9", each number as wholeNumber() reads it (no blanks); nothing for anything else (a
// reversed range, a number above 255).
std::optional<MachineRange> machineRangeFromText(QStringView text);

// "1-20,25": the machine numbers to give, in order, each range as machineRangeFromText() reads it; nothing
// for text that is not such a list, or that gives a number twice (then `repeated`, where given, is that number).
std::optional<QList<quint8>> machineNumbersFromText(const QString &text, int *repeated = nullptr);

// The settings command's words.
// The settings as typed: --mode/--picture/--delay/--font, or a profile's mode=, picture=, delay=, font=.
struct SettingsText
{
    QString mode = SettingsWord::Bell.toString();
    QString picture = SettingsWord::False.toString();
    QString delay = QStringLiteral("0");
    QString font = SettingsWord::Simplified.toString();
};

struct SettingsChoice
{
    TerminalSettings settings;
    quint8 delay = 0;
};

// Which word was wrong ("mode", "picture", "delay", "font") and why, for the caller to place.
struct SettingsProblem
{
    QString key;
    QString value;
    QString message;
};

std::variant<SettingsChoice, SettingsProblem> settingsFromText(const SettingsText &text);

// A true/false word, for the profile's flags.
std::optional<bool> flagFromText(QStringView text);
