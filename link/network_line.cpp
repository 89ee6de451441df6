#include "network_line.h"

#include "exchange.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QThread>

#include <mutex>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
constexpr quint16 TelnetPort = 23;  // RFC 2217 names no port of its own
constexpr qsizetype ReadChunk = 4096;

// The few calls whose names or error codes differ between POSIX sockets and Winsock.
#ifdef Q_OS_WIN
using SocketHandle = SOCKET;
constexpr SocketHandle NoSocket = INVALID_SOCKET;
int lastSocketError() { return WSAGetLastError(); }
bool wouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }
void closeSocket(SocketHandle socket) { ::closesocket(socket); }
bool makeNonBlocking(SocketHandle socket)
{
    u_long on = 1;
    return ::ioctlsocket(socket, FIONBIO, &on) == 0;
}
// select(), not WSAPoll: older Windows' WSAPoll never reports a refused connection, only its time-out.
bool socketReady(SocketHandle socket, bool forWriting, int timeoutMs)
{
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &readable);
    FD_SET(socket, &failed);
    if (forWriting)
        FD_SET(socket, &writable);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::select(0, &readable, &writable, &failed, &limit) > 0;
}
constexpr int SendFlags = 0;
QString socketErrorText(int error)
{
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, DWORD(error), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    QString message = text ? QString::fromWCharArray(text).trimmed() : QString::number(error);
    LocalFree(text);
    if (message.endsWith(u'.'))
        message.chop(1);  // it goes inside a sentence of ours
    return message;
}
bool startSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
void wakeWaiter(SocketHandle socket) { ::shutdown(socket, SD_BOTH); }
// Windows holds back an acknowledgement up to 200 ms; where it can be told, every segment is acknowledged.
void acknowledgeEverySegment(SocketHandle socket)
{
    TCP_ACK_FREQUENCY_PARAMETERS every{1};
    DWORD unused = 0;
    ::WSAIoctl(socket, SIO_TCP_SET_ACK_FREQUENCY, &every, sizeof every, nullptr, 0, &unused, nullptr, nullptr);
}
void acknowledgeAtOnce(SocketHandle) {}
#else
using SocketHandle = int;
constexpr SocketHandle NoSocket = -1;
int lastSocketError() { return errno; }
bool wouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS; }
void closeSocket(SocketHandle socket) { ::close(socket); }
bool makeNonBlocking(SocketHandle socket)
{
    const int flags = ::fcntl(socket, F_GETFL);
    return flags >= 0 && ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}
