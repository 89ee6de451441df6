#pragma once

#include "serial_line.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// The serial line through the Win32 API: the port opened for overlapped I/O, a reader thread that waits in
// ReadFile until a byte arrives, puts the bytes into one buffer under a lock and signals that they are
// there (failures by queued signal too), and writes by WriteFile from this object's thread. The port's own
// settings and time-outs are put back when it is closed.
class Win32SerialLine : public SerialLine
{
    Q_OBJECT

public:
    Win32SerialLine();
    ~Win32SerialLine() override;

    std::optional<OpenFailure> open(const QString &deviceName) override;
    // The same with CreateFileW on a thread of its own (see local_opening.h); the rest of the set-up follows
    // on this line's thread.
    void openLater(const QString &deviceName) override;
    void close() override;
    bool isOpen() const override;
    QString portName() const override;
    void write(const QByteArray &bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    QByteArray peek(qint64 maxSize) override;
    // Also what the reader thread holds and what the driver holds for it: the thread is given a moment to
    // hand those over.
    qint64 collectWaitingBytes() override;

    // The path CreateFileW needs for a port name: "COM12" → "\\.\COM12"; a path given whole stays as it is.
    static QString devicePath(const QString &portName);

signals:
    // From the reader thread; `session` tells one opening of the port from the next.
    void bytesHandedOver(quint64 session, QPrivateSignal);
    void readFailed(quint32 systemError, quint64 session, QPrivateSignal);

private:
    struct Opening;

    std::optional<OpenFailure> takeOver(Opening &opening);
    // The driver raises RTS while it sends (RTS_CONTROL_TOGGLE, --rs485); false when it refused or kept
    // another setting. Put back on close with the rest of the port's settings.
    bool switchRs485On();
    void readLoop(void *port, void *readEvent, void *stopEvent, quint64 session);
    void handOver(const QByteArray &bytes, quint64 session);
    void readerDone();
    void wakeCollector();
    void onBytesHandedOver(quint64 session);
    qint64 takeHandedOver();
    bool readerHoldsBytes() const;
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

    // Between the reader thread and this object's thread.
    mutable std::mutex m_handOverLock;
    std::condition_variable m_handOverChanged;
    QByteArray m_handedOver;      // read by the thread, not yet taken by this object
    bool m_readerTurn = false;    // the thread has read bytes that are not in m_handedOver yet
    bool m_readerRunning = false;

    struct PortSettings;
    std::unique_ptr<PortSettings> m_saved; // the port's settings before it was opened
    std::shared_ptr<Opening> m_opening;    // an open under way on its own thread
};
