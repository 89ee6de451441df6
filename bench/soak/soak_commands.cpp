#include "soak_commands.h"

#include "change_number.h"
#include "command_table.h"
#include "logo_download.h"
#include "logo_file.h"
#include "logo_source.h"
#include "read_serial.h"
#include "status_messages.h"
#include "write_serial.h"

#include <QDir>

namespace soak {

namespace {

// The serial number as the window reads it from its box.
QByteArray serialBytes(const PlannedCommand &command)
{
    return serialNumberFromText(command.serialText).value_or(QByteArray());
}

// The window's inputs for the command, all but the logo picture.
CommandInputs inputsFor(const PlannedCommand &command, quint8 machine)
{
    CommandInputs inputs{.machineNumber = machine, .settings = command.settings, .delay = command.delay};
    if (command.kind == TerminalCommand::WriteSerial)
        inputs.serialNumber = serialBytes(command);
    return inputs;
}

} // namespace

QList<TerminalCommand> singleExchangeCommands()
{
    QList<TerminalCommand> commands;
    for (const CommandRow &row : commandTable())
        if (exchangesOf(row.command) == 1)
            commands.append(row.command);
    return commands;
}

QString commandName(TerminalCommand kind)
{
    return commandRow(kind).name.toString();
}

QString successMessage(TerminalCommand kind)
{
    return commandRow(kind).successMessage.toString();
}

QString wrongAnswerMessage(TerminalCommand kind)
{
    // A download stopped part-way says so apart from a command that failed as a whole.
    return kind == TerminalCommand::DownloadLogo ? StatusText::CommunicationInterrupted.toString()
                                         : StatusText::CommunicationFailed.toString();
}

int exchangesOf(TerminalCommand kind)
{
    return kind == TerminalCommand::DownloadLogo ? LogoLineCount : 1;
}

int replyLengthOf(TerminalCommand kind)
{
    return kind == TerminalCommand::ReadSerial ? ReadSerialReplyLength : 1;
}

PlannedCommand planCommand(TerminalCommand kind, QRandomGenerator &random)
{
    PlannedCommand command;
    command.kind = kind;
    switch (kind) {
    case TerminalCommand::Settings:
        command.settings = {random.bounded(2) == 0, random.bounded(2) == 0, random.bounded(2) == 0};
        command.delay = quint8(random.bounded(256));
        break;
    case TerminalCommand::WriteSerial:
        command.serialText = QStringLiteral("%1").arg(random.bounded(1 << 24), 6, 16, QChar(u'0')).toUpper();
        break;
    case TerminalCommand::DownloadLogo:
        command.picture.resize(LogoByteCount);
        for (char &byte : command.picture)
            byte = char(random.bounded(256));
        break;
    case TerminalCommand::ChangeNumber:
    case TerminalCommand::ReadSerial:
        break;
    }
    return command;
}

Exchange exchangeFor(const PlannedCommand &command, quint8 machine, int line)
{
    // The very task the program runs, walked to the wanted line with every earlier one confirmed.
    CommandInputs inputs = inputsFor(command, machine);
    inputs.picture = LogoPicture{command.picture};
    const std::unique_ptr<TerminalTask> task = makeCommandTask(command.kind, inputs);
    CommandStep step = task->begin();
    for (int confirmed = 0; confirmed < line; ++confirmed)
        step = task->next({ExchangeOutcome::Kind::Replied, QByteArray(1, char(machine))});
    return std::get<Exchange>(step);
}

std::variant<CommandTask, QString> taskFor(const PlannedCommand &command, quint8 machine,
                                           const QString &folder, TaskWatch &watch)
{
    CommandInputs inputs = inputsFor(command, machine);
    if (command.kind == TerminalCommand::DownloadLogo) {
        // As the window: the file is read whole, and closed, before the port is opened.
        const QString path = QDir(folder).filePath(QStringLiteral("logo.txt"));
        // The logo file as an operator would have it, written as the window saves one.
        if (saveLogoTextFile(path, command.picture))
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
    return CommandTask{makeCommandTask(command.kind, inputs)};
}

} // namespace soak
