#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// Open, close and every byte on the line, switched on by the trace option.
Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The trace option: every byte written and read, with a millisecond timestamp, on standard error.
void showLineTrace();

enum class OpenFailure {
    NoSuchPort,
    PermissionDenied,
    PortBusy,
    Other,
    Folder,         // the name is a folder's
    NotSerialPort,  // a file or a device that is no serial port (/dev/null)
    ConnectionFailed,  // a network port: the connection refused, or closed by the server while it was set up
    // A network port, each with its own words:
    AddressMalformed,      // the name is no network address (checked where the name enters; here too)
    HostNotFound,          // the host's name is not known, or not looked up in time
    ConnectionTimedOut,    // nothing answered the connection in time
    SettingsUnanswered,    // the RFC 2217 server did not confirm the port settings in time
    ComPortRefused,        // the Telnet server refused COM-PORT-OPTION: it cannot set the port
    BinaryRefused,         // the Telnet server refused BINARY: not every byte value would pass
    ServerPortSettings,    // the RFC 2217 server confirmed settings other than 9600 8N1
    Rs485Unsupported,      // --rs485, and the port's driver cannot switch the direction (or it is no local port)
};

// The serial port itself, as SerialLink uses it: opened at 9600 8N1, bytes written and read, closed.
// Qt SerialPort serves it on Linux; on Windows the program's own Win32 line does (Qt SerialPort's Windows
// code waits with WaitCommEvent, which Wine cannot serve on a pseudo-terminal), so SerialLink and
// everything above it stay one code path.
class SerialLine : public QObject
{
    Q_OBJECT

public:
    enum class Fault {
        Broken,    // the device failed or went away: the line is of no more use
        Harmless,  // reported, but no failure (modem lines on a port that has none, time-outs)
    };

    using QObject::QObject;

    // Applies 9600 8N1 and opens `deviceName` with an empty receive side. Returns the reason when the port
    // cannot be opened.
    virtual std::optional<OpenFailure> open(const QString &deviceName) = 0;
    // Opens as open() does, the result coming as opened(). A line whose open can take long (a network port's
    // connection, a local port whose driver holds the open) opens on a thread of its own and emits opened()
    // from the event loop, so the thread that asked is never held up; a line that opens at once may emit
    // opened() from inside this call. close() before then abandons the open: no opened() follows.
    virtual void openLater(const QString &deviceName) { emit opened(open(deviceName)); }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString portName() const = 0;

    // Hands the bytes to the driver before it returns; a failure is reported through faultOccurred.
    virtual void write(const QByteArray &bytes) = 0;

    // What has arrived and not been read yet; readyRead() announces more.
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maxSize) = 0;
    virtual QByteArray peek(qint64 maxSize) = 0;

    // Takes in, without waiting, what the driver already holds, and returns bytesAvailable(). Bytes that
    // arrive while the thread is busy are otherwise heard of only when its event loop runs again. No
    // readyRead is emitted for the bytes taken in here.
    virtual qint64 collectWaitingBytes() { return bytesAvailable(); }

    // What the line adds to every reply beyond the terminal's own time (a network port's measured round
    // trip); nothing for a local port. A short wait counted from the frame's end takes it on top.
    virtual std::chrono::microseconds replyAllowance() const { return std::chrono::microseconds(0); }

    // Why the last open failed, where the failure alone does not say it: a network port's system words
    // ("Connection refused"), or what the server confirmed; empty otherwise.
    virtual QString openFailureDetail() const { return {}; }

signals:
    void opened(std::optional<OpenFailure> failure);
    void readyRead();
    void faultOccurred(SerialLine::Fault fault, const QString &description);
};

// The line for any port name: a network port (rfc2217://, socket://, tcp://) or the platform's serial line.
std::unique_ptr<SerialLine> makeSerialLine();
// The platform's serial line.
std::unique_ptr<SerialLine> makeLocalSerialLine();
