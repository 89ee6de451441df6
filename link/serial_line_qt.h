#pragma once

#include "rs485_direction.h"
#include "serial_line.h"

#include <QSerialPort>

#include <memory>
#include <optional>

// The serial line through Qt SerialPort.
class QtSerialLine : public SerialLine
{
    Q_OBJECT

public:
    QtSerialLine();
    ~QtSerialLine() override;

    std::optional<OpenFailure> open(const QString &deviceName) override;
    // The same on a thread of its own (see local_opening.h): the port is made and opened there, then moved
    // to this line's thread, since a QSerialPort is only ever used from the thread it lives in.
    void openLater(const QString &deviceName) override;
    void close() override;
    bool isOpen() const override;
    QString portName() const override;
    void write(const QByteArray &bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    QByteArray peek(qint64 maxSize) override;
    qint64 collectWaitingBytes() override;

private:
    struct Opening;

    std::shared_ptr<Opening> startOpening(const QString &deviceName);
    std::optional<OpenFailure> takeOver(Opening &opening);
    void onPortError(QSerialPort::SerialPortError error);
    bool lineStillThere() const;

    QString m_name;
    // Made afresh by every open; kept after close(), which may come from the port's own signal.
    std::unique_ptr<QSerialPort> m_port;
#ifdef Q_OS_LINUX
    std::optional<DriverRs485> m_rs485;  // the driver switches the direction: put back on close
#endif
    std::shared_ptr<Opening> m_opening;  // an open under way on its own thread
    bool m_collecting = false;  // readyRead is held back while collectWaitingBytes() reads
};
