#include "command_words.h"

#include "apply_command.h"
#include "command_line.h"
#include "command_table.h"
#include "inventory_command.h"
#include "logo_arguments.h"
#include "picture_commands.h"
#include "ports_command.h"
#include "provision.h"
#include "scan_command.h"
#include "terminal_commands.h"

#include <QCoreApplication>

QList<CommandWord> commandWords()
{
    QList<CommandWord> words;
    for (const CommandRow &row : commandTable())
        words.append({row.name.toString(), terminalCommandArguments(row), terminalCommandSummary(row), nullptr,
                      terminalCommandOptions(row)});
    words.append({QStringLiteral("show-logo"), QStringLiteral("FILE|--text TEXT"), showLogoSummary(), runShowLogo, logoImageOptions()});
    words.append({QStringLiteral("convert-logo"), QStringLiteral("IMAGE|--text TEXT -o FILE.txt|-"), convertLogoSummary(), runConvertLogo,
                  convertLogoOptions()});
    words.append({QStringLiteral("provision"), QStringLiteral("PROFILE --numbers LIST"), provisionSummary(), runProvision,
                  provisionOptions()});
    words.append({QStringLiteral("apply"), QStringLiteral("PROFILE [--machines FROM-TO] [--yes]"), applySummary(), runApply,
                  applyOptions()});
    words.append({QStringLiteral("ports"), QString(),
                  QCoreApplication::translate("cli", "不用考勤机：列出能用的串口，连同 USB 名称、固定名和是否被占用"), runPorts,
                  portsOptions()});
    words.append({QStringLiteral("scan"), QStringLiteral("[--machines 0-255] [--timeout MS]"),
                  QCoreApplication::translate("cli", "查找机号：列出这条线上回答的考勤机和它们的序列号"), runScan, scanOptions()});
    words.append({QStringLiteral("history"), QString(),
                  QCoreApplication::translate("cli", "不用串口：列出发给考勤机的命令的历史记录"), runHistory});
    words.append({QStringLiteral("inventory"), QStringLiteral("[--offline] [--csv]"), inventorySummary(), runInventory,
                  inventoryOptions()});
    return words;
}

QList<QCommandLineOption> everyCommandOption()
{
    QList<QCommandLineOption> options = CommandLine(QString(), QString(), 0, QString(), PortUse::Terminal).options();
    for (const CommandWord &word : commandWords())
        options += word.options;
    return options;
}