bool socketReady(SocketHandle socket, bool forWriting, int timeoutMs)
{
    pollfd entry{socket, short(forWriting ? POLLOUT | POLLIN : POLLIN), 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
}
constexpr int SendFlags = MSG_NOSIGNAL;  // a closed connection is reported, not a SIGPIPE
QString socketErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
bool startSockets() { return true; }
// A wait in poll() on the socket returns at once.
void wakeWaiter(SocketHandle socket) { ::shutdown(socket, SHUT_RDWR); }
void acknowledgeEverySegment(SocketHandle) {}
// Linux leaves its quick acknowledgement mode on its own: asked again after every receive.
void acknowledgeAtOnce(SocketHandle socket)
{
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}
#endif

SocketHandle handleOf(qintptr socket) { return SocketHandle(socket); }

// ser2net's word to a second client before it hangs up.
bool saysPortInUse(const QByteArray &heard)
{
    return heard.contains("in use");
}

bool waitUntil(qintptr socket, bool forWriting, qint64 timeoutMs)
{
    return socketReady(handleOf(socket), forWriting, int(qBound(qint64(0), timeoutMs, qint64(NetworkLine::ConnectLimitMs))));
}

void noteRoundTrip(std::chrono::microseconds &roundTrip, const QElapsedTimer &since)
{
    const auto measured = std::chrono::microseconds(since.nsecsElapsed() / 1000);
    roundTrip = std::min(std::max(roundTrip, measured), std::chrono::microseconds(TerminalReplyLimit));
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

NetworkConnection::Taken NetworkConnection::takeIn(QByteArray *raw)
{
    Taken taken = Taken::Nothing;
    char buffer[ReadChunk];
    for (;;) {
        const auto count = ::recv(handleOf(socket), buffer, int(sizeof buffer), 0);
        if (count == 0)
            return Taken::Closed;
        if (count < 0)
            return wouldBlock(lastSocketError()) ? taken : Taken::Failed;
        // A server that sends its answer in two writes, with Nagle's algorithm on (ser2net), holds the second
        // until this side acknowledges the first: never make it wait for a delayed acknowledgement.
        acknowledgeAtOnce(handleOf(socket));
        const QByteArray bytes(buffer, qsizetype(count));
        if (raw)
            *raw += bytes;
        if (rfc2217) {
            const TelnetCodec::Decoded decoded = codec.decode(bytes);
            received += decoded.data;
            if (!decoded.reply.isEmpty()) {
                pending += decoded.reply;
                if (sendPending())
                    return Taken::Failed;
            }
        } else {
            received += bytes;
        }
        taken = Taken::Some;
    }
}

std::optional<int> NetworkConnection::sendPending()
{
    while (!pending.isEmpty() && socket != -1) {
        const auto sent = ::send(handleOf(socket), pending.constData(), int(pending.size()), SendFlags);
        if (sent < 0) {
            const int error = lastSocketError();
            if (wouldBlock(error))
                break;
            pending.clear();
            return error;
        }
        pending.remove(0, qsizetype(sent));
    }
    return std::nullopt;
}

void NetworkConnection::close()
{
    if (socket != -1)
        closeSocket(handleOf(socket));
    *this = NetworkConnection();
}

// One open of a network port: the name looked up, the connection made and the port set up, with bounded
// waits. It runs on the thread that asked (open()) or on a thread of its own (openLater()); then the line
// takes the connection over. The socket is created, closed and woken under the lock, so a line that gives
// up on it never touches a descriptor the opening has closed and the system given to another.
struct NetworkLine::Opening
{
    explicit Opening(QString deviceName)
        : name(std::move(deviceName))
    {
    }
    ~Opening() { closeSocket(); }

    void run();
    // Wakes a wait under way; the opening then ends as failed, quietly.
    void cancel();

    const QString name;
    NetworkConnection connection;
    std::optional<OpenFailure> failure;
    QString failureDetail;

private:
    bool connectTo(const NetworkAddress &address);
    void negotiate();
    void fail(OpenFailure reason, const QString &detail);
    bool cancelled();
    bool createSocket(const addrinfo &candidate);
    void closeSocket();

    std::mutex m_lock;
    bool m_cancelled = false;
    QByteArray m_heard;  // everything the server said while the port was being set up
};

void NetworkLine::Opening::fail(OpenFailure reason, const QString &detail)
{
    failure = reason;
    failureDetail = detail;
    qCDebug(lcLink).noquote() << "open" << name << "failed:" << detail;
    closeSocket();
}

bool NetworkLine::Opening::cancelled()
{
    const std::lock_guard guard(m_lock);
    return m_cancelled;
}

void NetworkLine::Opening::cancel()
{
    const std::lock_guard guard(m_lock);
    m_cancelled = true;
    if (connection.socket != -1)
        wakeWaiter(handleOf(connection.socket));
}

bool NetworkLine::Opening::createSocket(const addrinfo &candidate)
{
    const std::lock_guard guard(m_lock);
    if (m_cancelled)
        return false;
    const SocketHandle socket = ::socket(candidate.ai_family, candidate.ai_socktype, candidate.ai_protocol);
    if (socket == NoSocket)
        return false;
    connection.socket = qintptr(socket);
    return true;
}

void NetworkLine::Opening::closeSocket()
{
    const std::lock_guard guard(m_lock);
    connection.close();
}

void NetworkLine::Opening::run()
{
    const auto address = parseNetworkAddress(name);
    if (!address)
        return fail(OpenFailure::ConnectionFailed, tr("地址错误"));
    if (!startSockets())
        return fail(OpenFailure::ConnectionFailed, socketErrorText(lastSocketError()));
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

bool NetworkLine::Opening::connectTo(const NetworkAddress &address)
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
        fail(OpenFailure::ConnectionFailed, socketErrorText(error));
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
            lastError = lastSocketError();
            continue;
        }
        const SocketHandle socket = handleOf(connection.socket);
        if (!makeNonBlocking(socket)) {
            lastError = lastSocketError();
            closeSocket();
            continue;
        }
        QElapsedTimer handshake;
        handshake.start();
        if (::connect(socket, candidate->ai_addr, int(candidate->ai_addrlen)) != 0) {
            lastError = lastSocketError();
            if (!wouldBlock(lastError)) {
                closeSocket();
                continue;
            }
            if (!waitUntil(connection.socket, true, deadline.remainingTime())) {
#ifdef Q_OS_WIN
                lastError = WSAETIMEDOUT;
#else
                lastError = ETIMEDOUT;
#endif
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
        // A frame of a few bytes leaves at once instead of waiting for more; a server that vanished without
        // a word is found out.
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
        ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char *>(&on), sizeof on);
        acknowledgeEverySegment(socket);
        ::freeaddrinfo(found);
        return true;
    }
    ::freeaddrinfo(found);
    fail(OpenFailure::ConnectionFailed, cancelled() ? QString() : socketErrorText(lastError));
    return false;
}

void NetworkLine::Opening::negotiate()
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
            return fail(OpenFailure::ConnectionFailed, tr("服务器没有回答端口设置"));
        }
        const bool ready = waitUntil(connection.socket, !connection.pending.isEmpty(), left);
        if (cancelled())
            return fail(OpenFailure::Other, {});
        if (!ready)
            continue;
        if (!connection.pending.isEmpty() && connection.sendPending())
            return fail(OpenFailure::ConnectionFailed, tr("服务器断开了连接"));
        const NetworkConnection::Taken taken = connection.takeIn(&m_heard);
        if (taken == NetworkConnection::Taken::Closed || taken == NetworkConnection::Taken::Failed) {
            if (saysPortInUse(m_heard))
                return fail(OpenFailure::PortBusy, {});  // its words, between Telnet's, say no more
            return fail(OpenFailure::ConnectionFailed, tr("服务器断开了连接"));
        }
    }
    if (rfc2217)
        noteRoundTrip(connection.roundTrip, negotiation);
}

