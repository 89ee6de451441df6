#pragma once

#include <QString>

#include <optional>

// A port behind a serial server on the network, named like a device:
//   rfc2217://HOST[:PORT]   Telnet with COM-PORT-OPTION (RFC 2217); port 23, Telnet's, when none is given
//   socket://HOST:PORT      raw TCP: the bytes as they are; tcp://HOST:PORT is the same
// An IPv6 address goes in brackets ([::1]:7103); one trailing '/' is allowed, nothing else after the port.
struct NetworkAddress
{
    bool rfc2217 = false;
    QString host;
    quint16 port = 0;

    // "HOST:PORT" as messages name it ("[::1]:2217" for an IPv6 address).
    QString place() const;
};

// A network port's name read strictly: its address, or why it is none in the user's language.
struct NetworkAddressReading
{
    std::optional<NetworkAddress> address;
    QString problem;
};

// Whether `name` names a network port (it may still be malformed); anything else is a local device.
bool isNetworkPortName(const QString &name);
NetworkAddressReading readNetworkAddress(const QString &name);
// The parts of a network port's name; nothing when it is malformed or names a local device.
std::optional<NetworkAddress> parseNetworkAddress(const QString &name);
