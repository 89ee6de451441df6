#pragma once

#include "serial_line.h"
#include "telnet_codec.h"

#include <QSocketNotifier>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// A port behind a serial server on the network, named like a device:
//   rfc2217://HOST[:PORT]   Telnet with COM-PORT-OPTION (RFC 2217); port 23, Telnet's, when none is given
//   socket://HOST:PORT      raw TCP: the bytes as they are; tcp://HOST:PORT is the same
struct NetworkAddress
{
    bool rfc2217 = false;
    QString host;
    quint16 port = 0;

    // "HOST:PORT" as messages name it ("[::1]:2217" for an IPv6 address).
    QString place() const;
};

// Whether `name` names a network port (it may still be malformed); anything else is a local device.
bool isNetworkPortName(const QString &name);
// The parts of a network port's name; nothing when it is malformed or names a local device.
std::optional<NetworkAddress> parseNetworkAddress(const QString &name);

// A connected socket and what passes through it. Filled on the thread that opens it, then used on the
// line's own.
struct NetworkConnection
{
    enum class Taken { Some, Nothing, Closed, Failed };

    qintptr socket = -1;
    bool rfc2217 = false;
    TelnetCodec codec;
    QByteArray received;  // data from the terminal, not read yet
    QByteArray pending;   // bytes the socket did not take yet
    std::chrono::microseconds roundTrip{0};

    // Reads what the socket holds, decodes it and sends the Telnet answers it calls for. `raw`, when given,
    // gets the bytes as the server sent them.
    Taken takeIn(QByteArray *raw = nullptr);
    // Sends what is pending, as much as the socket takes now; the system's error when a send failed.
    std::optional<int> sendPending();
    void close();
};

// The line to a network port, over a plain socket (POSIX or Winsock; our Windows Qt has no network module),
// watched by QSocketNotifier so the reply wait stays event-driven.
class NetworkLine : public SerialLine
{
    Q_OBJECT

public:
    // The time allowed for the connection and for the server's answer to the port settings.
    static constexpr int ConnectLimitMs = 3000;
    static constexpr int NegotiationLimitMs = 2000;
    // A server that already serves a client says so and hangs up at once; a raw port is watched this long.
    static constexpr int RefusalWatchMs = 100;

    NetworkLine();
    ~NetworkLine() override;

    // Connects and sets the port up, waiting for it on the calling thread.
    std::optional<OpenFailure> open(const QString &deviceName) override;
    // The same on a thread of its own (the name looked up, the connection made, the server's answer to the
    // port settings awaited there); close() wakes and abandons it.
    void openLater(const QString &deviceName) override;
    void close() override;
    bool isOpen() const override;
    QString portName() const override { return m_name; }
    void write(const QByteArray &bytes) override;
    qint64 bytesAvailable() const override { return m_connection.received.size(); }
    QByteArray read(qint64 maxSize) override;
    QByteArray peek(qint64 maxSize) override { return m_connection.received.left(maxSize); }
    qint64 collectWaitingBytes() override;

    // Why the last open failed, in the system's words ("Connection refused"); empty when it did not.
    QString openFailureDetail() const override { return m_failureDetail; }
    // The round trip measured while the line was opened (the connection's handshake, and for RFC 2217 the
    // server's answer to the port settings), at most a second.
    std::chrono::microseconds replyAllowance() const override { return m_connection.roundTrip; }

private:
    struct Opening;

    std::shared_ptr<Opening> startOpening(const QString &deviceName);
    std::optional<OpenFailure> takeOver(Opening &opening);
    void onReadable();
    void onWritable();
    void sendPending();
    void loseConnection(const QString &description);

    QString m_name;
    NetworkConnection m_connection;
    std::shared_ptr<Opening> m_opening;  // an open under way on its own thread
    QString m_failureDetail;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    bool m_collecting = false;
    bool m_flushQueued = false;
    bool m_inNotifier = false;  // in a notifier's signal, which must not delete it
};
