#pragma once

#include "command_line.h"
#include "logo_picture.h"
#include "command_table.h"
#include "outcome.h"

#include <QStringList>

// The table's commands on the command line: each row's own arguments and options, how they become its
// inputs, and the run itself. What is sent is built by the command table alone.

// The command's arguments after its word ("NEW"), and its one-line summary, translated.
QString terminalCommandArguments(const CommandRow &row);
QString terminalCommandSummary(const CommandRow &row);
// Its own options, beyond those every command shares.
QList<QCommandLineOption> terminalCommandOptions(const CommandRow &row);

// Runs `timeclock-setup <row.name> arguments...` and returns the exit code.
int runTerminalCommandLine(const CommandRow &row, const QStringList &arguments);

// Runs the row's command on the terminal with a progress bar for a download, and tells how it went.
Outcome runOnTerminal(const CommandRow &row, const PortChoice &port, CommandInputs inputs);

// --allow-blank, and the refusal of a blank picture (`source`: the file or text it came from) without it.
QCommandLineOption allowBlankOption();
std::optional<Problem> blankLogoProblem(const QCommandLineParser &parser, QByteArrayView picture, const QString &source);
