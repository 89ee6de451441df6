#pragma once

#include "logo_file.h"
#include "outcome.h"
#include "strict_ini.h"
#include "terminal_settings.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

// What every terminal of a batch gets, read from an INI file:
//   [settings]  mode=bell|door  picture=true|false  delay=0..255  font=simplified|traditional
//   [logo]      file=PATH (relative to the profile's folder)  invert=true|false  dither=true|false
//   [factory]   machine=0..255 (the number a new terminal answers to; 18 when not given)
// A missing key takes the window's initial state; without [logo] no logo is sent.
struct ProvisionProfile
{
    TerminalSettings settings{};
    quint8 delay = 0;
    bool settingsGiven = false;  // the profile has a [settings] section (apply sends the settings only then)
    std::optional<quint8> factoryNumber{};
    std::optional<LogoPicture> logo{};
    QString logoPath{};  // as the profile names it
};

// The sections and keys above, as the strict INI reader checks them.
const IniSchema &profileSchema();

// The profile and its logo, read whole and checked (see readStrictIni); a file that cannot be read is a
// file error, anything wrong inside it bad input naming the file and the line.
std::variant<ProvisionProfile, Problem> readProvisionProfile(const QString &path);

// A profile is a few lines typed by hand; anything larger is refused before it is read.
inline constexpr qint64 ProfileSizeLimit = 1024 * 1024;

// What the profile example in --help and the man page shows.
QString profileExample();
