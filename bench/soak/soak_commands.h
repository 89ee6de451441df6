#pragma once

// Everything the soak knows about the individual terminal commands, in this one file: their names and
// success messages, their random inputs, how the program builds their tasks, and what each does to the
// terminal. The rest of the soak only asks these functions.

#include "command_session.h"
#include "command_table.h"
#include "terminal_settings.h"
#include "terminal_task.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

namespace soak {

// The commands of the program's command table that take one exchange each, in the table's order: the
// single-exchange commands of the soak are drawn from these.
QList<TerminalCommand> singleExchangeCommands();

struct PlannedCommand
{
    TerminalCommand kind = TerminalCommand::ReadSerial;
    TerminalSettings settings; // Settings
    quint8 delay = 0;          // Settings
    QString serialText;        // WriteSerial: six upper-case hex digits
    QByteArray picture;        // Download: 512 bytes
};

QString commandName(TerminalCommand kind); // the command line's word for it
QString successMessage(TerminalCommand kind);
QString wrongAnswerMessage(TerminalCommand kind); // the terminal answered with another byte than its address
int exchangesOf(TerminalCommand kind);
int replyLengthOf(TerminalCommand kind);

// A command of this kind with random inputs, as an operator might give them.
PlannedCommand planCommand(TerminalCommand kind, QRandomGenerator &random);

// Exchange `line` of the command as the program builds it for the window's inputs.
Exchange exchangeFor(const PlannedCommand &command, quint8 machine, int line);

// What the soak watches while a command's task runs.
struct TaskWatch
{
    std::optional<QString> serialText; // what a serial-number read would show
    int linesBegun = 0;                // logo lines begun
    QElapsedTimer sinceLineBegun;      // since the last logo line began
};

struct CommandTask
{
    std::unique_ptr<TerminalTask> task;
};

// The task the window builds for the command. A download goes through a logo file in `folder`, written
// and read back as an operator's file would be; when that fails, why.
std::variant<CommandTask, QString> taskFor(const PlannedCommand &command, quint8 machine,
                                           const QString &folder, TaskWatch &watch);

} // namespace soak
