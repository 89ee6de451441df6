// The window's help with first contact: the list of ports in COM1, finding machine numbers, remembering
// the port and the logo between runs, and the history of commands.
#include "form1.h"

#include "command_history.h"
#include "history_view.h"
#include "machine_scan_dialog.h"
#include "port_list_popup.h"
#include "remembered_choices.h"
#include "text_conversions.h"

#include <QAction>
#include <QKeySequence>
#include <QFileInfo>
#include <QMenu>

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

    auto *history = new QAction(tr("历史记录…"), ui.HELP1);
    history->setObjectName(QStringLiteral("showHistory"));
    // The status line takes no focus, so its menu is not the only way: Ctrl+H opens it from anywhere.
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    history->setShortcutContext(Qt::WindowShortcut);
    connect(history, &QAction::triggered, this, [this] { showHistory(this); });
    ui.HELP1->addAction(history);
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
        m_logoText = options;
        m_logoFromText = true;
        m_logoOptions = {.invert = remembered.logoInverted()};
        refreshLogo();
    } else if (!logo.isEmpty() && QFileInfo::exists(logo)) {
        // A logo file that has gone since leaves the default in place.
        m_logoFilePath = logo;
        m_logoOptions = {.invert = remembered.logoInverted(),
                         .dither = remembered.logoDithered(),
                         .fill = remembered.logoFilled()};
        refreshLogo();
    }
}

void Form1::rememberCommandChoices(TerminalCommand command, const PortChoice &port)
{
    RememberedChoices remembered;
    remembered.setPortNumber(port.number);
    if (command == TerminalCommand::DownloadLogo) {
        remembered.setLogoFile(m_logoFilePath);
        remembered.setLogoChoices(m_logoOptions.invert, m_logoOptions.dither, m_logoOptions.fill);
        remembered.setLogoText(m_logoFromText ? logoTextOptionsToMap(m_logoText) : QVariantMap());
    }
}

void Form1::recordInHistory(const CommandResult &result)
{
    if (const auto problem = CommandHistory::append(historyEntryFor(m_runningPort, m_runningCommand, m_runningInputs, result)))
        ui.HELP1->setToolTip(*problem);
}

void Form1::findMachineNumbers()
{
    if (m_session.isRunning()) {
        showStatus(StatusText::Busy.toString());
        return;
    }
    const auto portNumber = portNumberFromText(ui.COM1->text());
    if (!portNumber) {
        showStatus(StatusText::BadPortNumber.toString());
        return;
    }
    const PortChoice port{*portNumber, m_ports.deviceFor(*portNumber), m_ports};
    RememberedChoices().setPortNumber(port.number);
    auto *dialog = new MachineScanDialog(port, [this](int machine) { ui.ADDRESS->setText(QString::number(machine)); }, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
    dialog->start();
}
