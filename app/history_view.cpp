#include "history_view.h"

#include "command_history.h"
#include "outcome_words.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

QString commandShown(const QString &command)
{
    static const QHash<QString, const char *> captions{
        {QStringLiteral("renumber"), QT_TRANSLATE_NOOP("HistoryView", "改号")},
        {QStringLiteral("settings"), QT_TRANSLATE_NOOP("HistoryView", "设置考勤机")},
        {QStringLiteral("read-serial"), QT_TRANSLATE_NOOP("HistoryView", "读序列号")},
        {QStringLiteral("write-serial"), QT_TRANSLATE_NOOP("HistoryView", "写序列号")},
        {QStringLiteral("logo"), QT_TRANSLATE_NOOP("HistoryView", "下载OEM_LOGO图片")},
        {QStringLiteral("scan"), QT_TRANSLATE_NOOP("HistoryView", "查找机号")},
    };
    const char *caption = captions.value(command);
    return caption ? QCoreApplication::translate("HistoryView", caption) : command;
}

QString wordShown(const QString &word)
{
    static const QHash<QString, const char *> words{
        {OutcomeWord::Ok.toString(), QT_TRANSLATE_NOOP("HistoryView", "成功")},
        {OutcomeWord::NoReply.toString(), QT_TRANSLATE_NOOP("HistoryView", "没有回答")},
        {OutcomeWord::WrongReply.toString(), QT_TRANSLATE_NOOP("HistoryView", "回答错误")},
        {OutcomeWord::PortLost.toString(), QT_TRANSLATE_NOOP("HistoryView", "串口已断开")},
        {OutcomeWord::PortOpenFailed.toString(), QT_TRANSLATE_NOOP("HistoryView", "串口打开失败")},
        {OutcomeWord::Interrupted.toString(), QT_TRANSLATE_NOOP("HistoryView", "已中断")},
        {OutcomeWord::Cancelled.toString(), QT_TRANSLATE_NOOP("HistoryView", "已取消")},
    };
    const char *shown = words.value(word);
    return shown ? QCoreApplication::translate("HistoryView", shown) : word;
}

} // namespace

QString historyLineShown(const HistoryEntry &entry)
{
    const HistoryOutcome parts = outcomeParts(entry.outcome);
    QStringList outcome{wordShown(parts.word)};
    if (parts.linesConfirmed)
        outcome << QCoreApplication::translate("HistoryView", "考勤机确认了 %1 行").arg(*parts.linesConfirmed);
    for (const HistoryOutcome::Answer &answer : parts.answers) {
        if (answer.kind == u"found")
            outcome << QCoreApplication::translate("HistoryView", "机号 %1 序列号 %2").arg(answer.machine).arg(answer.serial);
        else if (answer.kind == u"late")
            outcome << QCoreApplication::translate("HistoryView", "机号 %1 回答太迟（序列号 %2）").arg(answer.machine).arg(answer.serial);
        else
            outcome << QCoreApplication::translate("HistoryView", "机号 %1 回答错误").arg(answer.machine);
    }
    QStringList fields{entry.time.toOffsetFromUtc(entry.time.offsetFromUtc()).toString(Qt::ISODate), entry.device,
                       entry.machine, commandShown(entry.command), outcome.join(QCoreApplication::translate("HistoryView", "，"))};
    fields << entry.serial << entry.logoHash;
    while (!fields.isEmpty() && fields.constLast().isEmpty())
        fields.removeLast();
    return fields.join(QStringLiteral("  "));
}

QDialog *showHistory(QWidget *parent)
{
    auto *dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("history"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QCoreApplication::translate("HistoryView", "历史记录"));
    auto *where = new QLabel(QDir::toNativeSeparators(CommandHistory::filePath()), dialog);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *text = new QPlainTextEdit(dialog);
    text->setObjectName(QStringLiteral("historyText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setAccessibleName(QCoreApplication::translate("HistoryView", "历史记录"));
    QStringList lines;
    for (const HistoryEntry &entry : CommandHistory::read())
        lines << historyLineShown(entry);
    text->setPlainText(lines.isEmpty() ? QCoreApplication::translate("HistoryView", "还没有历史记录") : lines.join(u'\n'));
    // The newest line in view from its start, where the time is; long lines are not wrapped.
    text->moveCursor(QTextCursor::End);
    text->moveCursor(QTextCursor::StartOfBlock);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(where);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog->resize(720, 360);
    dialog->show();
    return dialog;
}
