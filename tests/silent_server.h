#pragma once

#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// A listening socket on a free port of 127.0.0.1; -1 when the system gave none.
inline int listenOnLoopback(int flags, int backlog, quint16 &port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(listener, backlog) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(listener);
        return -1;
    }
    port = ntohs(address.sin_port);
    return listener;
}

// A server on 127.0.0.1 that takes connections and never says a word, so an RFC 2217 open waits for the
// answer to its port settings.
class SilentServer
{
public:
    SilentServer() { m_listener = listenOnLoopback(SOCK_NONBLOCK, 4, m_port); }
    ~SilentServer()
    {
        if (m_client >= 0)
            ::close(m_client);
        ::close(m_listener);
    }

    QString url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_port); }

    // The client has connected and then hung up (everything it sent read and counted first).
    bool clientHungUp()
    {
        if (m_client < 0)
            m_client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK);
        if (m_client < 0)
            return false;
        char buffer[256];
        for (;;) {
            const auto count = ::recv(m_client, buffer, sizeof buffer, 0);
            if (count <= 0)
                return count == 0;
            m_heard += count;
        }
    }
    qsizetype heard() const { return m_heard; }

    // Waits at most `timeoutMs` for a client to connect.
    bool waitForClient(int timeoutMs)
    {
        pollfd waiting{m_listener, POLLIN, 0};
        if (m_client < 0 && ::poll(&waiting, 1, timeoutMs) == 1)
            m_client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK);
        return m_client >= 0;
    }

private:
    int m_listener = -1;
    int m_client = -1;
    quint16 m_port = 0;
    qsizetype m_heard = 0;
};
