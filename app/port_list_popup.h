#pragma once

#include "port_directory.h"

#include <QObject>

class QLineEdit;
class QMenu;

// The list of ports for box COM1: Down or Alt+Down opens it under the box (number, name, device), and the
// port chosen puts its number into the box; the box's tooltip shows the same list. The box stays a text
// box, so a number that reaches a device given with --port can still be typed.
class PortListPopup : public QObject
{
    Q_OBJECT

public:
    PortListPopup(QLineEdit *portBox, const PortDirectory *ports);

    // The list as the tooltip shows it, one port a line; a hint where there is none.
    QString toolTipText() const;

    // Opens the list now; returns it, for the tests.
    QMenu *open();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_portBox;
    const PortDirectory *m_ports;
};
