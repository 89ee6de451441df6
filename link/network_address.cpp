#include "network_address.h"

#include <QRegularExpression>

namespace {
constexpr quint16 TelnetPort = 23;  // RFC 2217 names no port of its own
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

std::optional<NetworkAddress> parseNetworkAddress(const QString &name)
{
    static const QRegularExpression form(
        QStringLiteral("^(rfc2217|socket|tcp)://(?:\\[([0-9A-Fa-f:.]+)\\]|([^:/\\[\\]\\s]+))(?::([0-9]{1,5}))?/?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    NetworkAddress address;
    address.rfc2217 = match.captured(1).compare(u"rfc2217", Qt::CaseInsensitive) == 0;
    address.host = match.hasCaptured(2) && !match.captured(2).isEmpty() ? match.captured(2) : match.captured(3);
    if (match.captured(4).isEmpty()) {
        if (!address.rfc2217)
            return std::nullopt;  // a raw port has no usual number
        address.port = TelnetPort;
        return address;
    }
    const int port = match.captured(4).toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    address.port = quint16(port);
    return address;
}