NetworkLine::NetworkLine() = default;

NetworkLine::~NetworkLine()
{
    close();
}

std::shared_ptr<NetworkLine::Opening> NetworkLine::startOpening(const QString &deviceName)
{
    close();
    m_name = deviceName;
    m_failureDetail.clear();
    return std::make_shared<Opening>(deviceName);
}

std::optional<OpenFailure> NetworkLine::open(const QString &deviceName)
{
    const auto opening = startOpening(deviceName);
    opening->run();
    return takeOver(*opening);
}

void NetworkLine::openLater(const QString &deviceName)
{
    const auto opening = startOpening(deviceName);
    m_opening = opening;
    QThread *thread = QThread::create([opening] { opening->run(); });
    connect(thread, &QThread::finished, this, [this, opening] {
        if (m_opening != opening)
            return;  // closed or opened anew since
        m_opening.reset();
        emit opened(takeOver(*opening));
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

std::optional<OpenFailure> NetworkLine::takeOver(Opening &opening)
{
    if (opening.failure) {
        m_failureDetail = opening.failureDetail;
        return opening.failure;
    }
    m_connection = std::exchange(opening.connection, NetworkConnection());
    m_readNotifier = std::make_unique<QSocketNotifier>(m_connection.socket, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &NetworkLine::onReadable);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_connection.socket, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(!m_connection.pending.isEmpty());
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &NetworkLine::onWritable);
    return std::nullopt;
}

void NetworkLine::close()
{
    if (m_opening) {
        m_opening->cancel();
        m_opening.reset();
    }
    // close() may be called from a notifier's own signal (a lost connection): the notifiers then go later.
    for (auto *notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (!*notifier)
            continue;
        (*notifier)->setEnabled(false);
        if (m_inNotifier)
            notifier->release()->deleteLater();
        else
            notifier->reset();
    }
    if (m_connection.socket != -1)
        qCDebug(lcLink) << "disconnected from" << m_name;
    m_connection.close();
}

bool NetworkLine::isOpen() const
{
    return m_connection.socket != -1 && m_readNotifier != nullptr;
}

void NetworkLine::onReadable()
{
    const QScopedValueRollback inNotifier(m_inNotifier, true);
    const qsizetype before = m_connection.received.size();
    const NetworkConnection::Taken taken = m_connection.takeIn();
    if (taken == NetworkConnection::Taken::Closed) {
        loseConnection(tr("服务器断开了连接"));
        return;
    }
    if (taken == NetworkConnection::Taken::Failed) {
        loseConnection(socketErrorText(lastSocketError()));
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_connection.pending.isEmpty());
    if (m_connection.received.size() > before && !m_collecting)
        emit readyRead();
}

qint64 NetworkLine::collectWaitingBytes()
{
    if (isOpen()) {
        m_collecting = true;
        onReadable();
        m_collecting = false;
    }
    return m_connection.received.size();
}

void NetworkLine::loseConnection(const QString &description)
{
    qCDebug(lcLink).noquote() << "connection lost:" << description;
    // Heard once: the link closes the line on this report, so the line is still open while it is made.
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    emit faultOccurred(Fault::Broken, description);
}

QByteArray NetworkLine::read(qint64 maxSize)
{
    const QByteArray bytes = m_connection.received.left(maxSize);
    m_connection.received.remove(0, bytes.size());
    return bytes;
}

void NetworkLine::write(const QByteArray &bytes)
{
    if (!isOpen())
        return;
    m_connection.pending += m_connection.rfc2217 ? TelnetCodec::encode(bytes) : bytes;
    // An address byte written on its own is followed at once by its frame: held back until then (or until
    // the event loop runs), both leave in one send, one packet, instead of a packet of one byte first.
    if (bytes.size() == 1) {
        if (!m_flushQueued) {
            m_flushQueued = true;
            QMetaObject::invokeMethod(this, [this] {
                m_flushQueued = false;
                sendPending();
            }, Qt::QueuedConnection);
        }
        return;
    }
    sendPending();
}

void NetworkLine::sendPending()
{
    if (const auto error = m_connection.sendPending()) {
        if (isOpen())
            loseConnection(socketErrorText(*error));
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_connection.pending.isEmpty());
}

void NetworkLine::onWritable()
{
    const QScopedValueRollback inNotifier(m_inNotifier, true);
    sendPending();
}
