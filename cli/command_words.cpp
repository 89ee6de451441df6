#include "command_words.h"

#include "command_table.h"
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
        words.append({row.name.toString(), terminalCommandArguments(row), terminalCommandSummary(row), nullptr});
    words.append({QStringLiteral("show-logo"), QStringLiteral("FILE"),
                  QCoreApplication::translate("cli", "不用串口：在终端里画出将要下载的 128 × 32 图片"), runShowLogo});
    words.append({QStringLiteral("convert-logo"), QStringLiteral("IMAGE -o FILE.txt"),
                  QCoreApplication::translate("cli", "不用串口：把图片转换成 logo 文本文件"), runConvertLogo});
    words.append({QStringLiteral("provision"), QStringLiteral("PROFILE"),
                  QCoreApplication::translate("cli", "成批设置：改号、设置、下载图片、读序列号，一台接一台"), runProvision});
    words.append({QStringLiteral("ports"), QString(),
                  QCoreApplication::translate("cli", "不用考勤机：列出能用的串口，连同 USB 名称、固定名和是否被占用"), runPorts});
    words.append({QStringLiteral("scan"), QStringLiteral("[--machines 0-255] [--timeout MS]"),
                  QCoreApplication::translate("cli", "查找机号：列出这条线上回答的考勤机和它们的序列号"), runScan});
    words.append({QStringLiteral("history"), QString(),
                  QCoreApplication::translate("cli", "不用串口：列出发给考勤机的命令的历史记录"), runHistory});
    return words;
}
