#include "history_view.h"

#include "command_history.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

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
        lines << CommandHistory::lineOf(entry).replace(u'\t', QStringLiteral("  ")).trimmed();
    text->setPlainText(lines.isEmpty() ? QCoreApplication::translate("HistoryView", "还没有历史记录") : lines.join(u'\n'));
    text->moveCursor(QTextCursor::End);
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
