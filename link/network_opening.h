#pragma once

#include "name_lookup.h"
#include "network_connection.h"
#include "serial_line.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <optional>

struct NetworkAddress;

// One open of a network port: the name looked up, the connection made and the port set up, with bounded
// waits. It runs on the thread that asked (NetworkLine::open()) or on a thread of its own (openLater());
// then the line takes the connection over. The socket is created, closed and woken under the lock, so a
// line that gives up on it never touches a descriptor the opening has closed and the system given to
// another.
class NetworkOpening
{
public:
    // The time allowed for the name's lookup and the connection together, and for the server's answer to
    // the port settings.
    static constexpr int ConnectLimitMs = 3000;
    static constexpr int NegotiationLimitMs = 2000;
    // A server that already serves a client says so and hangs up at once; a raw port is watched this long.
    static constexpr int RefusalWatchMs = 100;
    // Round trips measured once an RFC 2217 port is set up, the shortest kept.
    static constexpr int SettledRoundTrips = 4;

    explicit NetworkOpening(QString deviceName);
    ~NetworkOpening();
    NetworkOpening(const NetworkOpening &) = delete;
    NetworkOpening &operator=(const NetworkOpening &) = delete;

    void run();
    // Wakes a wait under way; the opening then ends as failed, quietly.
    void cancel();

    const QString name;
    NetworkConnection connection;
    std::optional<OpenFailure> failure;
    QString failureDetail;

private:
    bool connectTo(const NetworkAddress &address);
    bool connectOne(const SocketAddress &candidate, const QDeadlineTimer &deadline, int &error);
    void negotiate();
    void measureSettledRoundTrip();
    // One wait on the socket until it is ready or `deadline`: what is pending sent, what came taken in
    // (`raw` gets it as the server sent it); Failed also when the send failed. Nothing when the opening was
    // cancelled meanwhile (and has failed).
    std::optional<NetworkConnection::Taken> serviceSocket(const QDeadlineTimer &deadline, QByteArray *raw = nullptr);
    // Fails the opening when the server refused what the line needs or confirmed other settings.
    bool refused();
    void fail(OpenFailure reason, const QString &detail);
    bool createSocket(const SocketAddress &candidate);
    void closeSocket();

    std::mutex m_lock;
    std::atomic<bool> m_cancelled = false;
    NameLookup m_lookup;
    QByteArray m_heard;  // the start of what the server said while the port was being set up
};
