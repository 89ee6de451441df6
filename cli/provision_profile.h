#pragma once

#include "logo_file.h"
#include "outcome.h"
#include "terminal_settings.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

// What every terminal of a batch gets, read from an INI file:
//   [settings]  mode=bell|door  picture=true|false  delay=0..255  font=simplified|traditional
//   [logo]      file=PATH (relative to the profile's folder)  invert=true|false  dither=true|false
// A missing key takes the window's initial state; without [logo] no logo is sent.
struct ProvisionProfile
{
    TerminalSettings settings{};
    quint8 delay = 0;
    std::optional<LogoPicture> logo{};
};

// The profile and its logo, read whole and checked; a file that cannot be used is a file error, a value
// that is not allowed bad input, each naming the file and the key.
std::variant<ProvisionProfile, Problem> readProvisionProfile(const QString &path);

// "1-20,25": the machine numbers to give, in order; nothing for text that is not such a list of 0..255.
std::optional<QList<quint8>> machineNumbersFromText(const QString &text);
