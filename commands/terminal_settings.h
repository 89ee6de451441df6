#pragma once

#include "exchange.h"

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

QByteArray settingsFrame(const TerminalSettings &settings, quint8 delay);
Exchange settingsExchange(quint8 machineNumber, const TerminalSettings &settings, quint8 delay);
