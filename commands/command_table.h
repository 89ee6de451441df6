#pragma once

#include "command_session.h"
#include "logo_file.h"
#include "status_messages.h"
#include "terminal_settings.h"
#include "terminal_task.h"

#include <QFlags>
#include <QStringView>

#include <functional>
#include <memory>
#include <span>

// The five things the program asks of a terminal. The window's buttons, the command line and the soak
// all build their tasks from the one table below, so each sends exactly what the others send.
enum class TerminalCommand {
    ChangeNumber,
    Settings,
    ReadSerial,
    WriteSerial,
    DownloadLogo,
};

// What the operator gives a command; each row says which of these it reads.
struct CommandInputs
{
    quint8 machineNumber = 18;  // the terminal addressed; for ChangeNumber, the number it is to take
    TerminalSettings settings{};
    quint8 delay = 0;
    QByteArray serialNumber{};  // three bytes
    LogoPicture picture{};
    std::function<void(int linesBegun)> progress{};  // a download's line about to go out
    // The addressed terminal's serial where this run knows it (a batch read it first): the history keeps it,
    // so what was sent joins the terminal across renumbers.
    QString knownSerial{};
};

enum class CommandInput {
    MachineNumber = 0x1,
    Settings = 0x2,
    SerialNumber = 0x4,
    Picture = 0x8,
};
Q_DECLARE_FLAGS(CommandInputKinds, CommandInput)
Q_DECLARE_OPERATORS_FOR_FLAGS(CommandInputKinds)

struct CommandRow
{
    TerminalCommand command;
    QStringView name;  // the command line's word for it
    CommandInputKinds reads;
    StatusText::Message successMessage;
    std::unique_ptr<TerminalTask> (*makeTask)(const CommandRow &row, const CommandInputs &inputs);
};

std::span<const CommandRow> commandTable();
const CommandRow &commandRow(TerminalCommand command);
const CommandRow *commandRowNamed(QStringView name);

// The task that carries out `command` with these inputs.
std::unique_ptr<TerminalTask> makeCommandTask(TerminalCommand command, const CommandInputs &inputs);
