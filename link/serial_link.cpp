#include "serial_link.h"

#include <QMetaObject>

#include <utility>

Q_LOGGING_CATEGORY(lcLink, "timeclock.link", QtWarningMsg)

void showLineTrace()
{
    qSetMessagePattern(QStringLiteral("%{time hh:mm:ss.zzz} %{category} %{message}"));
    QLoggingCategory::setFilterRules(QStringLiteral("timeclock.link.debug=true"));
}

SerialLink::SerialLink(QObject *parent)
    : SerialLink(makeSerialLine(), parent)
{
}

SerialLink::SerialLink(std::unique_ptr<SerialLine> line, QObject *parent)
    : QObject(parent)
    , m_line(std::move(line))
{
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &SerialLink::onReplyTimer);
    m_echoGrace.setSingleShot(true);
    m_echoGrace.setTimerType(Qt::PreciseTimer);
    connect(&m_echoGrace, &QTimer::timeout, this, &SerialLink::onEchoGrace);
    connect(m_line.get(), &SerialLine::opened, this, &SerialLink::onLineOpened);
    connect(m_line.get(), &SerialLine::readyRead, this, &SerialLink::checkReply);
    connect(m_line.get(), &SerialLine::faultOccurred, this, &SerialLink::onLineFault);
}

SerialLink::~SerialLink()
{
    releaseLink();
}

std::optional<OpenFailure> SerialLink::prepareLink(const QString &deviceName)
{
    releaseLink();
    m_lineEchoes.reset();
    if (deviceName.isEmpty())
        return OpenFailure::NoSuchPort;
    if (const auto failure = m_line->open(deviceName))
        return failure;
    qCDebug(lcLink) << "opened" << deviceName;
    return std::nullopt;
}

void SerialLink::prepareLinkLater(const QString &deviceName)
{
    releaseLink();
    m_lineEchoes.reset();
    if (deviceName.isEmpty()) {
        emit linkPrepared(OpenFailure::NoSuchPort);
        return;
    }
    m_state = State::Opening;
    m_line->openLater(deviceName);
}

void SerialLink::onLineOpened(std::optional<OpenFailure> failure)
{
    if (m_state != State::Opening)
        return;
    m_state = State::Idle;
    if (!failure)
        qCDebug(lcLink) << "opened" << m_line->portName();
    emit linkPrepared(failure);
}

