#include "serial_line_qt.h"

#include <QFileInfo>
#include <QMetaEnum>

namespace {
constexpr qint32 LineBaudRate = 9600;  // 9600 8N1 is what every terminal of this kind speaks
} // namespace

std::unique_ptr<SerialLine> makeSerialLine()
{
    return std::make_unique<QtSerialLine>();
}

QtSerialLine::QtSerialLine()
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLine::onPortError);
}

std::optional<OpenFailure> QtSerialLine::open(const QString &deviceName)
{
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
    return std::nullopt;
}

void QtSerialLine::close()
{
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

void QtSerialLine::onPortError(QSerialPort::SerialPortError error)
{
    const QString description = QStringLiteral("%1 (%2)").arg(
        QString::fromLatin1(QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(error)), m_port.errorString());
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
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
    const QFileInfo device(deviceName);
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NoSuchPort;
    case QSerialPort::PermissionError:
        if (!device.exists())
            return OpenFailure::NoSuchPort;
        if (!device.isReadable() || !device.isWritable())
            return OpenFailure::PermissionDenied;
        return OpenFailure::PortBusy;
    default:
        if (!device.exists())
            return OpenFailure::NoSuchPort;
        return OpenFailure::Other;
    }
}
