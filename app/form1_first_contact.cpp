// The window's help with first contact: the list of ports in COM1, finding machine numbers (on one port or
// every mapped one), remembering the port and the logo between runs, the history of commands and the site table.
#include "form1.h"

#include "command_history.h"
#include "history_view.h"
#include "machine_scan_dialog.h"
#include "port_list_popup.h"
#include "site_table_view.h"
#include "remembered_choices.h"
#include "text_conversions.h"

#include <QAction>
#include <QKeySequence>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include <memory>

void Form1::installFirstContactTools()
{
    m_portList = new PortListPopup(ui.COM1, &m_ports);

    // 查找机号 is on ADDRESS's context menu, which the menu key and Shift+F10 open as well.
    ui.ADDRESS->setContextMenuPolicy(Qt::CustomContextMenu);
    openContextMenuOnShiftF10(ui.ADDRESS);
    connect(ui.ADDRESS, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        QMenu *menu = ui.ADDRESS->createStandardContextMenu();
        menu->setObjectName(QStringLiteral("addressMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->insertAction(menu->actions().value(0), m_findMachines);
        menu->insertSeparator(menu->actions().value(1));
        menu->popup(ui.ADDRESS->mapToGlobal(position));
    });
    m_findMachines = new QAction(tr("查找机号…"), this);
    m_findMachines->setObjectName(QStringLiteral("findMachines"));
    connect(m_findMachines, &QAction::triggered, this, &Form1::findMachineNumbers);

    // The status line takes no focus, so its menu is not the only way: a shortcut opens each from anywhere.
    const auto addToStatusMenu = [this](const QString &text, const QString &name, QKeyCombination key,
                                        const std::function<void()> &open) {
        auto *action = new QAction(text, ui.HELP1);
        action->setObjectName(name);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, open);
        ui.HELP1->addAction(action);
    };
    addToStatusMenu(tr("历史记录…"), QStringLiteral("showHistory"), Qt::CTRL | Qt::Key_H, [this] { showHistory(this); });
    addToStatusMenu(tr("现场一览…"), QStringLiteral("showSiteTable"), Qt::CTRL | Qt::Key_I, [this] { showSiteTable(this); });
    ui.HELP1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

namespace {

// The text choices as the settings store keeps them.
QVariantMap logoTextOptionsToMap(const LogoTextOptions &options)
{
    return {{QStringLiteral("text"), options.text},
            {QStringLiteral("family"), options.family},
            {QStringLiteral("pointSize"), options.pointSize},
            {QStringLiteral("bold"), options.bold},
            {QStringLiteral("alignment"), int(options.alignment)}};
}

LogoTextOptions logoTextOptionsFromMap(const QVariantMap &map)
{
    const int alignment = map.value(QStringLiteral("alignment"), int(Qt::AlignHCenter)).toInt();
    const bool known = alignment == Qt::AlignLeft || alignment == Qt::AlignHCenter || alignment == Qt::AlignRight;
    // A face removed since falls back to the default.
    const QString family = map.value(QStringLiteral("family")).toString();
    return {.text = map.value(QStringLiteral("text")).toString(),
            .family = isLogoFontFamily(family) ? family : QString(),
            .pointSize = qBound(0, map.value(QStringLiteral("pointSize")).toInt(), LogoTextLargestSize),
            .bold = map.value(QStringLiteral("bold")).toBool(),
            .alignment = known ? Qt::Alignment(alignment) : Qt::AlignHCenter};
}

} // namespace

void Form1::restoreRememberedChoices()
{
    const RememberedChoices remembered;
    if (const auto port = remembered.portNumber())
        ui.COM1->setText(QString::number(*port));
    const QVariantMap text = remembered.logoText();
    const QString logo = remembered.logoFile();
    if (const LogoTextOptions options = logoTextOptionsFromMap(text); !options.text.isEmpty()) {
        m_logoChoices->useText(options, {.invert = remembered.logoInverted()});
    } else if (!logo.isEmpty() && QFileInfo::exists(logo)) {
        // A logo file that has gone since leaves the default in place.
        m_logoFilePath = logo;
        m_logoChoices->useFile({.invert = remembered.logoInverted(),
                                .dither = remembered.logoDithered(),
                                .fill = remembered.logoFilled()});
    }
}

void Form1::rememberCommandChoices(TerminalCommand command, const PortChoice &port)
{
    RememberedChoices remembered;
    remembered.setPortNumber(port.number);
    if (command == TerminalCommand::DownloadLogo) {
        remembered.setLogoFile(m_logoFilePath);
        const LogoImageOptions &options = m_logoChoices->imageOptions();
        remembered.setLogoChoices(options.invert, options.dither, options.fill);
        remembered.setLogoText(m_logoChoices->fromText() ? logoTextOptionsToMap(m_logoChoices->textOptions()) : QVariantMap());
    }
}

void Form1::recordInHistory(const CommandResult &result)
{
    if (const auto problem = CommandHistory::appendCommand(m_runningPort, m_runningCommand, m_runningInputs, result))
        ui.HELP1->setToolTip(*problem);
}

void Form1::findMachineNumbers()
{
    const auto port = idlePort();
    if (!port)
        return;
    RememberedChoices().setPortNumber(port->number);
    auto *dialog = new MachineScanDialog(*port, [this](int machine) { ui.ADDRESS->setText(QString::number(machine)); }, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Only the ports given a device (--port N=DEVICE, or remembered) are offered: never one nobody named.
    QList<PortChoice> mapped;
    const QMap<int, QString> devices = m_ports.mappedPorts();
    for (auto it = devices.cbegin(); it != devices.cend(); ++it)
        mapped.append(PortChoice{qint16(it.key()), it.value(), m_ports});
    dialog->offerMappedPorts(mapped, [this](const PortChoice &chosen, int machine) {
        ui.COM1->setText(QString::number(chosen.number));
        ui.ADDRESS->setText(QString::number(machine));
    });
    // However the dialog ends, the status line says so, not what the last command said.
    auto scanEnded = std::make_shared<bool>(false);
    connect(dialog, &MachineScanDialog::scanFinished, this, [scanEnded] { *scanEnded = true; });
    connect(dialog, &QDialog::finished, this, [this, dialog, scanEnded](int result) {
        if (result == QDialog::Accepted && dialog->scansMappedPorts())
            showStatus(*scanEnded ? tr("串口已设为 %1，机号已设为 %2（查找机号选定）").arg(ui.COM1->text(), ui.ADDRESS->text())
                                  : tr("串口已设为 %1，机号已设为 %2（查找机号没有查完就停了）").arg(ui.COM1->text(), ui.ADDRESS->text()));
        else if (result == QDialog::Accepted)
            showStatus(*scanEnded ? tr("机号已设为 %1（查找机号选定）").arg(ui.ADDRESS->text())
                                  : tr("机号已设为 %1（查找机号没有查完就停了）").arg(ui.ADDRESS->text()));
        else
            showStatus(*scanEnded ? tr("查找机号已关闭，没有选用机号") : tr("查找机号已取消，没有查完"));
    });
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
    dialog->start();
}

void Form1::confirmRenumberOnSharedLine(const LineIdentity &line, std::function<void()> proceed)
{
    const int terminals = RememberedChoices().terminalsFound(line);
    if (terminals != RememberedChoices::Unknown && terminals < 2) {
        proceed();
        return;
    }
    // Without the store, a scan's count may be lost: the line counts as shared.
    const QString warning = terminals == RememberedChoices::Unknown
                                ? tr("不知道这条线上有几台考勤机（记住的设置无法读写）：改号会让每一台都换成新机号。")
                                : sharedLineWarning(terminals);
    auto *question = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                     warning + u'\n' + tr("确实让每一台都换成新机号吗？"), QMessageBox::Yes | QMessageBox::No,
                                     this);
    question->setObjectName(QStringLiteral("sharedLineQuestion"));
    question->setDefaultButton(QMessageBox::No);
    question->setWindowModality(Qt::WindowModal);
    question->setAttribute(Qt::WA_DeleteOnClose);
    connect(question, &QMessageBox::finished, this, [this, proceed = std::move(proceed)](int answer) {
        if (answer == QMessageBox::Yes)
            proceed();
        else
            showStatus(tr("没有改号"));
    });
    question->open();
}
