#include "network_address.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {
constexpr quint16 TelnetPort = 23;  // RFC 2217 names no port of its own
constexpr QStringView SchemeEnd = u"://";

NetworkAddressReading malformed(const char *problem, const QString &part = {})
{
    const QString text = QCoreApplication::translate("NetworkAddress", problem);
    return {std::nullopt, text.contains(u"%1") ? text.arg(part) : text};
}
} // namespace

QString NetworkAddress::place() const
{
    return host.contains(u':') ? QStringLiteral("[%1]:%2").arg(host).arg(port) : QStringLiteral("%1:%2").arg(host).arg(port);
}

bool isNetworkPortName(const QString &name)
{
    return name.startsWith(u"rfc2217://", Qt::CaseInsensitive) || name.startsWith(u"socket://", Qt::CaseInsensitive)
           || name.startsWith(u"tcp://", Qt::CaseInsensitive);
}

NetworkAddressReading readNetworkAddress(const QString &name)
{
    if (!isNetworkPortName(name))
        return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "不是网络地址"));
    const qsizetype schemeEnd = name.indexOf(SchemeEnd);
    const QString scheme = name.first(schemeEnd).toLower();
    QStringView rest = QStringView(name).sliced(schemeEnd + SchemeEnd.size());
    if (rest.endsWith(u'/'))
        rest.chop(1);

    NetworkAddress address;
    address.rfc2217 = scheme == u"rfc2217";
    QStringView portText;
    bool portGiven = false;
    if (rest.startsWith(u'[')) {
        static const QRegularExpression ipv6(QStringLiteral("^[0-9A-Fa-f:.]+$"));
        const qsizetype close = rest.indexOf(u']');
        if (close < 0 || !ipv6.match(rest.sliced(1, close - 1)).hasMatch())
            return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "方括号里要是 IPv6 地址"));
        address.host = rest.sliced(1, close - 1).toString();
        rest = rest.sliced(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':') && !rest.startsWith(u'/'))
            return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "方括号后面要是冒号和端口号"));
    } else if (rest.count(u':') > 1) {
        return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "IPv6 地址要写在方括号里，如 [::1]:端口"));
    } else {
        const qsizetype hostEnd = rest.indexOf(QRegularExpression(QStringLiteral("[:/]")));
        address.host = rest.first(hostEnd < 0 ? rest.size() : hostEnd).toString();
        rest = rest.sliced(address.host.size());
        static const QRegularExpression badHostCharacter(QStringLiteral("[\\s\\[\\]@?#]"));
        if (address.host.isEmpty())
            return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "缺少主机名"));
        if (address.host.contains(badHostCharacter))
            return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "主机名错误：%1"), address.host);
    }
    if (rest.startsWith(u':')) {
        portGiven = true;
        const qsizetype portEnd = rest.indexOf(u'/');
        portText = rest.sliced(1, (portEnd < 0 ? rest.size() : portEnd) - 1);
        rest = rest.sliced(1 + portText.size());
    }
    if (!rest.isEmpty())
        return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "端口号后面不能再有别的：%1"), rest.toString());
    if (!portGiven) {
        if (!address.rfc2217)
            return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "%1 要写端口号，如 %1主机:端口"), scheme + SchemeEnd.toString());
        address.port = TelnetPort;
        return {address, {}};
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int port = digits.match(portText).hasMatch() ? portText.toInt() : -1;
    if (port < 1 || port > 65535)
        return malformed(QT_TRANSLATE_NOOP("NetworkAddress", "端口号要在 1 到 65535 之间：%1"), portText.toString());
    address.port = quint16(port);
    return {address, {}};
}

std::optional<NetworkAddress> parseNetworkAddress(const QString &name)
{
    return readNetworkAddress(name).address;
}
