#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Which serial device a port number in box COM1 reaches.
//
// On Windows number n is COMn. Elsewhere number n is the n-th serial port the system lists: USB
// adapters first (ttyUSB*, then ttyACM*, in number order), then the other ports; so with one USB
// adapter plugged in, the default number 1 reaches it. A mapping given on the command line
// (--port N=DEVICE) wins over the list.
class PortDirectory
{
public:
    void mapPort(int number, const QString &deviceName);

    // The device for a number, or an empty string when the number reaches nothing.
    QString deviceFor(qint16 number) const;

    // Every number that reaches a device now, with the device as --port takes it (COM5, never the name the
    // Device Manager shows); on Windows the COM ports the system knows.
    QMap<int, QString> reachablePorts() const;

    // The numbers given a device by a mapping (--port N=DEVICE, or remembered), whether it is there or not.
    QMap<int, QString> mappedPorts() const { return m_mapped; }

    // Every "N=DEVICE" of the --port options; false, with the offending text, when one is malformed.
    bool mapPorts(const QStringList &mappings, QString *badMapping);

    // "N=DEVICE" as given to --port; false for anything else.
    static bool parseMapping(const QString &text, int *number, QString *deviceName);

    // The system's serial ports in the order numbers are given to them.
    static QStringList orderedSystemPorts(QStringList systemLocations);

private:
    QStringList systemPorts() const;

    QMap<int, QString> m_mapped;
};
