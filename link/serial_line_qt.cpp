#include "serial_line_qt.h"

#include "local_opening.h"
#include "port_catalogue.h"

#include <QFileInfo>
#include <QMetaEnum>
#include <QThread>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr qint32 LineBaudRate = 9600;  // 9600 8N1 is what every terminal of this kind speaks

// The file Qt SerialPort opens for a port name: a short name such as "ttyUSB0" or "pts/2" lives below /dev.
QString deviceFileFor(const QString &portName)
{
    if (portName.startsWith(u'/') || portName.startsWith(u"./") || portName.startsWith(u"../"))
        return portName;
    return QStringLiteral("/dev/") + portName;
}

// A terminal device; /dev/null, a disk or a plain file is not one.
bool isTerminalDevice(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true;  // cannot tell: the open failure itself says more
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    return terminal;
}

// Why Qt SerialPort did not open the port.
OpenFailure classifyOpenFailure(const QSerialPort &port, const QString &deviceName)
{
    const QString path = deviceFileFor(deviceName);
    const QFileInfo device(path);
    if (!device.exists() || port.error() == QSerialPort::DeviceNotFoundError)
        return OpenFailure::NoSuchPort;
    if (device.isDir())
        return OpenFailure::Folder;
    if (!device.isReadable() || !device.isWritable())
        return OpenFailure::PermissionDenied;
    if (!isTerminalDevice(path))
        return OpenFailure::NotSerialPort;
    // Qt's lock file, or a port opened for exclusive use, is another program's.
    if (port.error() == QSerialPort::PermissionError)
        return OpenFailure::PortBusy;
    return OpenFailure::Other;
}
} // namespace

// One open of the port, on the line's thread (open()) or on a thread of its own (openLater()).
struct QtSerialLine::Opening
{
    explicit Opening(QString deviceName) : name(std::move(deviceName)) {}
    ~Opening() { release(); }

    // Makes and opens the port; on another thread than `home`, moves it there unless given up meanwhile.
    void run(QThread *home);
    // Asks the driver to switch the RS-485 direction itself; false when it cannot.
    bool switchRs485On();
    // Closes a port opened and not taken over, its driver's RS-485 settings put back first.
    void release();

    const QString name;
    std::unique_ptr<QSerialPort> port;
    std::optional<OpenFailure> failure;
#ifdef Q_OS_LINUX
    std::optional<DriverRs485> rs485;
#endif
    std::atomic<bool> givenUp = false;
};

void QtSerialLine::Opening::run(QThread *home)
{
    waitForLocalOpenHold(name);
    port = std::make_unique<QSerialPort>();
    port->setPortName(name);
    port->setBaudRate(LineBaudRate);
    port->setParity(QSerialPort::NoParity);
    port->setDataBits(QSerialPort::Data8);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);

    // Asked before Qt's serial port takes its own lock: Qt takes a UUCP lock (ser2net's, minicom's) and one
    // of its own format recording another program name for stale, deletes it whatever process holds it, and
    // opens; run as root or as the lock's owner, it takes the port from under a running ser2net.
    if (const auto holder = lockHolder(LineIdentity::of(name))) {
        qCDebug(lcLink) << "open" << name << "refused: locked by" << *holder;
        failure = OpenFailure::PortBusy;
        port.reset();
        return;
    }
    if (!port->open(QIODevice::ReadWrite)) {
        qCDebug(lcLink) << "open" << name << "failed:" << port->errorString();
        failure = classifyOpenFailure(*port, name);
        port.reset();
        return;
    }
    // The driver may still hold bytes that arrived while nobody had the port open; a command must
    // start with an empty receive side.
    port->clear(QSerialPort::Input);
    if (rs485Direction() && !switchRs485On()) {
        failure = OpenFailure::Rs485Unsupported;
        release();
        return;
    }
    if (home == QThread::currentThread())
        return;
    if (givenUp) {
        release();
        return;
    }
    port->moveToThread(home);
}

bool QtSerialLine::Opening::switchRs485On()
{
#ifdef Q_OS_LINUX
    rs485 = DriverRs485::switchOn(int(port->handle()));
    if (const int reason = errno; !rs485)
        qCDebug(lcLink) << "open" << name << "refused: no RS-485 direction from the driver:" << qt_error_string(reason);
    return rs485.has_value();
#else
    return false;  // no driver call for it on this system
#endif
}

void QtSerialLine::Opening::release()
{
    if (!port)
        return;
#ifdef Q_OS_LINUX
    if (rs485 && port->isOpen())
        rs485->putBack(int(port->handle()));
    rs485.reset();
#endif
    // Given up after it moved to the line's thread and dropped last on the opening's: closed where it lives.
    if (port->thread() == QThread::currentThread())
        port.reset();
    else
        port.release()->deleteLater();
}

std::unique_ptr<SerialLine> makeLocalSerialLine()
{
    return std::make_unique<QtSerialLine>();
}