void SerialLink::transact(const Exchange &exchange)
{
    Q_ASSERT(m_state == State::Idle);
    ++m_generation;
    m_exchange = exchange;
    if (!m_line->isOpen()) {
        deliverLater([this] { emit linkLost(); });
        return;
    }
    if (exchange.listenOnly) {
        m_state = State::WaitingForReply;
        m_heard.clear();
        m_sinceFrameSent.start();
        listen();
        return;
    }
    if (const qint64 waiting = m_line->collectWaitingBytes(); waiting > 0) {
        // A late or second answer to an earlier frame, or noise: taken as this frame's answer, it would
        // confirm a frame the terminal never got. Bytes that arrive before the outcome is delivered are
        // no reply either: no frame went out.
        m_state = State::OutcomePending;
        const QByteArray early = m_line->read(waiting);
        qCDebug(lcLink).noquote() << "RX (waiting before the frame)" << early.toHex(' ');
        deliverLater([this, early] {
            finishExchange({.kind = ExchangeOutcome::Kind::WrongReply, .reply = early, .beforeFrame = true});
        });
        return;
    }
    m_state = State::WaitingForReply;
    const QByteArray address(1, char(exchange.addressByte));
    m_sent = address + exchange.commandFrame;
    m_echoSettled = false;
    m_echoHeard = false;
    if (exchange.pauseFirst) {
        writeToLine(address);
        writeToLine(exchange.commandFrame);
    } else {
        writeToLine(address + exchange.commandFrame);
    }
    if (m_state != State::WaitingForReply)
        return;  // the write failed and the link is gone
    m_sinceFrameSent.start();
    m_limitNs = std::chrono::nanoseconds(m_exchange.replyLimit).count();
    if (m_exchange.limitFromFrameEnd)
        m_limitNs += frameOnWireNs(1 + exchange.commandFrame.size()) + std::chrono::nanoseconds(m_line->replyAllowance()).count();
    m_replyTimer.start(std::chrono::milliseconds((m_limitNs + 999'999) / 1'000'000));
}

void SerialLink::releaseLink()
{
    ++m_generation;
    m_replyTimer.stop();
    m_echoGrace.stop();
    const bool opening = std::exchange(m_state, State::Idle) == State::Opening;
    if (opening)
        m_line->close();  // abandons the open under way
    if (!m_line->isOpen())
        return;
    if (lcLink().isDebugEnabled() && m_line->bytesAvailable() > 0)
        qCDebug(lcLink).noquote() << "RX (discarded)" << m_line->peek(m_line->bytesAvailable()).toHex(' ');
    m_line->close();
    qCDebug(lcLink) << "closed" << m_line->portName();
}

bool SerialLink::isOpen() const
{
    return m_line->isOpen();
}

void SerialLink::writeToLine(const QByteArray &bytes)
{
    qCDebug(lcLink).noquote() << "TX" << bytes.toHex(' ');
    m_line->write(bytes);
}

void SerialLink::listen()
{
    if (m_line->collectWaitingBytes() > 0) {
        const QByteArray bytes = m_line->read(m_line->bytesAvailable());
        qCDebug(lcLink).noquote() << "RX (heard)" << bytes.toHex(' ');
        m_heard += bytes;
    }
    // Each byte heard starts the quiet time afresh.
    m_replyTimer.start(m_exchange.replyLimit);
}

void SerialLink::checkReply()
{
    if (m_state == State::WaitingForReply && m_exchange.listenOnly) {
        if (m_sinceFrameSent.elapsed() < (m_exchange.replyLimit + TerminalReplyLimit).count())
            listen();
        return;
    }
    proceedWithReply(false);
}

void SerialLink::proceedWithReply(bool final)
{
    if (m_state != State::WaitingForReply || (!m_echoSettled && !settleEcho(final)) || !m_echoSettled)
        return;
    // However late this runs, the bytes are on the line already: a reply that came in time counts.
    if (m_line->bytesAvailable() >= m_exchange.replyLength)
        readReply();
}

EchoExpected SerialLink::echoExpected() const
{
    switch (echoMode()) {
    case EchoMode::On:
        return EchoExpected::Yes;
    case EchoMode::Off:
        return EchoExpected::No;
    case EchoMode::Auto:
        break;
    }
    return !m_lineEchoes ? EchoExpected::Unknown : *m_lineEchoes ? EchoExpected::Yes : EchoExpected::No;
}

bool SerialLink::settleEcho(bool final)
{
    const QByteArray received = m_line->peek(m_line->bytesAvailable());
    const EchoExpected expected = echoExpected();
    const auto remembered = expected == EchoExpected::Unknown ? knownEcho(LineIdentity::of(m_line->portName())) : std::nullopt;
    const EchoVerdict verdict = echoVerdict(m_sent, received, expected, m_exchange.replyLength, final, remembered);
    switch (verdict) {
    case EchoVerdict::NeedMore:
        // A line not known yet: an echo comes back as the frame goes out, so the whole of it is in by the
        // frame's time on the wire after it was sent (and the line's own delay, a network port's round trip).
        // Counted from the frame, not from these bytes: a terminal's 1-byte answer, which came after the
        // terminal heard the whole frame, then waits only the margin, not the frame's time again.
        if (received.size() >= m_exchange.replyLength && expected == EchoExpected::Unknown && !m_echoGrace.isActive()) {
            const qint64 graceNs = frameOnWireNs(m_sent.size()) + std::chrono::nanoseconds(EchoGraceMargin).count()
                                   + std::chrono::nanoseconds(m_line->replyAllowance()).count()
                                   - m_sinceFrameSent.nsecsElapsed();
            m_echoGrace.start(std::chrono::milliseconds(std::max<qint64>(graceNs, 0) / 1'000'000 + 1));
        }
        return true;
    case EchoVerdict::Echo: {
        m_echoGrace.stop();
        const QByteArray echo = m_line->read(m_sent.size());
        qCDebug(lcLink).noquote() << "RX (echo)" << echo.toHex(' ');
        m_echoSettled = true;
        m_echoHeard = true;
        if (echoMode() == EchoMode::Auto) {
            m_lineEchoes = true;
            noteEcho(LineIdentity::of(m_line->portName()), true);
        }
        // The terminal hears the frame as its echo ends: a short wait counts from there.
        if (m_exchange.limitFromFrameEnd) {
            m_sinceFrameSent.start();
            m_limitNs = std::chrono::nanoseconds(m_exchange.replyLimit).count()
                        + std::chrono::nanoseconds(m_line->replyAllowance()).count();
            m_replyTimer.start(std::chrono::milliseconds((m_limitNs + 999'999) / 1'000'000));
        }
        return true;
    }
    case EchoVerdict::NoEcho:
        m_echoGrace.stop();
        m_echoSettled = true;
        return true;
    case EchoVerdict::Differs:
    case EchoVerdict::Missing:
        m_echoGrace.stop();
        const QByteArray heard = m_line->read(m_line->bytesAvailable());
        qCDebug(lcLink).noquote() << "RX (not the echo of the frame)" << heard.toHex(' ');
        finishExchange({ExchangeOutcome::Kind::WrongReply, heard,
                        verdict == EchoVerdict::Missing ? ExchangeOutcome::Echo::Missing : ExchangeOutcome::Echo::Differs});
        return false;
    }
    return true;
}

void SerialLink::onEchoGrace()
{
    if (m_state != State::WaitingForReply || m_echoSettled)
        return;
    m_line->collectWaitingBytes();
    proceedWithReply(true);
}

void SerialLink::readReply()
{
    const QByteArray reply = m_line->read(m_exchange.replyLength);
    qCDebug(lcLink).noquote() << "RX" << reply.toHex(' ');
    const bool fromAddressee = quint8(reply.at(0)) == m_exchange.addressByte;
    if (fromAddressee && !m_echoHeard && echoMode() == EchoMode::Auto) {
        m_lineEchoes = false;
        noteEcho(LineIdentity::of(m_line->portName()), false);
    }
    finishExchange({fromAddressee ? ExchangeOutcome::Kind::Replied : ExchangeOutcome::Kind::WrongReply, reply});
}

void SerialLink::onReplyTimer()
{
    if (m_state != State::WaitingForReply)
        return;
    if (m_exchange.listenOnly) {
        const bool talking = m_line->collectWaitingBytes() > 0;
        if (talking && m_sinceFrameSent.elapsed() < (m_exchange.replyLimit + TerminalReplyLimit).count()) {
            listen();
            return;
        }
        const QByteArray heard = std::exchange(m_heard, {});
        finishExchange({.kind = heard.isEmpty() ? ExchangeOutcome::Kind::TimedOut : ExchangeOutcome::Kind::WrongReply,
                        .reply = heard,
                        .lineTalking = talking});
        return;
    }
    const qint64 elapsedNs = m_sinceFrameSent.nsecsElapsed();
    const qint64 limitNs = replyLimitNs();
    if (elapsedNs <= limitNs) {
        // A timer may fire a fraction of a millisecond early; exactly the limit is still in time.
        m_replyTimer.start(std::chrono::milliseconds((limitNs - elapsedNs) / 1'000'000 + 1));
        return;
    }
    // A thread kept busy (a large picture decoded, a slow redraw) hears of arrived bytes only when its event
    // loop runs again, possibly after this timer: the driver is asked what it already holds first.
    m_line->collectWaitingBytes();
    if (!m_echoSettled && !settleEcho(true))
        return;
    if (m_echoSettled && m_line->bytesAvailable() >= m_exchange.replyLength) {
        readReply();
        return;
    }
    ExchangeOutcome::Echo echo = ExchangeOutcome::Echo::None;
    if (m_echoHeard)
        echo = ExchangeOutcome::Echo::Only;
    else if (echoMode() == EchoMode::On && m_line->bytesAvailable() == 0)
        echo = ExchangeOutcome::Echo::Missing;
    finishExchange({ExchangeOutcome::Kind::TimedOut, {}, echo});
}

qint64 SerialLink::replyLimitNs() const
{
    return m_limitNs;
}

qint64 SerialLink::frameOnWireNs(qint64 bytes)
{
    // 8N1: a start bit, eight data bits and a stop bit for every byte, at the terminal's 9600 baud.
    return bytes * 10 * 1'000'000'000 / 9600;
}

void SerialLink::finishExchange(const ExchangeOutcome &outcome)
{
    m_replyTimer.stop();
    m_echoGrace.stop();
    m_state = State::Idle;
    emit exchangeFinished(outcome);
}

void SerialLink::onLineFault(SerialLine::Fault fault, const QString &description)
{
    ++m_portErrorCount;
    qCDebug(lcLink).noquote() << "port error" << description;
    // Qt 6.4 keeps reporting a vanished device; stop listening at the first report.
    if (fault == SerialLine::Fault::Broken && m_line->isOpen()) {
        // An answer that came with the hang-up is still the answer: what arrived before it is decided on
        // as at the end of the wait, an echo still in doubt included.
        if (m_state == State::WaitingForReply && !m_exchange.listenOnly) {
            m_line->collectWaitingBytes();
            proceedWithReply(true);
        }
        loseLink();
    }
}

void SerialLink::loseLink()
{
    const bool wasExchanging = m_state != State::Idle;
    m_replyTimer.stop();
    m_echoGrace.stop();
    m_state = State::Idle;
    m_line->close();
    ++m_generation;
    if (wasExchanging)
        deliverLater([this] { emit linkLost(); });
}

void SerialLink::deliverLater(std::function<void()> action)
{
    // Outcomes are never delivered from inside the call that started the exchange, and an outcome
    // belonging to an exchange that has since been released or replaced is dropped.
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation, action = std::move(action)] {
            if (generation == m_generation)
                action();
        },
        Qt::QueuedConnection);
}
