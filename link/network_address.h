#pragma once

#include <QString>

#include <optional>

// A port behind a serial server on the network, named like a device:
//   rfc2217://HOST[:PORT]   Telnet with COM-PORT-OPTION (RFC 2217); port 23, Telnet's, when none is given
//   socket://HOST:PORT      raw TCP: the bytes as they are; tcp://HOST:PORT is the same
struct NetworkAddress
{
    bool rfc2217 = false;
    QString host;
    quint16 port = 0;

    // "HOST:PORT" as messages name it ("[::1]:2217" for an IPv6 address).
    QString place() const;
};

// Whether `name` names a network port (it may still be malformed); anything else is a local device.
bool isNetworkPortName(const QString &name);
// The parts of a network port's name; nothing when it is malformed or names a local device.
std::optional<NetworkAddress> parseNetworkAddress(const QString &name);
