#include "port_directory.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
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

QString PortDirectory::describe() const
{
    QMap<int, QString> reach = m_mapped;
#ifndef Q_OS_WIN
    const QStringList ports = systemPorts();
    for (int i = 0; i < ports.size(); ++i)
        if (!reach.contains(i + 1))
            reach.insert(i + 1, ports.at(i));
#endif
    QStringList lines;
    for (auto it = reach.cbegin(); it != reach.cend(); ++it)
        lines << QStringLiteral("%1 → %2").arg(it.key()).arg(it.value());
#ifdef Q_OS_WIN
    lines << QStringLiteral("n → COMn");
#endif
    return lines.join(u'\n');
}

bool PortDirectory::parseMapping(const QString &text, int *number, QString *deviceName)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0 || equals == text.size() - 1)
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

QStringList PortDirectory::systemPorts() const
{
    QStringList locations;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        locations << info.systemLocation();
    return orderedSystemPorts(locations);
}
