#include "soak_commands.h"

#include "soak_model.h"

#include "change_number.h"
#include "command_table.h"
#include "logo_download.h"
#include "logo_file.h"
#include "read_serial.h"
#include "status_messages.h"
#include "write_serial.h"

#include <QDir>
#include <QFile>

namespace soak {

namespace {

// The logo file as an operator would have it: 32 lines of 16 hex pairs, CR LF.
bool writeLogoFile(const QString &path, const QByteArray &picture)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (int line = 0; line < LogoLineCount; ++line)
        file.write(picture.mid(line * LogoBytesPerLine, LogoBytesPerLine).toHex().toUpper() + "\r\n");
    return file.error() == QFileDevice::NoError;
}

// The serial number as the window reads it from its box.
QByteArray serialBytes(const PlannedCommand &command)
{
    return serialNumberFromText(command.serialText).value_or(QByteArray());
}

QByteArray logoLineBytes(const QByteArray &picture, int line)
{
    return picture.mid(line * LogoBytesPerLine, LogoBytesPerLine);
}

} // namespace

const char *commandName(CommandKind kind)
{
    switch (kind) {
    case CommandKind::ChangeNumber:
        return "change number";
    case CommandKind::Settings:
        return "settings";
    case CommandKind::ReadSerial:
        return "read serial";
    case CommandKind::WriteSerial:
        return "write serial";
    case CommandKind::Download:
        return "logo download";
    }
    return "?";
}

QString successMessage(CommandKind kind)
{
    switch (kind) {
    case CommandKind::ReadSerial:
        return StatusText::CommunicationSucceeded.toString();
    case CommandKind::Download:
        return StatusText::DownloadComplete.toString();
    case CommandKind::ChangeNumber:
    case CommandKind::Settings:
    case CommandKind::WriteSerial:
        break;
    }
    return StatusText::SettingSucceeded.toString();
}

QString wrongAnswerMessage(CommandKind kind)
{
    // A download stopped part-way says so apart from a command that failed as a whole.
    return kind == CommandKind::Download ? StatusText::CommunicationInterrupted.toString()
                                         : StatusText::CommunicationFailed.toString();
}

int exchangesOf(CommandKind kind)
{
    return kind == CommandKind::Download ? LogoLineCount : 1;
}

int replyLengthOf(CommandKind kind)
{
    return kind == CommandKind::ReadSerial ? ReadSerialReplyLength : 1;
}

std::optional<QString> shownAnswer(CommandKind kind, const TerminalModel &model)
{
    if (kind != CommandKind::ReadSerial)
        return std::nullopt;
    return serialTextFromReply(QByteArray(1, char(model.machine)) + model.serial);
}

PlannedCommand planCommand(CommandKind kind, QRandomGenerator &random)
{
    PlannedCommand command;
    command.kind = kind;
    switch (kind) {
    case CommandKind::Settings:
        command.settings = {random.bounded(2) == 0, random.bounded(2) == 0, random.bounded(2) == 0};
        command.delay = quint8(random.bounded(256));
        break;
    case CommandKind::WriteSerial:
        command.serialText = QStringLiteral("%1").arg(random.bounded(1 << 24), 6, 16, QChar(u'0')).toUpper();
        break;
    case CommandKind::Download:
        command.picture.resize(LogoByteCount);
        for (char &byte : command.picture)
            byte = char(random.bounded(256));
        break;
    case CommandKind::ChangeNumber:
    case CommandKind::ReadSerial:
        break;
    }
    return command;
}

Exchange exchangeFor(const PlannedCommand &command, quint8 machine, int line)
{
    switch (command.kind) {
    case CommandKind::ChangeNumber:
        return changeNumberExchange(machine); // the same number again, so later frames stay addressed
    case CommandKind::Settings:
        return settingsExchange(machine, command.settings, command.delay);
    case CommandKind::ReadSerial:
        return readSerialExchange(machine);
    case CommandKind::WriteSerial:
        return writeSerialExchange(machine, serialBytes(command));
    case CommandKind::Download:
        break;
    }
    return Exchange{.addressByte = machine,
                    .commandFrame = logoLineFrame(line, logoLineBytes(command.picture, line))};
}

void applyEffect(const PlannedCommand &command, int line, TerminalModel &model)
{
    switch (command.kind) {
    case CommandKind::ChangeNumber:
    case CommandKind::ReadSerial:
        break;
    case CommandKind::Settings:
        model.mode = quint8((command.settings.bellMode ? 0 : 1) + (command.settings.startupPicture ? 2 : 0));
        model.delay = command.delay;
        model.font = command.settings.simplifiedFont ? 0 : 1;
        break;
    case CommandKind::WriteSerial:
        model.serial = QByteArray::fromHex(command.serialText.toLatin1()); // read apart from the program
        break;
    case CommandKind::Download:
        model.logo.replace(line * LogoBytesPerLine, LogoBytesPerLine, logoLineBytes(command.picture, line));
        break;
    }
}

TerminalCommand terminalCommand(CommandKind kind)
{
    switch (kind) {
    case CommandKind::ChangeNumber:
        return TerminalCommand::ChangeNumber;
    case CommandKind::Settings:
        return TerminalCommand::Settings;
    case CommandKind::ReadSerial:
        return TerminalCommand::ReadSerial;
    case CommandKind::WriteSerial:
        return TerminalCommand::WriteSerial;
    case CommandKind::Download:
        break;
    }
    return TerminalCommand::DownloadLogo;
}

std::variant<CommandTask, QString> taskFor(const PlannedCommand &command, quint8 machine,
                                           const QString &folder, TaskWatch &watch)
{
    CommandInputs inputs{.machineNumber = machine, .settings = command.settings, .delay = command.delay};
    if (command.kind == CommandKind::WriteSerial)
        inputs.serialNumber = serialBytes(command);
    if (command.kind == CommandKind::Download) {
        // As the window: the file is read whole, and closed, before the port is opened.
        const QString path = QDir(folder).filePath(QStringLiteral("logo.txt"));
        if (!writeLogoFile(path, command.picture))
            return QStringLiteral("(the logo file could not be written)");
        auto picture = readLogoFile(path);
        if (!std::holds_alternative<LogoPicture>(picture))
            return QStringLiteral("(the logo file could not be read back)");
        inputs.picture = std::get<LogoPicture>(std::move(picture));
        inputs.progress = [&watch](int linesBegun) {
            watch.linesBegun = linesBegun + 1;
            watch.sinceLineBegun.start();
        };
    }
    // The same table the window and the command line build their tasks from.
    const TerminalCommand terminal = terminalCommand(command.kind);
    return CommandTask{makeCommandTask(terminal, inputs), commandRow(terminal).openPort};
}

} // namespace soak
