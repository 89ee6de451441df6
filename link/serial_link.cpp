#include "serial_link.h"

#include <QFileInfo>
#include <QMetaObject>

Q_LOGGING_CATEGORY(lcLink, "timeclock.link", QtWarningMsg)

namespace {
constexpr qint32 LineBaudRate = 9600;  // 9600 8N1 is what every terminal of this kind speaks
constexpr qint64 ReplyLimitNs = std::chrono::nanoseconds(SerialLink::ReplyLimit).count();
} // namespace

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
{
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &SerialLink::onReplyTimer);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::checkReply);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::onPortError);
}

SerialLink::~SerialLink()
{
    releaseLink();
}

std::optional<OpenFailure> SerialLink::prepareLink(bool closeFirst, const QString &deviceName)
{
    if (closeFirst && m_port.isOpen())
        releaseLink();
    m_replyTimer.stop();
    m_state = State::Idle;
    if (deviceName.isEmpty())
        return OpenFailure::NoSuchPort;

    if (!m_port.isOpen())
        m_port.setPortName(deviceName);
    m_port.setBaudRate(LineBaudRate);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.isOpen())
        return std::nullopt;

    if (!m_port.open(QIODevice::ReadWrite)) {
        qCDebug(lcLink) << "open" << deviceName << "failed:" << m_port.errorString();
        return classifyOpenFailure(deviceName);
    }
    // The driver may still hold bytes that arrived while nobody had the port open; a command must
    // start with an empty receive side.
    m_port.clear(QSerialPort::Input);
    qCDebug(lcLink) << "opened" << deviceName;
    return std::nullopt;
}

void SerialLink::transact(const Exchange &exchange)
{
    Q_ASSERT(m_state == State::Idle);
    ++m_generation;
    m_exchange = exchange;
    if (!m_port.isOpen()) {
        deliverLater([this] { emit linkLost(); });
        return;
    }
    m_state = State::WaitingForReply;
    const QByteArray address(1, char(exchange.addressByte));
    if (exchange.pauseFirst) {
        writeToLine(address);
        writeToLine(exchange.commandFrame);
    } else {
        writeToLine(address + exchange.commandFrame);
    }
    if (m_state != State::WaitingForReply)
        return;  // the write failed and the link is gone
    m_sinceFrameSent.start();
    m_replyTimer.start(ReplyLimit);
    // Bytes left over from the previous exchange of this command count towards this reply; anything newer
    // announces itself with readyRead.
    if (m_port.bytesAvailable() > 0)
        deliverLater([this] { checkReply(); });
}

void SerialLink::releaseLink()
{
    ++m_generation;
    m_replyTimer.stop();
    m_state = State::Idle;
    if (!m_port.isOpen())
        return;
    if (lcLink().isDebugEnabled() && m_port.bytesAvailable() > 0)
        qCDebug(lcLink).noquote() << "RX (discarded)" << m_port.peek(m_port.bytesAvailable()).toHex(' ');
    m_port.close();
    qCDebug(lcLink) << "closed" << m_port.portName();
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialLink::writeToLine(const QByteArray &bytes)
{
    qCDebug(lcLink).noquote() << "TX" << bytes.toHex(' ');
    m_port.write(bytes);
    // Hand the bytes to the driver now: nothing queued is ever discarded, so a frame reaches the line whole.
    m_port.flush();
}

void SerialLink::checkReply()
{
    if (m_state != State::WaitingForReply || m_port.bytesAvailable() < m_exchange.replyLength)
        return;
    if (replyLimitPassed()) {
        finishExchange({ExchangeOutcome::Kind::TimedOut, {}});
        return;
    }
    const QByteArray reply = m_port.read(m_exchange.replyLength);
    qCDebug(lcLink).noquote() << "RX" << reply.toHex(' ');
    const bool fromAddressee = quint8(reply.at(0)) == m_exchange.addressByte;
    finishExchange({fromAddressee ? ExchangeOutcome::Kind::Replied : ExchangeOutcome::Kind::WrongReply, reply});
}

void SerialLink::onReplyTimer()
{
    if (m_state != State::WaitingForReply)
        return;
    const qint64 elapsedNs = m_sinceFrameSent.nsecsElapsed();
    if (elapsedNs <= ReplyLimitNs) {
        // A timer may fire a fraction of a millisecond early; exactly the limit is still in time.
        m_replyTimer.start(std::chrono::milliseconds((ReplyLimitNs - elapsedNs) / 1'000'000 + 1));
        return;
    }
    finishExchange({ExchangeOutcome::Kind::TimedOut, {}});
}

bool SerialLink::replyLimitPassed() const
{
    return m_sinceFrameSent.nsecsElapsed() > ReplyLimitNs;
}

void SerialLink::finishExchange(const ExchangeOutcome &outcome)
{
    m_replyTimer.stop();
    m_state = State::Idle;
    emit exchangeFinished(outcome);
}

void SerialLink::onPortError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    ++m_portErrorCount;
    qCDebug(lcLink) << "port error" << error << m_port.errorString();
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::UnknownError:
        // Qt 6.4 keeps reporting a vanished device; stop listening at the first report.
        if (m_port.isOpen())
            loseLink();
        return;
    case QSerialPort::UnsupportedOperationError:  // modem lines on a port that has none (a pty)
    case QSerialPort::TimeoutError:
    case QSerialPort::PermissionError:  // open failures are reported by prepareLink
    case QSerialPort::OpenError:
    case QSerialPort::NotOpenError:
    case QSerialPort::NoError:
        return;
    }
}

void SerialLink::loseLink()
{
    const bool wasExchanging = m_state == State::WaitingForReply;
    m_replyTimer.stop();
    m_state = State::Idle;
    m_port.close();
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

OpenFailure SerialLink::classifyOpenFailure(const QString &deviceName) const
{
    const QFileInfo device(deviceName);
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NoSuchPort;
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        // Windows answers "access denied" when another program holds the port.
        return OpenFailure::PortBusy;
#else
        if (!device.exists())
            return OpenFailure::NoSuchPort;
        if (!device.isReadable() || !device.isWritable())
            return OpenFailure::PermissionDenied;
        return OpenFailure::PortBusy;
#endif
    default:
#ifndef Q_OS_WIN
        if (!device.exists())
            return OpenFailure::NoSuchPort;
#endif
        return OpenFailure::Other;
    }
}
