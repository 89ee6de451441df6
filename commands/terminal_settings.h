#pragma once

#include "exchange.h"

#include <QString>
#include <QStringView>

// The terminal's working settings as chosen in the window.
struct TerminalSettings
{
    bool bellMode = true;        // attendance with a bell; otherwise attendance with door access
    bool startupPicture = false; // show the start-up logo
    bool simplifiedFont = true;  // simplified characters; otherwise traditional
};

// Mode byte: bit 0 door-access mode, bit 1 show the start-up picture.
quint8 settingsModeByte(const TerminalSettings &settings);

// The terminal takes one delay: the unlock delay whenever the mode byte is not 0 (door access or the
// picture flag), otherwise the clock-in delay.
bool usesUnlockDelay(const TerminalSettings &settings);

// The settings' words, as the command line and a profile take them and the history records them.
namespace SettingsWord {
inline constexpr QStringView Bell = u"bell";
inline constexpr QStringView Door = u"door";
inline constexpr QStringView Simplified = u"simplified";
inline constexpr QStringView Traditional = u"traditional";
inline constexpr QStringView True = u"true";
inline constexpr QStringView False = u"false";
} // namespace SettingsWord

// "mode=door picture=true delay=5 font=traditional": the settings sent, in a profile's keys and words.
QString settingsWords(const TerminalSettings &settings, quint8 delay);

QByteArray settingsFrame(const TerminalSettings &settings, quint8 delay);
Exchange settingsExchange(quint8 machineNumber, const TerminalSettings &settings, quint8 delay);
