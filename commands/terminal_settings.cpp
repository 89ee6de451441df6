#include "terminal_settings.h"

#include "five_byte_frame.h"

namespace {
constexpr char WriteSettingsCode = 0x20;
constexpr quint8 DoorAccessModeBit = 0x01;
constexpr quint8 StartupPictureBit = 0x02;
} // namespace

quint8 settingsModeByte(const TerminalSettings &settings)
{
    quint8 mode = settings.bellMode ? 0 : DoorAccessModeBit;
    if (settings.startupPicture)
        mode += StartupPictureBit;
    return mode;
}

bool usesUnlockDelay(const TerminalSettings &settings)
{
    return settingsModeByte(settings) != 0;
}

QByteArray settingsFrame(const TerminalSettings &settings, quint8 delay)
{
    const char frame[] = {FiveByteFrameStart, WriteSettingsCode, char(settingsModeByte(settings)), char(delay),
                          settings.simplifiedFont ? char(0) : char(1)};
    return QByteArray(frame, sizeof frame);
}

Exchange settingsExchange(quint8 machineNumber, const TerminalSettings &settings, quint8 delay)
{
    return {.addressByte = machineNumber, .pauseFirst = true, .commandFrame = settingsFrame(settings, delay)};
}

QString settingsWords(const TerminalSettings &settings, quint8 delay)
{
    return QStringLiteral("mode=%1 picture=%2 delay=%3 font=%4")
        .arg(settings.bellMode ? SettingsWord::Bell : SettingsWord::Door,
             settings.startupPicture ? SettingsWord::True : SettingsWord::False)
        .arg(delay)
        .arg(settings.simplifiedFont ? SettingsWord::Simplified : SettingsWord::Traditional);
}
