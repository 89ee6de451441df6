#pragma once

#include <QMap>
#include <QString>

// The names Windows shows for its serial ports in the Device Manager, by port: "COM5" →
// "USB-SERIAL CH340 (COM5)". Ports of devices not present now, and ports without a name, are left out.
QMap<QString, QString> windowsPortFriendlyNames();

// The port as an operator knows it: its friendly name when Windows has one (with the port name added when
// the name lacks it), else the port name itself.
QString windowsPortLabel(const QString &portName, const QMap<QString, QString> &friendlyNames);
