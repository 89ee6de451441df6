#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QtGlobal>

#include <atomic>

// The few socket calls whose names, flags or error codes differ between POSIX sockets and Winsock (our
// Windows Qt has no network module), so the network line is written once.
#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

namespace SocketCalls {

#ifdef Q_OS_WIN
using Handle = SOCKET;
inline const Handle NoSocket = INVALID_SOCKET;
#else
using Handle = int;
inline constexpr Handle NoSocket = -1;
#endif

inline Handle handleOf(qintptr socket) { return Handle(socket); }

// Winsock wants starting once per process; nothing to do elsewhere.
bool start();
int lastError();
// The error a connection that took too long ends with.
int timedOutError();
bool wouldBlock(int error);
QString errorText(int error);

// A socket that a program this one starts does not inherit.
Handle create(int family, int type, int protocol);
void close(Handle socket);
bool makeNonBlocking(Handle socket);
// Waits for the socket to be readable (or, with `forWriting`, writable) or failed; false when `deadline`
// passed or `stop` was set first. A signal that interrupts the wait does not end it.
bool ready(Handle socket, bool forWriting, const QDeadlineTimer &deadline, const std::atomic<bool> &stop);
// Sends what the socket takes now; a closed connection is reported, never raised as a signal.
qint64 send(Handle socket, const char *bytes, qint64 size);
qint64 receive(Handle socket, char *buffer, qint64 size);
// A wait in ready() on the socket, on another thread, returns at once (on Windows, where select() does not
// wake for it, ready() looks at `stop` often enough instead).
void wakeWaiter(Handle socket);
// Every segment acknowledged at once, where the system lets it be set for the connection (Windows holds an
// acknowledgement back up to 200 ms).
void acknowledgeEverySegment(Handle socket);
// The same, where the system has to be asked again after every receive (Linux).
void acknowledgeAtOnce(Handle socket);
// A frame of a few bytes leaves at once instead of waiting for more; a server that vanished without a word
// is found out.
void setForShortFrames(Handle socket);

} // namespace SocketCalls
