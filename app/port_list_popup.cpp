#include "port_list_popup.h"

#include "port_catalogue.h"
#include "status_line.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

PortListPopup::PortListPopup(QLineEdit *portBox, const PortDirectory *ports)
    : QObject(portBox), m_portBox(portBox), m_ports(ports)
{
    portBox->installEventFilter(this);
}

QString PortListPopup::toolTipText() const
{
    QStringList lines;
    for (const PortFacts &facts : portCatalogue(*m_ports, false))
        lines << portListLine(facts);
    if (lines.isEmpty())
        return QCoreApplication::translate("PortListPopup", "没有找到串口：请插上 USB 转串口线");
    lines << QCoreApplication::translate("PortListPopup", "按 ↓ 选择");
    return lines.join(u'\n');
}

QMenu *PortListPopup::open()
{
    auto *menu = new QMenu(m_portBox);
    menu->setObjectName(QStringLiteral("portList"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QList<PortFacts> catalogue = portCatalogue(*m_ports, false);
    for (const PortFacts &facts : catalogue) {
        QAction *action = menu->addAction(portListLine(facts));
        const QString number = QString::number(facts.number);
        connect(action, &QAction::triggered, m_portBox, [box = m_portBox, number] {
            box->setText(number);
            box->selectAll();
        });
        if (m_portBox->text().trimmed() == number)
            menu->setActiveAction(action);
    }
    if (catalogue.isEmpty())
        menu->addAction(QCoreApplication::translate("PortListPopup", "没有找到串口：请插上 USB 转串口线"))->setEnabled(false);
    if (!menu->activeAction() && !menu->actions().isEmpty() && menu->actions().constFirst()->isEnabled())
        menu->setActiveAction(menu->actions().constFirst());
    menu->popup(m_portBox->mapToGlobal(QPoint(0, m_portBox->height())));
    return menu;
}

bool PortListPopup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_portBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Down && (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier)) {
            open();
            return true;
        }
    } else if (watched == m_portBox && event->type() == QEvent::ToolTip) {
        // Ports come and go (USB adapters), so the tooltip says what each number reaches right now.
        m_portBox->setToolTip(toolTipHtml(toolTipText()));
    }
    return QObject::eventFilter(watched, event);
}
