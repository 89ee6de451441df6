#include "network_opening.h"

#include "exchange.h"
#include "network_address.h"
#include "rs485_direction.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>

namespace {
constexpr qsizetype HeardLimit = 1024;  // enough for a server's words before it hangs up

// ser2net's word to a second client before it hangs up.
bool saysPortInUse(const QByteArray &heard)
{
    return heard.contains("in use");
}

void noteRoundTrip(std::chrono::microseconds &roundTrip, const QElapsedTimer &since)
{
    const auto measured = std::chrono::microseconds(since.nsecsElapsed() / 1000);
    roundTrip = (std::min)((std::max)(roundTrip, measured), std::chrono::microseconds(TerminalReplyLimit));
}

QString translated(const char *text)
{
    return QCoreApplication::translate("NetworkLine", text);
}

// What the server confirmed that is not the terminal's 9600 8N1, in words; empty when it is.
QString settingsOtherThanAsked(const TelnetCodec &codec)
{
    if (codec.confirmedBaudRate() != TelnetCodec::LineBaudRate)
        return translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器的串口是 %1 波特，不是 %2"))
            .arg(codec.confirmedBaudRate())
            .arg(TelnetCodec::LineBaudRate);
    if (codec.confirmedDataSize() != TelnetCodec::DataSize8)
        return translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器的串口是 %1 位数据，不是 %2 位"))
            .arg(codec.confirmedDataSize())
            .arg(TelnetCodec::DataSize8);
    if (codec.confirmedParity() != TelnetCodec::ParityNone)
        return translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器的串口有校验位（RFC 2217 的第 %1 种），不是无校验"))
            .arg(codec.confirmedParity());
    if (codec.confirmedStopSize() != TelnetCodec::StopSize1)
        return translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器的串口不是 1 个停止位（RFC 2217 的第 %1 种）"))
            .arg(codec.confirmedStopSize());
    return {};
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
    qCDebug(lcLink).noquote() << "open" << name << "failed:" << int(reason) << detail;
    closeSocket();
}

void NetworkOpening::cancel()
{
    const std::lock_guard guard(m_lock);
    m_cancelled = true;
    m_lookup.cancel();
    if (connection.socket != -1)
        SocketCalls::wakeWaiter(SocketCalls::handleOf(connection.socket));
}

bool NetworkOpening::createSocket(const SocketAddress &candidate)
{
    const std::lock_guard guard(m_lock);
    if (m_cancelled)
        return false;
    const SocketCalls::Handle socket = SocketCalls::create(candidate.family, candidate.socketType, candidate.protocol);
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
    const NetworkAddressReading reading = readNetworkAddress(name);
    if (!reading.address)
        return fail(OpenFailure::AddressMalformed, reading.problem);
    // No driver here to ask: a serial server's port switches its direction, or not, by its own settings.
    if (rs485Direction())
        return fail(OpenFailure::Rs485Unsupported, {});
    if (!SocketCalls::start())
        return fail(OpenFailure::ConnectionFailed, SocketCalls::errorText(SocketCalls::lastError()));
    connection.rfc2217 = reading.address->rfc2217;
    if (!connectTo(*reading.address))
        return;
    negotiate();
    if (failure)
        return;
    if (connection.rfc2217)
        measureSettledRoundTrip();
    if (failure)
        return;
    qCDebug(lcLink) << "connected to" << reading.address->place() << (connection.rfc2217 ? "RFC 2217" : "raw")
                    << "baud rate confirmed:" << connection.codec.confirmedBaudRate()
                    << "round trip:" << connection.roundTrip.count() << "µs";
}

bool NetworkOpening::connectTo(const NetworkAddress &address)
{
    const QDeadlineTimer deadline(ConnectLimitMs);
    NameLookupResult found;
    switch (m_lookup.run(address.host.toUtf8(), address.port, deadline, found)) {
    case NameLookup::Outcome::Cancelled:
        fail(OpenFailure::Other, {});
        return false;
    case NameLookup::Outcome::TimedOut:
        fail(OpenFailure::HostNotFound,
             translated(QT_TRANSLATE_NOOP("NetworkLine", "%1 秒内没有查到这个名字")).arg(ConnectLimitMs / 1000));
        return false;
    case NameLookup::Outcome::Answered:
        break;
    }
    if (found.addresses.empty()) {
        fail(OpenFailure::HostNotFound, found.failure);
        return false;
    }
    int lastError = 0;
    const auto count = qint64(found.addresses.size());
    for (qint64 i = 0; i < count && !m_cancelled; ++i) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        // Each address has an equal share of the time left: one that never answers (a name with an IPv6
        // address on a network without IPv6) leaves the rest to the next.
        if (connectOne(found.addresses[size_t(i)], QDeadlineTimer(left / (count - i)), lastError))
            return true;
    }
    if (m_cancelled)
        fail(OpenFailure::Other, {});
    else if (lastError == 0 || lastError == SocketCalls::timedOutError())
        fail(OpenFailure::ConnectionTimedOut, SocketCalls::errorText(SocketCalls::timedOutError()));
    else
        fail(OpenFailure::ConnectionFailed, SocketCalls::errorText(lastError));
    return false;
}

