#include "network_connection.h"

#include "socket_calls.h"

namespace {
constexpr qsizetype ReadChunk = 4096;
} // namespace

NetworkConnection::Taken NetworkConnection::takeIn(QByteArray *raw)
{
    char buffer[ReadChunk];
    const auto count = SocketCalls::receive(SocketCalls::handleOf(socket), buffer, qint64(sizeof buffer));
    if (count == 0)
        return Taken::Closed;
    if (count < 0)
        return SocketCalls::wouldBlock(SocketCalls::lastError()) ? Taken::Nothing : Taken::Failed;
    // A server that sends its answer in two writes, with Nagle's algorithm on (ser2net), holds the second
    // until this side acknowledges the first: never make it wait for a delayed acknowledgement.
    SocketCalls::acknowledgeAtOnce(SocketCalls::handleOf(socket));
    const QByteArray bytes(buffer, qsizetype(count));
    if (raw)
        *raw += bytes;
    if (!rfc2217) {
        received += bytes;
        return Taken::Some;
    }
    const TelnetCodec::Decoded decoded = codec.decode(bytes);
    received += decoded.data;
    pending += decoded.reply;
    // Telnet's answers go at once, and what a pause held goes once the server resumes.
    if (sendPending())
        return Taken::Failed;
    return Taken::Some;
}

std::optional<int> NetworkConnection::sendPending()
{
    while (hasToSend() && socket != -1) {
        const auto sent = SocketCalls::send(SocketCalls::handleOf(socket), pending.constData(), pending.size());
        if (sent < 0) {
            const int error = SocketCalls::lastError();
            if (SocketCalls::wouldBlock(error))
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
        SocketCalls::close(SocketCalls::handleOf(socket));
    *this = NetworkConnection();
}
