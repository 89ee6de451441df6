#include "help.h"

#include "command_line.h"
#include "command_words.h"
#include "outcome.h"
#include "provision_profile.h"

#include <QCoreApplication>

QString generalHelp()
{
    QString text = QCoreApplication::translate("cli", "用法:") + u'\n';
    text += QStringLiteral("  timeclock-setup [--port N=DEVICE]... [--trace] [--lang zh|zh_TW|en]\n"
                           "  timeclock-setup COMMAND [ARGUMENTS] [OPTIONS]\n");
    text += QCoreApplication::translate("cli", "设置串口上的考勤机。不带命令时打开窗口；带命令时不开窗口，执行一个命令后退出"
                                               "（不需要显示器），适合脚本和成批设置。")
            + QStringLiteral("\n\n");

    // Every command with its own options, so that this text (and the man page made from it) holds them all.
    text += QCoreApplication::translate("cli", "命令:") + u'\n';
    for (const CommandWord &word : commandWords()) {
        const QString left = QStringLiteral("  %1 %2").arg(word.word, word.arguments).trimmed().prepend(QStringLiteral("  "));
        text += left.leftJustified(34) + (left.size() >= 34 ? QStringLiteral("\n") + QString(34, u' ') : QString()) + word.summary
                + u'\n';
        if (!word.options.isEmpty())
            text += optionLines(word.options).replace(QStringLiteral("\n  "), QStringLiteral("\n      ")).prepend(QStringLiteral("    "));
    }

    const CommandLine shared(QString(), QString(), 0, QString(), PortUse::Terminal);
    text += u'\n' + QCoreApplication::translate("cli", "命令的通用选项:") + u'\n' + optionLines(shared.options());
    text += QStringLiteral("  -v, --version").leftJustified(26) + QCoreApplication::translate("cli", "显示版本") + u'\n';
    text += QCoreApplication::translate("cli", "每个命令的选项: timeclock-setup COMMAND --help") + QStringLiteral("\n\n");

    text += QCoreApplication::translate("cli", "窗口的选项:") + u'\n';
    text += optionLines({WindowOption::portMapping(), WindowOption::trace(), WindowOption::echo(), WindowOption::rs485()});
    text += QStringLiteral("  -platform, -style").leftJustified(26)
            + QCoreApplication::translate("cli", "Qt 的窗口选项（如 -platform offscreen、-style Fusion）") + u'\n';
    text += optionLines({WindowOption::reset()}) + u'\n';

    text += QCoreApplication::translate("cli", "JSON:") + u'\n';
    text += QCoreApplication::translate(
                "cli",
                "  --json 时每个结果在标准输出上占一行 JSON 对象，每个对象都有这些键（不适用时为 null）：command、port、machine、"
                "ok、status、message、serial、lines_confirmed、elapsed_ms、step、not_done。status 为 %1 之一。")
                .arg(allStatusWords().join(QCoreApplication::translate("cli", "、")))
            + QStringLiteral("\n\n");
    text += QCoreApplication::translate("cli", "provision 的配置文件 (INI，UTF-8 或带 BOM 的 UTF-16；未知的节或键、重复的键都是错误):")
            + u'\n';
    for (const QString &exampleLine : profileExample().split(u'\n', Qt::SkipEmptyParts))
        text += QStringLiteral("    ") + exampleLine + u'\n';
    text += QCoreApplication::translate(
                "cli",
                "  缺少的键取窗口的初始值；没有 [logo] 时不下载图片（有 [logo] 就必须有 file=）。\n"
                "  第一次按回车时先查一遍整条线：除出厂机号外还有考勤机回答，就说出它们并停下，什么也不写。\n"
                "  每台：用出厂机号读序列号（不回答的不设置），改号为 N（之前先问 N 和本次给过的机号，有回答就不改），设置，下载图片，用机号 N 读序列号确认。\n"
                "  重试（回车）和 --resume 先在给过的机号上问这台考勤机、核对序列号，再从第一个没确认的步骤接着做。\n"
                "  每个要求的机号在输出和 --report 的 CSV 里都有一行：done、failed、skipped、not-reached 或 interrupted。")
            + QStringLiteral("\n\n");
    text += QCoreApplication::translate(
                "cli",
                "apply 用同一种配置文件（不用 [factory]）：有 [settings] 才发设置，有 [logo] 才下载图片；不改号，不写序列号。\n"
                "  每台考勤机在输出和 --report 的 CSV 里都有一行（settings、logo 两步）；--redo-failed 只重做报告里 failed 的行。")
            + QStringLiteral("\n\n");
    return text + exitCodeHelp();
}
