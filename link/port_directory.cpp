#include "port_directory.h"

#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QSerialPortInfo>
#endif

#include <algorithm>
#include <iterator>
#include <tuple>

void PortDirectory::mapPort(int number, const QString &deviceName)
{
    m_mapped.insert(number, deviceName);
}

bool PortDirectory::mapPorts(const QStringList &mappings, QString *badMapping)
{
    for (const QString &mapping : mappings) {
        int number = 0;
        QString deviceName;
        if (!parseMapping(mapping, &number, &deviceName)) {
            *badMapping = mapping;
            return false;
        }
        mapPort(number, deviceName);
    }
    return true;
}

QString PortDirectory::deviceFor(qint16 number) const
{
    if (const auto it = m_mapped.constFind(number); it != m_mapped.cend())
        return *it;
    if (number < 1)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const QStringList ports = systemPorts();
    return number <= ports.size() ? ports.at(number - 1) : QString();
#endif
}

QMap<int, QString> PortDirectory::reachablePorts() const
{
    QMap<int, QString> reach = m_mapped;
    const QStringList ports = systemPorts();
#ifdef Q_OS_WIN
    static const QRegularExpression comPort(QStringLiteral("^COM([1-9]\\d{0,4})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const QString &port : ports)
        if (const auto match = comPort.match(port); match.hasMatch() && !reach.contains(match.captured(1).toInt()))
            reach.insert(match.captured(1).toInt(), port);
#else
    for (int i = 0; i < ports.size(); ++i)
        if (!reach.contains(i + 1))
            reach.insert(i + 1, ports.at(i));
#endif
    return reach;
}

bool PortDirectory::parseMapping(const QString &text, int *number, QString *deviceName)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0 || equals == text.size() - 1)
        return false;
    // QString::toInt() stops reading at a NUL and would take "19\0junk" for 19.
    if (text.left(equals).contains(QChar(u'\0')))
        return false;
    bool ok = false;
    const int value = text.left(equals).trimmed().toInt(&ok);
    if (!ok || value < -32768 || value > 32767)
        return false;
    *number = value;
    *deviceName = text.mid(equals + 1);
    return true;
}

QStringList PortDirectory::orderedSystemPorts(QStringList systemLocations)
{
    static const QRegularExpression trailingNumber(QStringLiteral("^(.*?)(\\d*)$"));
    const auto sortKey = [](const QString &location) {
        const QString name = QFileInfo(location).fileName();
        const auto match = trailingNumber.match(name);
        const QString stem = match.captured(1);
        const int group = stem == u"ttyUSB" ? 0 : stem == u"ttyACM" ? 1 : 2;
        return std::make_tuple(group, stem, match.captured(2).toLongLong(), name);
    };
    std::sort(systemLocations.begin(), systemLocations.end(),
              [&](const QString &a, const QString &b) { return sortKey(a) < sortKey(b); });
    return systemLocations;
}

#ifdef Q_OS_WIN
QStringList PortDirectory::systemPorts() const
{
    // The ports Windows knows now are the data of the values under SERIALCOMM (COM3). The values' names
    // are device paths (\Device\Serial0), which QSettings takes for nested keys and cannot read, so the
    // registry is read directly.
    HKEY serialComm = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &serialComm)
        != ERROR_SUCCESS)
        return {};
    QStringList ports;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = DWORD(std::size(name));
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - sizeof(wchar_t);  // room for the terminating zero the registry may omit
        DWORD type = 0;
        const LONG result = RegEnumValueW(serialComm, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE *>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS && type == REG_SZ)
            ports << QString::fromWCharArray(data).trimmed();
    }
    RegCloseKey(serialComm);
    return ports;
}
#else
QStringList PortDirectory::systemPorts() const
{
    QStringList locations;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        locations << info.systemLocation();
    return orderedSystemPorts(locations);
}
#endif