QtSerialLine::QtSerialLine() = default;

QtSerialLine::~QtSerialLine()
{
    close();
}

std::shared_ptr<QtSerialLine::Opening> QtSerialLine::startOpening(const QString &deviceName)
{
    close();
    m_name = deviceName;
    return std::make_shared<Opening>(deviceName);
}

std::optional<OpenFailure> QtSerialLine::open(const QString &deviceName)
{
    const auto opening = startOpening(deviceName);
    opening->run(thread());
    return takeOver(*opening);
}

void QtSerialLine::openLater(const QString &deviceName)
{
    const auto opening = startOpening(deviceName);
    m_opening = opening;
    openOffThread(this, [opening, home = thread()] { opening->run(home); }, [this, opening] {
        if (m_opening != opening)
            return;  // closed or opened anew since: the opening closes its port as it goes
        m_opening.reset();
        emit opened(takeOver(*opening));
    });
}

std::optional<OpenFailure> QtSerialLine::takeOver(Opening &opening)
{
    if (opening.failure)
        return opening.failure;
    // The port before may be the one whose signal closed it: it goes once that signal is over.
    if (m_port)
        m_port.release()->deleteLater();
    m_port = std::move(opening.port);
#ifdef Q_OS_LINUX
    m_rs485 = std::exchange(opening.rs485, std::nullopt);
#endif
    connect(m_port.get(), &QSerialPort::readyRead, this, [this] {
        if (!m_collecting)
            emit readyRead();
    });
    connect(m_port.get(), &QSerialPort::errorOccurred, this, &QtSerialLine::onPortError);
    return std::nullopt;
}

void QtSerialLine::close()
{
    if (m_opening) {
        m_opening->givenUp = true;
        m_opening.reset();
    }
    // QSerialPort reports closing a closed port as an error.
    if (!m_port || !m_port->isOpen())
        return;
#ifdef Q_OS_LINUX
    if (m_rs485)
        m_rs485->putBack(int(m_port->handle()));
    m_rs485.reset();
#endif
    m_port->close();
}

bool QtSerialLine::isOpen() const
{
    return m_port && m_port->isOpen();
}

QString QtSerialLine::portName() const
{
    return m_name;
}

void QtSerialLine::write(const QByteArray &bytes)
{
    if (!isOpen())
        return;
    m_port->write(bytes);
    // Hand the bytes to the driver now: nothing queued is ever discarded, so a frame reaches the line whole.
    m_port->flush();
}

qint64 QtSerialLine::bytesAvailable() const
{
    return m_port ? m_port->bytesAvailable() : 0;
}

QByteArray QtSerialLine::read(qint64 maxSize)
{
    return m_port ? m_port->read(maxSize) : QByteArray();
}

QByteArray QtSerialLine::peek(qint64 maxSize)
{
    return m_port ? m_port->peek(maxSize) : QByteArray();
}

qint64 QtSerialLine::collectWaitingBytes()
{
    // Asked first, so that the zero-time wait below only ever runs with bytes to read: a wait that finds
    // nothing would report a time-out error.
    int waiting = 0;
    if (isOpen() && ::ioctl(m_port->handle(), FIONREAD, &waiting) == 0 && waiting > 0) {
        m_collecting = true;
        m_port->waitForReadyRead(0);  // reads what is there; never waits
        m_collecting = false;
    }
    return bytesAvailable();
}

bool QtSerialLine::lineStillThere() const
{
    pollfd line{m_port->handle(), POLLIN, 0};
    return ::poll(&line, 1, 0) >= 0 && (line.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
}

void QtSerialLine::onPortError(QSerialPort::SerialPortError error)
{
    const QString description = QStringLiteral("%1 (%2)").arg(
        QString::fromLatin1(QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(error)), m_port->errorString());
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        // Another program reading the same device (cat, a terminal emulator) took the bytes first: the
        // read would have blocked (a resource error), or found nothing, which a raw line with no minimum
        // count reports as a read of nothing (a read error). That is no data, not a lost device. Qt stops
        // listening on a resource error; setting the read buffer size again makes it listen again.
        if (m_port->isOpen() && lineStillThere()) {
            m_port->clearError();
            m_port->setReadBufferSize(m_port->readBufferSize());
            emit faultOccurred(Fault::Harmless, description);
            return;
        }
        emit faultOccurred(Fault::Broken, description);
        return;
    case QSerialPort::WriteError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::UnknownError:
        emit faultOccurred(Fault::Broken, description);
        return;
    case QSerialPort::UnsupportedOperationError:  // modem lines on a port that has none (a pty)
    case QSerialPort::TimeoutError:
    case QSerialPort::PermissionError:  // open failures are reported by open()
    case QSerialPort::OpenError:
    case QSerialPort::NotOpenError:
        emit faultOccurred(Fault::Harmless, description);
        return;
    }
}
