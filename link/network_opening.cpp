#include "network_opening.h"

#include "exchange.h"
#include "network_address.h"
#include "socket_calls.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

namespace {
// ser2net's word to a second client before it hangs up.
bool saysPortInUse(const QByteArray &heard)
{
    return heard.contains("in use");
}

bool waitUntil(qintptr socket, bool forWriting, qint64 timeoutMs)
{
    return SocketCalls::ready(SocketCalls::handleOf(socket), forWriting,
                              int(qBound(qint64(0), timeoutMs, qint64(NetworkOpening::ConnectLimitMs))));
}

void noteRoundTrip(std::chrono::microseconds &roundTrip, const QElapsedTimer &since)
{
    const auto measured = std::chrono::microseconds(since.nsecsElapsed() / 1000);
    roundTrip = std::min(std::max(roundTrip, measured), std::chrono::microseconds(TerminalReplyLimit));
}

QString translated(const char *text)
{
    return QCoreApplication::translate("NetworkLine", text);
}
} // namespace

NetworkOpening::NetworkOpening(QString deviceName)
    : name(std::move(deviceName))
{
}

NetworkOpening::~NetworkOpening()
{
    closeSocket();
}

void NetworkOpening::fail(OpenFailure reason, const QString &detail)
{
    failure = reason;
    failureDetail = detail;
    qCDebug(lcLink).noquote() << "open" << name << "failed:" << detail;
    closeSocket();
}

bool NetworkOpening::cancelled()
{
    const std::lock_guard guard(m_lock);
    return m_cancelled;
}

void NetworkOpening::cancel()
{
    const std::lock_guard guard(m_lock);
    m_cancelled = true;
    if (connection.socket != -1)
        SocketCalls::wakeWaiter(SocketCalls::handleOf(connection.socket));
}

bool NetworkOpening::createSocket(const addrinfo &candidate)
{
    const std::lock_guard guard(m_lock);
    if (m_cancelled)
        return false;
    const SocketCalls::Handle socket = SocketCalls::create(candidate.ai_family, candidate.ai_socktype, candidate.ai_protocol);
    if (socket == SocketCalls::NoSocket)
        return false;
    connection.socket = qintptr(socket);
    return true;
}

void NetworkOpening::closeSocket()
{
    const std::lock_guard guard(m_lock);
    connection.close();
}

void NetworkOpening::run()
{
    const auto address = parseNetworkAddress(name);
    if (!address)
        return fail(OpenFailure::ConnectionFailed, translated(QT_TRANSLATE_NOOP("NetworkLine", "地址错误")));
    if (!SocketCalls::start())
        return fail(OpenFailure::ConnectionFailed, SocketCalls::errorText(SocketCalls::lastError()));
    connection.rfc2217 = address->rfc2217;
    if (!connectTo(*address))
        return;
    negotiate();
    if (failure)
        return;
    qCDebug(lcLink) << "connected to" << address->place() << (connection.rfc2217 ? "RFC 2217" : "raw")
                    << "baud rate confirmed:" << connection.codec.confirmedBaudRate();
    // What came while the port was being set up answers nothing this program sent.
    connection.received.clear();
}

bool NetworkOpening::connectTo(const NetworkAddress &address)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo *found = nullptr;
    const QByteArray host = address.host.toUtf8();
    const QByteArray port = QByteArray::number(address.port);
    if (const int error = ::getaddrinfo(host.constData(), port.constData(), &hints, &found); error != 0) {
#ifdef Q_OS_WIN
        fail(OpenFailure::ConnectionFailed, SocketCalls::errorText(error));
#else
        fail(OpenFailure::ConnectionFailed, QString::fromLocal8Bit(::gai_strerror(error)));
#endif
        return false;
    }
    const QDeadlineTimer deadline(ConnectLimitMs);
    int lastError = 0;
    for (const addrinfo *candidate = found; candidate; candidate = candidate->ai_next) {
        if (!createSocket(*candidate)) {
            if (cancelled())
                break;
            lastError = SocketCalls::lastError();
            continue;
        }
        const SocketCalls::Handle socket = SocketCalls::handleOf(connection.socket);
        if (!SocketCalls::makeNonBlocking(socket)) {
            lastError = SocketCalls::lastError();
            closeSocket();
            continue;
        }
        QElapsedTimer handshake;
        handshake.start();
        if (::connect(socket, candidate->ai_addr, int(candidate->ai_addrlen)) != 0) {
            lastError = SocketCalls::lastError();
            if (!SocketCalls::wouldBlock(lastError)) {
                closeSocket();
                continue;
            }
            if (!waitUntil(connection.socket, true, deadline.remainingTime())) {
                lastError = SocketCalls::timedOutError();
                closeSocket();
                break;
            }
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &length);
            if (error != 0 || cancelled()) {
                lastError = error;
                closeSocket();
                if (cancelled())
                    break;
                continue;
            }
        }
        noteRoundTrip(connection.roundTrip, handshake);
        SocketCalls::setForShortFrames(socket);
        ::freeaddrinfo(found);
        return true;
    }
    ::freeaddrinfo(found);
    fail(OpenFailure::ConnectionFailed, cancelled() ? QString() : SocketCalls::errorText(lastError));
    return false;
}

void NetworkOpening::negotiate()
{
    const bool rfc2217 = connection.rfc2217;
    const QDeadlineTimer deadline(rfc2217 ? NegotiationLimitMs : RefusalWatchMs);
    QElapsedTimer negotiation;
    negotiation.start();
    if (rfc2217) {
        connection.pending = TelnetCodec::opening();
        connection.sendPending();
    }
    // The server's answer to the port settings, or its refusal of a second client, is awaited here with a
    // bounded wait: the line is not usable before.
    for (;;) {
        if (rfc2217 && (connection.codec.portSettingsConfirmed() || connection.codec.comPortRefused()))
            break;
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            if (!rfc2217)
                break;  // a raw port says nothing unless it refuses
            return fail(OpenFailure::ConnectionFailed, translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器没有回答端口设置")));
        }
        const bool ready = waitUntil(connection.socket, !connection.pending.isEmpty(), left);
        if (cancelled())
            return fail(OpenFailure::Other, {});
        if (!ready)
            continue;
        if (!connection.pending.isEmpty() && connection.sendPending())
            return fail(OpenFailure::ConnectionFailed, translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器断开了连接")));
        const NetworkConnection::Taken taken = connection.takeIn(&m_heard);
        if (taken == NetworkConnection::Taken::Closed || taken == NetworkConnection::Taken::Failed) {
            if (saysPortInUse(m_heard))
                return fail(OpenFailure::PortBusy, {});  // its words, between Telnet's, say no more
            return fail(OpenFailure::ConnectionFailed, translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器断开了连接")));
        }
    }
    if (rfc2217)
        noteRoundTrip(connection.roundTrip, negotiation);
}
