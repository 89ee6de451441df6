#pragma once

#include "network_address.h"
#include "network_connection.h"
#include "serial_line.h"

#include <QSocketNotifier>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class NetworkOpening;

// The line to a network port, over a plain socket (POSIX or Winsock; our Windows Qt has no network module),
// watched by QSocketNotifier so the reply wait stays event-driven.
class NetworkLine : public SerialLine
{
    Q_OBJECT

public:
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

    // Why the last open failed beyond its kind: the system's words ("Connection refused"), what is wrong
    // with the address, or what the server confirmed; empty when it did not fail.
    QString openFailureDetail() const override { return m_failureDetail; }
    // The round trip measured while the line was opened (the connection's handshake, and for RFC 2217 the
    // server's Telnet answer to BINARY, not the time it took to set its port up, or the shortest of a few
    // measured once the port was set up), at most a second.
    std::chrono::microseconds replyAllowance() const override { return m_connection.roundTrip; }

private:
    std::shared_ptr<NetworkOpening> startOpening(const QString &deviceName);
    std::optional<OpenFailure> takeOver(NetworkOpening &opening);
    void onReadable();
    void onWritable();
    void sendPending();
    void loseConnection(const QString &description);

    QString m_name;
    NetworkConnection m_connection;
    std::shared_ptr<NetworkOpening> m_opening;  // an open under way on its own thread
    QString m_failureDetail;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    // What the line holds unread at most; more waits in the system's buffer, and a flood stays there.
    static constexpr qsizetype HeldLimit = 64 * 1024;

    bool m_collecting = false;
    bool m_lost = false;  // the connection ended; the link has been told or is about to be
    quint64 m_connectionNumber = 0;  // which connection a report made later belongs to
    bool m_flushQueued = false;
    bool m_inNotifier = false;  // in a notifier's signal, which must not delete it
};
