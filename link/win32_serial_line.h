#pragma once

#include "serial_line.h"

#include <QByteArray>
#include <QString>

#include <thread>

// The serial line through the Win32 API: the port opened for overlapped I/O, a reader thread that waits in
// ReadFile until a byte arrives and hands bytes and failures to this object's thread by queued signals,
// and writes by WriteFile from this object's thread.
class Win32SerialLine : public SerialLine
{
    Q_OBJECT

public:
    Win32SerialLine();
    ~Win32SerialLine() override;

    std::optional<OpenFailure> open(const QString &deviceName) override;
    void close() override;
    bool isOpen() const override;
    QString portName() const override;
    void write(const QByteArray &bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    QByteArray peek(qint64 maxSize) override;

    // The path CreateFileW needs for a port name: "COM12" → "\\.\COM12"; a path given whole stays as it is.
    static QString devicePath(const QString &portName);

signals:
    // From the reader thread; `session` tells one opening of the port from the next.
    void bytesArrived(const QByteArray &bytes, quint64 session, QPrivateSignal);
    void readFailed(quint32 systemError, quint64 session, QPrivateSignal);

private:
    void readLoop(void *port, void *readEvent, void *stopEvent, quint64 session);
    void onBytesArrived(const QByteArray &bytes, quint64 session);
    void onReadFailed(quint32 systemError, quint64 session);
    bool applySettings();
    void releaseHandles();
    void fail(const QString &description);

    void *m_port = nullptr;       // HANDLE; INVALID_HANDLE_VALUE is never stored
    void *m_stopReader = nullptr; // HANDLE of the event that ends the reader thread
    void *m_readEvent = nullptr;  // HANDLE of the event of the reader thread's overlapped reads
    std::thread m_reader;
    quint64 m_session = 0;
    QString m_portName;
    QByteArray m_received;
};
