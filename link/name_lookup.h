#pragma once

#include "socket_calls.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <memory>
#include <vector>

// One address a host name stands for, ready for socket() and connect().
struct SocketAddress
{
    int family = 0;
    int socketType = 0;
    int protocol = 0;
    sockaddr_storage address{};
    int length = 0;
};

struct NameLookupResult
{
    std::vector<SocketAddress> addresses;
    QString failure;  // the system's words when the name was not found; empty when it was
};

// A host name looked up within the time the caller has. getaddrinfo() has no time-out of its own (a name
// server that does not answer holds it for several seconds per server and try), so the lookup runs on a
// thread of its own and is left to finish there, unheard, when the time is up or the caller gives up.
class NameLookup
{
public:
    // Looks a name up, blocking as long as it takes; the system's resolver unless a test put its own.
    using Resolver = NameLookupResult (*)(const QByteArray &host, quint16 port);
    static NameLookupResult systemResolver(const QByteArray &host, quint16 port);
    // nullptr: the system's again.
    static void useResolver(Resolver resolver);

    NameLookup();

    enum class Outcome { Answered, TimedOut, Cancelled };
    // Starts the lookup and waits for it until `deadline`; the answer in `result` when it came.
    Outcome run(const QByteArray &host, quint16 port, const QDeadlineTimer &deadline, NameLookupResult &result);
    // Ends a wait under way at once, or the next before it starts; safe from any thread.
    void cancel();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
