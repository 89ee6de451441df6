#include "serial_line_qt.h"

#include "port_catalogue.h"

#include <QFileInfo>
#include <QMetaEnum>

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
} // namespace

std::unique_ptr<SerialLine> makeLocalSerialLine()
{
    return std::make_unique<QtSerialLine>();
}

QtSerialLine::QtSerialLine()
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        if (!m_collecting)
            emit readyRead();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLine::onPortError);
}

std::optional<OpenFailure> QtSerialLine::open(const QString &deviceName)
{
    m_port.setPortName(deviceName);
    m_port.setBaudRate(LineBaudRate);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);

    // Asked before Qt's serial port takes its own lock: Qt takes a UUCP lock (ser2net's, minicom's) and one
    // of its own format recording another program name for stale, deletes it whatever process holds it, and
    // opens; run as root or as the lock's owner, it takes the port from under a running ser2net.
    if (const auto holder = lockHolder(LineIdentity::of(deviceName))) {
        qCDebug(lcLink) << "open" << deviceName << "refused: locked by" << *holder;
        return OpenFailure::PortBusy;
    }
    if (!m_port.open(QIODevice::ReadWrite)) {
        qCDebug(lcLink) << "open" << deviceName << "failed:" << m_port.errorString();
        return classifyOpenFailure(deviceName);
    }
    // The driver may still hold bytes that arrived while nobody had the port open; a command must
    // start with an empty receive side.
    m_port.clear(QSerialPort::Input);
    return std::nullopt;
}

void QtSerialLine::close()
{
    // QSerialPort reports closing a closed port as an error.
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialLine::isOpen() const
{
    return m_port.isOpen();
}

QString QtSerialLine::portName() const
{
    return m_port.portName();
}

void QtSerialLine::write(const QByteArray &bytes)
{
    m_port.write(bytes);
    // Hand the bytes to the driver now: nothing queued is ever discarded, so a frame reaches the line whole.
    m_port.flush();
}

qint64 QtSerialLine::bytesAvailable() const
{
    return m_port.bytesAvailable();
}

QByteArray QtSerialLine::read(qint64 maxSize)
{
    return m_port.read(maxSize);
}

QByteArray QtSerialLine::peek(qint64 maxSize)
{
    return m_port.peek(maxSize);
}

qint64 QtSerialLine::collectWaitingBytes()
{
    // Asked first, so that the zero-time wait below only ever runs with bytes to read: a wait that finds
    // nothing would report a time-out error.
    int waiting = 0;
    if (m_port.isOpen() && ::ioctl(m_port.handle(), FIONREAD, &waiting) == 0 && waiting > 0) {
        m_collecting = true;
        m_port.waitForReadyRead(0);  // reads what is there; never waits
        m_collecting = false;
    }
    return m_port.bytesAvailable();
}

bool QtSerialLine::lineStillThere() const
{
    pollfd line{m_port.handle(), POLLIN, 0};
    return ::poll(&line, 1, 0) >= 0 && (line.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
}

void QtSerialLine::onPortError(QSerialPort::SerialPortError error)
{
    const QString description = QStringLiteral("%1 (%2)").arg(
        QString::fromLatin1(QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(error)), m_port.errorString());
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        // Another program reading the same device (cat, a terminal emulator) took the bytes first: the
        // read would have blocked (a resource error), or found nothing, which a raw line with no minimum
        // count reports as a read of nothing (a read error). That is no data, not a lost device. Qt stops
        // listening on a resource error; setting the read buffer size again makes it listen again.
        if (m_port.isOpen() && lineStillThere()) {
            m_port.clearError();
            m_port.setReadBufferSize(m_port.readBufferSize());
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

OpenFailure QtSerialLine::classifyOpenFailure(const QString &deviceName) const
{
    const QString path = deviceFileFor(deviceName);
    const QFileInfo device(path);
    if (!device.exists() || m_port.error() == QSerialPort::DeviceNotFoundError)
        return OpenFailure::NoSuchPort;
    if (device.isDir())
        return OpenFailure::Folder;
    if (!device.isReadable() || !device.isWritable())
        return OpenFailure::PermissionDenied;
    if (!isTerminalDevice(path))
        return OpenFailure::NotSerialPort;
    // Qt's lock file, or a port opened for exclusive use, is another program's.
    if (m_port.error() == QSerialPort::PermissionError)
        return OpenFailure::PortBusy;
    return OpenFailure::Other;
}
