#include "network_line.h"

#include "network_opening.h"
#include "socket_calls.h"

#include <QMetaObject>
#include <QScopedValueRollback>
#include <QThread>

NetworkLine::NetworkLine() = default;

NetworkLine::~NetworkLine()
{
    close();
}

std::shared_ptr<NetworkOpening> NetworkLine::startOpening(const QString &deviceName)
{
    close();
    m_name = deviceName;
    m_failureDetail.clear();
    return std::make_shared<NetworkOpening>(deviceName);
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

std::optional<OpenFailure> NetworkLine::takeOver(NetworkOpening &opening)
{
    if (opening.failure) {
        m_failureDetail = opening.failureDetail;
        return opening.failure;
    }
    m_connection = std::exchange(opening.connection, NetworkConnection());
    ++m_connectionNumber;
    m_readNotifier = std::make_unique<QSocketNotifier>(m_connection.socket, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &NetworkLine::onReadable);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_connection.socket, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(m_connection.hasToSend());
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
    m_lost = false;
}

bool NetworkLine::isOpen() const
{
    return m_connection.socket != -1 && m_readNotifier != nullptr;
}

// One read per notification, as QSocketNotifier expects (it fires again while more is waiting), so a peer
// that never stops sending cannot keep the thread here; and nothing more is read once HeldLimit bytes wait
// unread, as Qt's serial port stops reading when its buffer is full.
void NetworkLine::onReadable()
{
    if (m_lost)
        return;
    const QScopedValueRollback inNotifier(m_inNotifier, true);
    if (m_connection.received.size() >= HeldLimit) {
        m_readNotifier->setEnabled(false);  // until read() makes room
        return;
    }
    const qsizetype before = m_connection.received.size();
    const NetworkConnection::Taken taken = m_connection.takeIn();
    if (taken == NetworkConnection::Taken::Closed) {
        loseConnection(tr("服务器断开了连接"));
        return;
    }
    if (taken == NetworkConnection::Taken::Failed) {
        loseConnection(SocketCalls::errorText(SocketCalls::lastError()));
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(m_connection.hasToSend());
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
    m_lost = true;
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    // Heard once: the link closes the line on this report, so the line is still open while it is made.
    // Found while the link asks what is waiting before a frame, it comes once that frame is under way, so
    // the frame ends as a lost port rather than as a terminal that did not answer.
    if (m_collecting) {
        QMetaObject::invokeMethod(this, [this, description, connection = m_connectionNumber] {
            if (connection == m_connectionNumber && isOpen())
                emit faultOccurred(Fault::Broken, description);
        }, Qt::QueuedConnection);
        return;
    }
    emit faultOccurred(Fault::Broken, description);
}

QByteArray NetworkLine::read(qint64 maxSize)
{
    const QByteArray bytes = m_connection.received.left(maxSize);
    m_connection.received.remove(0, bytes.size());
    if (m_readNotifier && !m_lost && m_connection.received.size() < HeldLimit)
        m_readNotifier->setEnabled(true);
    return bytes;
}

void NetworkLine::write(const QByteArray &bytes)
{
    if (!isOpen())
        return;
    if (m_lost) {
        qCDebug(lcLink).noquote() << "not sent, the connection is lost:" << bytes.toHex(' ');
        return;
    }
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
    if (m_lost)
        return;
    if (const auto error = m_connection.sendPending()) {
        if (isOpen())
            loseConnection(SocketCalls::errorText(*error));
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(m_connection.hasToSend());
}

void NetworkLine::onWritable()
{
    const QScopedValueRollback inNotifier(m_inNotifier, true);
    sendPending();
}
