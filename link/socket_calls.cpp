#include "socket_calls.h"

#include <algorithm>

#ifdef Q_OS_WIN
#include <mstcpip.h>
#else
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace SocketCalls {

#ifdef Q_OS_WIN
bool start()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

int lastError() { return WSAGetLastError(); }
int timedOutError() { return WSAETIMEDOUT; }
bool wouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

QString errorText(int error)
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

#ifndef WSA_FLAG_NO_HANDLE_INHERIT
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
#endif

Handle create(int family, int type, int protocol)
{
    const Handle socket = ::WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket != INVALID_SOCKET)
        return socket;
    // Windows 7 before its first service pack knows no such flag.
    const Handle plain = ::socket(family, type, protocol);
    if (plain != INVALID_SOCKET)
        ::SetHandleInformation(reinterpret_cast<HANDLE>(plain), HANDLE_FLAG_INHERIT, 0);
    return plain;
}

void close(Handle socket) { ::closesocket(socket); }

bool makeNonBlocking(Handle socket)
{
    u_long on = 1;
    return ::ioctlsocket(socket, FIONBIO, &on) == 0;
}

// select(), not WSAPoll: older Windows' WSAPoll never reports a refused connection, only its time-out. A
// shutdown() from another thread does not wake a select() on a connection still being made, so the wait goes
// in short slices that look at `stop` between them.
bool ready(Handle socket, bool forWriting, const QDeadlineTimer &deadline, const std::atomic<bool> &stop)
{
    constexpr qint64 SliceMs = 20;
    while (!stop) {
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return false;
        const qint64 slice = left < 0 ? SliceMs : (std::min)(left, SliceMs);
        fd_set readable, writable, failed;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(socket, &readable);
        FD_SET(socket, &failed);
        if (forWriting)
            FD_SET(socket, &writable);
        timeval limit{0, long(slice * 1000)};
        const int result = ::select(0, &readable, &writable, &failed, &limit);
        if (result != 0)
            return result > 0;
    }
    return false;
}

qint64 send(Handle socket, const char *bytes, qint64 size) { return ::send(socket, bytes, int(size), 0); }
qint64 receive(Handle socket, char *buffer, qint64 size) { return ::recv(socket, buffer, int(size), 0); }
void wakeWaiter(Handle socket) { ::shutdown(socket, SD_BOTH); }

void acknowledgeEverySegment(Handle socket)
{
    TCP_ACK_FREQUENCY_PARAMETERS every{1};
    DWORD unused = 0;
    ::WSAIoctl(socket, SIO_TCP_SET_ACK_FREQUENCY, &every, sizeof every, nullptr, 0, &unused, nullptr, nullptr);
}

void acknowledgeAtOnce(Handle) {}
#else
bool start() { return true; }
int lastError() { return errno; }
int timedOutError() { return ETIMEDOUT; }
bool wouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS; }
QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

Handle create(int family, int type, int protocol)
{
#ifdef SOCK_CLOEXEC
    return ::socket(family, type | SOCK_CLOEXEC, protocol);
#else
    const Handle socket = ::socket(family, type, protocol);
    if (socket != NoSocket)
        ::fcntl(socket, F_SETFD, FD_CLOEXEC);
    return socket;
#endif
}

void close(Handle socket) { ::close(socket); }

bool makeNonBlocking(Handle socket)
{
    const int flags = ::fcntl(socket, F_GETFL);
    return flags >= 0 && ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool ready(Handle socket, bool forWriting, const QDeadlineTimer &deadline, const std::atomic<bool> &stop)
{
    pollfd entry{socket, short(forWriting ? POLLOUT | POLLIN : POLLIN), 0};
    while (!stop) {
        const qint64 left = deadline.remainingTime();
        const int result = ::poll(&entry, 1, left < 0 ? -1 : int(std::min<qint64>(left, INT_MAX)));
        if (result >= 0 || errno != EINTR)
            return result > 0;
        // A signal came (a debugger, a profiler, a terminal resized): the wait goes on with the time left.
    }
    return false;
}

qint64 send(Handle socket, const char *bytes, qint64 size) { return ::send(socket, bytes, size_t(size), MSG_NOSIGNAL); }
qint64 receive(Handle socket, char *buffer, qint64 size) { return ::recv(socket, buffer, size_t(size), 0); }
void wakeWaiter(Handle socket) { ::shutdown(socket, SHUT_RDWR); }
void acknowledgeEverySegment(Handle) {}

void acknowledgeAtOnce(Handle socket)
{
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}
#endif

void setForShortFrames(Handle socket)
{
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
    ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char *>(&on), sizeof on);
    acknowledgeEverySegment(socket);
}

} // namespace SocketCalls