bool NetworkOpening::connectOne(const SocketAddress &candidate, const QDeadlineTimer &deadline, int &error)
{
    if (!createSocket(candidate)) {
        error = m_cancelled ? error : SocketCalls::lastError();
        return false;
    }
    const SocketCalls::Handle socket = SocketCalls::handleOf(connection.socket);
    if (!SocketCalls::makeNonBlocking(socket)) {
        error = SocketCalls::lastError();
        closeSocket();
        return false;
    }
    QElapsedTimer handshake;
    handshake.start();
    if (::connect(socket, reinterpret_cast<const sockaddr *>(&candidate.address), socklen_t(candidate.length)) != 0) {
        error = SocketCalls::lastError();
        if (!SocketCalls::wouldBlock(error)) {
            closeSocket();
            return false;
        }
        if (!SocketCalls::ready(socket, true, deadline, m_cancelled)) {
            error = SocketCalls::timedOutError();
            closeSocket();
            return false;
        }
        int result = 0;
        socklen_t length = sizeof result;
        ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&result), &length);
        if (result != 0 || m_cancelled) {
            error = result;
            closeSocket();
            return false;
        }
    }
    noteRoundTrip(connection.roundTrip, handshake);
    SocketCalls::setForShortFrames(socket);
    return true;
}

bool NetworkOpening::refused()
{
    const TelnetCodec &codec = connection.codec;
    if (codec.binaryRefused()) {
        fail(OpenFailure::BinaryRefused, {});
        return true;
    }
    if (codec.comPortRefused()) {
        fail(OpenFailure::ComPortRefused, {});
        return true;
    }
    if (codec.portSettingsConfirmed()) {
        if (const QString other = settingsOtherThanAsked(codec); !other.isEmpty()) {
            fail(OpenFailure::ServerPortSettings, other);
            return true;
        }
    }
    return false;
}

std::optional<NetworkConnection::Taken> NetworkOpening::serviceSocket(const QDeadlineTimer &deadline, QByteArray *raw)
{
    const bool ready = SocketCalls::ready(SocketCalls::handleOf(connection.socket), connection.hasToSend(), deadline, m_cancelled);
    if (m_cancelled) {
        fail(OpenFailure::Other, {});
        return std::nullopt;
    }
    if (!ready)
        return NetworkConnection::Taken::Nothing;
    if (connection.hasToSend() && connection.sendPending())
        return NetworkConnection::Taken::Failed;
    const NetworkConnection::Taken taken = connection.takeIn(raw);
    // What comes while the port is being set up answers nothing this program sent.
    connection.received.clear();
    return taken;
}

void NetworkOpening::negotiate()
{
    const bool rfc2217 = connection.rfc2217;
    const QDeadlineTimer deadline(rfc2217 ? NegotiationLimitMs : RefusalWatchMs);
    QElapsedTimer sinceOpening;
    sinceOpening.start();
    if (rfc2217) {
        connection.pending = TelnetCodec::opening();
        connection.sendPending();
    }
    bool telnetRoundTripNoted = false;
    // The server's answer to the port settings, or its refusal of a second client, is awaited here with a
    // bounded wait: the line is not usable before.
    for (;;) {
        if (rfc2217) {
            // The data's round trip through the server is its Telnet side's answer, not the time it takes
            // to set its port up, which a reply never waits for again.
            if (!telnetRoundTripNoted && connection.codec.binaryAnswered()) {
                noteRoundTrip(connection.roundTrip, sinceOpening);
                telnetRoundTripNoted = true;
            }
            if (refused())
                return;
            if (connection.codec.portSettingsConfirmed())
                break;
        }
        if (deadline.hasExpired()) {
            if (!rfc2217)
                break;  // a raw port says nothing unless it refuses
            return fail(OpenFailure::SettingsUnanswered, {});
        }
        const auto taken = serviceSocket(deadline, &m_heard);
        if (!taken)
            return;
        m_heard.truncate(HeardLimit);
        if (*taken == NetworkConnection::Taken::Closed || *taken == NetworkConnection::Taken::Failed) {
            if (saysPortInUse(m_heard))
                return fail(OpenFailure::PortBusy, {});  // its words, between Telnet's, say no more
            return fail(OpenFailure::ConnectionFailed, translated(QT_TRANSLATE_NOOP("NetworkLine", "服务器断开了连接")));
        }
    }
}

// Every question of a scan waits the line's round trip on top of its short wait, so one measured too long
// slows the whole scan down. The round trip measured while the connection was opened may hold a wait for
// the processor (several lines opened at once on a busy machine); measured again once the port is set up,
// a few times, the shortest is the path's own. A probe slower than the shortest so far could not lower it
// and is not awaited longer; a probe not answered by then ends the probing, so that its late answer is
// never taken for the next one's.
void NetworkOpening::measureSettledRoundTrip()
{
    std::chrono::microseconds shortest = connection.roundTrip;
    for (int probe = 0; probe < SettledRoundTrips; ++probe) {
        const QDeadlineTimer deadline(std::chrono::ceil<std::chrono::milliseconds>(shortest) + std::chrono::milliseconds(1));
        const int answeredBefore = connection.codec.timingMarksAnswered();
        connection.pending += TelnetCodec::timingMark();
        QElapsedTimer sinceProbe;
        sinceProbe.start();
        bool answered = false;
        bool ended = false;
        while (!answered && !ended && !deadline.hasExpired()) {
            const auto taken = serviceSocket(deadline);
            if (!taken)
                return;
            // The end of the connection is the line's to find, at its first frame, as right after any opening.
            ended = *taken == NetworkConnection::Taken::Closed || *taken == NetworkConnection::Taken::Failed;
            answered = connection.codec.timingMarksAnswered() > answeredBefore;
        }
        if (!answered || ended)
            break;
        shortest = (std::min)(shortest, std::chrono::microseconds(sinceProbe.nsecsElapsed() / 1000));
    }
    connection.roundTrip = shortest;
}
