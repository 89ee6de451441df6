#pragma once

#include "serial_line.h"

#include <QSerialPort>

// The serial line through Qt SerialPort.
class QtSerialLine : public SerialLine
{
    Q_OBJECT

public:
    QtSerialLine();

    std::optional<OpenFailure> open(const QString &deviceName) override;
    void close() override;
    bool isOpen() const override;
    QString portName() const override;
    void write(const QByteArray &bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    QByteArray peek(qint64 maxSize) override;
    qint64 collectWaitingBytes() override;

private:
    void onPortError(QSerialPort::SerialPortError error);
    OpenFailure classifyOpenFailure(const QString &deviceName) const;
    bool lineStillThere() const;

    QSerialPort m_port;
    bool m_collecting = false;  // readyRead is held back while collectWaitingBytes() reads
};
