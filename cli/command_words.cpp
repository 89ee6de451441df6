#include "command_words.h"

#include "command_line.h"
#include "command_table.h"
#include "picture_commands.h"
#include "provision.h"
#include "terminal_commands.h"

#include <QCoreApplication>

QList<CommandWord> commandWords()
{
    QList<CommandWord> words;
    for (const CommandRow &row : commandTable())
        words.append({row.name.toString(), terminalCommandArguments(row), terminalCommandSummary(row), nullptr,
                      terminalCommandOptions(row)});
    words.append({QStringLiteral("show-logo"), QStringLiteral("FILE"), showLogoSummary(), runShowLogo, logoImageOptions()});
    words.append({QStringLiteral("convert-logo"), QStringLiteral("IMAGE -o FILE.txt|-"), convertLogoSummary(), runConvertLogo,
                  convertLogoOptions()});
    words.append({QStringLiteral("provision"), QStringLiteral("PROFILE --numbers LIST"), provisionSummary(), runProvision,
                  provisionOptions()});
    return words;
}

QList<QCommandLineOption> everyCommandOption()
{
    QList<QCommandLineOption> options = CommandLine(QString(), QString(), 0, QString(), PortUse::Terminal).options();
    for (const CommandWord &word : commandWords())
        options += word.options;
    return options;
}
