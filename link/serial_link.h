#pragma once

#include "exchange.h"
#include "line_echo.h"
#include "serial_line.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The serial port to the terminal, and the three steps every command takes with it: prepare and open,
// exchange frames (once or many times), release.
//
// The reply wait is asynchronous: transact() returns at once and the outcome arrives later as
// exchangeFinished(), or linkLost() when the device failed or vanished (the port is closed by then).
// Both signals are always delivered from the event loop, never from inside transact().
class SerialLink : public QObject
{
    Q_OBJECT

public:
    // The terminal answers within one second; exactly one second is still in time.
    static constexpr std::chrono::milliseconds ReplyLimit = TerminalReplyLimit;
    // How long, beyond the frame's time on the wire since it was sent, the first bytes of what may be an echo
    // wait for the rest on a line whose echo is not known yet (an adapter's latency); paid once per opening on
    // a line without echo, by its first answer that begins like the frame.
    static constexpr std::chrono::milliseconds EchoGraceMargin{30};

    explicit SerialLink(QObject *parent = nullptr);
    // On a line of the caller's making (a test's stand-in for the port).
    explicit SerialLink(std::unique_ptr<SerialLine> line, QObject *parent = nullptr);
    ~SerialLink() override;

    // Closes a port left open, applies 9600 8N1 and opens `deviceName`; the receive side starts empty.
    // Returns the reason when the port cannot be opened (the port is then closed).
    std::optional<OpenFailure> prepareLink(const QString &deviceName);
    // The same without holding up the thread (a network port's connection takes a round trip or more, a
    // server that does not answer seconds, some drivers hold a local port's open as long): the result comes
    // as linkPrepared(), from the event loop once the port has opened on a thread of its own, from inside
    // this call for a name that reaches no port. releaseLink() before then abandons the open, and no
    // linkPrepared() follows.
    void prepareLinkLater(const QString &deviceName);

    // Writes the exchange's bytes and waits for its reply. Bytes already waiting when the frame is about to
    // go out answer nothing this program sent: the exchange then ends as a wrong reply holding those bytes,
    // and nothing is written. The line's echo of the frame (see line_echo.h, --echo) is taken off before the
    // answer: it is never one.
    void transact(const Exchange &exchange);

    // Closes the port if it is open and abandons a running exchange without an outcome.
    void releaseLink();

    // Why the last open failed, where the failure alone does not say it (a network port's reason).
    QString openFailureDetail() const { return m_line->openFailureDetail(); }

    bool isOpen() const;
    bool isOpening() const { return m_state == State::Opening; }

    // How often the port reported an error since construction; for spotting error storms.
    int portErrorCount() const { return m_portErrorCount; }

    // How long `bytes` take on the wire at 9600 baud, 8N1.
    static qint64 frameOnWireNs(qint64 bytes);

signals:
    void linkPrepared(std::optional<OpenFailure> failure);
    void exchangeFinished(const ExchangeOutcome &outcome);
    void linkLost();

private:
    enum class State {
        Idle,
        Opening,
        WaitingForReply,
        // The exchange's outcome is decided and queued for delivery: bytes arriving and the reply timer
        // change nothing until it is delivered.
        OutcomePending,
    };

    void writeToLine(const QByteArray &bytes);
    void checkReply();
    void proceedWithReply(bool final);
    void readReply();
    void onReplyTimer();
    void onLineOpened(std::optional<OpenFailure> failure);
    void onLineFault(SerialLine::Fault fault, const QString &description);
    void finishExchange(const ExchangeOutcome &outcome);
    void loseLink();
    void deliverLater(std::function<void()> action);
    qint64 replyLimitNs() const;
    void listen();
    // Takes the line's echo off the front of what arrived, once it can be told; false when the exchange ended.
    bool settleEcho(bool final);
    void onEchoGrace();
    EchoExpected echoExpected() const;

    std::unique_ptr<SerialLine> m_line;
    QTimer m_replyTimer;
    QElapsedTimer m_sinceFrameSent;
    State m_state = State::Idle;
    Exchange m_exchange;
    QByteArray m_heard;  // what a listening exchange has heard so far
    QByteArray m_sent;   // the running exchange's address byte and frame, as its echo would repeat them
    bool m_echoSettled = true;  // the echo (or that there is none) is behind: what arrives is the answer
    bool m_echoHeard = false;
    // What this open of the port has shown of its echo (--echo auto); a port opened again learns afresh, as
    // another adapter may have taken the device's name.
    std::optional<bool> m_lineEchoes;
    // On a line not known yet, bytes that begin like the frame wait this long for the rest of an echo.
    QTimer m_echoGrace;
    qint64 m_limitNs = 0;  // the running exchange's reply limit, counted from its write
    quint64 m_generation = 0;
    int m_portErrorCount = 0;
};
