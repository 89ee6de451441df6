#include "win32_serial_line.h"

#include <windows.h>

namespace {
// Writes are handed to the driver and waited for; a driver that has not sent a frame within this
// (plus 2 ms a byte, twice the time a byte takes at 9600 baud) has lost the device.
constexpr DWORD WriteLimitMs = 1000;
constexpr DWORD WriteLimitPerByteMs = 2;

QString systemMessage(DWORD error)
{
    return QStringLiteral("%1 (system error %2)").arg(qt_error_string(int(error))).arg(error);
}

OpenFailure classifyOpenFailure(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return OpenFailure::NoSuchPort;
    case ERROR_ACCESS_DENIED:  // what Windows answers when another program holds the port
    case ERROR_SHARING_VIOLATION:
        return OpenFailure::PortBusy;
    default:
        return OpenFailure::Other;
    }
}

// An event for one overlapped operation, closed when the operation's scope ends.
class OverlappedEvent
{
public:
    OverlappedEvent() { m_overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~OverlappedEvent() { CloseHandle(m_overlapped.hEvent); }
    OverlappedEvent(const OverlappedEvent &) = delete;
    OverlappedEvent &operator=(const OverlappedEvent &) = delete;

    OVERLAPPED *get()
    {
        ResetEvent(m_overlapped.hEvent);
        return &m_overlapped;
    }
    HANDLE event() const { return m_overlapped.hEvent; }

private:
    OVERLAPPED m_overlapped{};
};
} // namespace

std::unique_ptr<SerialLine> makeSerialLine()
{
    return std::make_unique<Win32SerialLine>();
}

Win32SerialLine::Win32SerialLine()
{
    connect(this, &Win32SerialLine::bytesArrived, this, &Win32SerialLine::onBytesArrived, Qt::QueuedConnection);
    connect(this, &Win32SerialLine::readFailed, this, &Win32SerialLine::onReadFailed, Qt::QueuedConnection);
}

Win32SerialLine::~Win32SerialLine()
{
    close();
}

QString Win32SerialLine::devicePath(const QString &portName)
{
    if (portName.startsWith(QLatin1String("\\\\")))
        return portName;
    // COM10 and above are reachable only through the device namespace; the lower ones work there too.
    return QStringLiteral("\\\\.\\") + portName;
}

std::optional<OpenFailure> Win32SerialLine::open(const QString &deviceName)
{
    if (isOpen()) {
        applySettings();
        return std::nullopt;
    }
    const QString path = devicePath(deviceName);
    // No sharing: a port is one program's at a time. Overlapped, so the reader thread's waiting read and
    // this thread's writes do not queue behind one another.
    const HANDLE port = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        qCDebug(lcLink) << "open" << deviceName << "failed:" << systemMessage(error);
        return classifyOpenFailure(error);
    }
    m_port = port;
    m_portName = deviceName;

    // Zero read time-outs: ReadFile waits, with no time limit, until the bytes asked for have arrived. The
    // reader asks for one byte, so its read returns as soon as any byte arrives. (The documented
    // "MAXDWORD, MAXDWORD, constant" setting for that waits out the whole constant under Wine.)
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = WriteLimitPerByteMs;
    timeouts.WriteTotalTimeoutConstant = WriteLimitMs;
    // A command must start with an empty receive side, whatever arrived while nobody had the port open.
    if (!applySettings() || !SetCommTimeouts(port, &timeouts) || !PurgeComm(port, PURGE_RXCLEAR | PURGE_RXABORT)) {
        qCDebug(lcLink) << "setting up" << deviceName << "failed:" << systemMessage(GetLastError());
        CloseHandle(port);
        m_port = nullptr;
        return OpenFailure::Other;
    }
    m_received.clear();
    m_stopReader = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ++m_session;
    m_reader = std::thread(&Win32SerialLine::readLoop, this, m_port, m_stopReader, m_session);
    return std::nullopt;
}

bool Win32SerialLine::applySettings()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_port, &dcb))
        return false;
    // 9600 8N1 is what every terminal of this kind speaks; no flow control, DTR and RTS raised as a Linux
    // serial port raises them on opening.
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(m_port, &dcb);
}

void Win32SerialLine::readLoop(void *port, void *stopEvent, quint64 session)
{
    OverlappedEvent overlapped;
    const HANDLE waits[] = {overlapped.event(), stopEvent};
    for (;;) {
        char first = 0;
        DWORD got = 0;
        OVERLAPPED *read = overlapped.get();
        if (!ReadFile(port, &first, 1, nullptr, read) && GetLastError() != ERROR_IO_PENDING) {
            emit readFailed(GetLastError(), session, QPrivateSignal());
            return;
        }
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
            // Closing: the read must be over before its buffer goes away.
            CancelIoEx(port, read);
            GetOverlappedResult(port, read, &got, TRUE);
            return;
        }
        const bool completed = GetOverlappedResult(port, read, &got, FALSE);
        if (!completed || got == 0) {
            // A read that ends without its byte means the line has ended as well.
            emit readFailed(completed ? DWORD(ERROR_HANDLE_EOF) : GetLastError(), session, QPrivateSignal());
            return;
        }
        QByteArray bytes(1, first);
        // What arrived with the first byte is there already: read it in the same turn.
        DWORD errors = 0;
        COMSTAT status{};
        if (ClearCommError(port, &errors, &status) && status.cbInQue > 0) {
            bytes.resize(1 + qsizetype(status.cbInQue));
            read = overlapped.get();
            got = 0;
            if ((ReadFile(port, bytes.data() + 1, status.cbInQue, nullptr, read) || GetLastError() == ERROR_IO_PENDING)
                && GetOverlappedResult(port, read, &got, TRUE)) {
                bytes.resize(1 + qsizetype(got));
            } else {
                bytes.resize(1);
            }
        }
        emit bytesArrived(bytes, session, QPrivateSignal());
    }
}

void Win32SerialLine::onBytesArrived(const QByteArray &bytes, quint64 session)
{
    if (session != m_session || !isOpen())
        return;  // left over from an earlier opening of the port
    m_received += bytes;
    emit readyRead();
}

void Win32SerialLine::onReadFailed(quint32 systemError, quint64 session)
{
    if (session != m_session || !isOpen())
        return;
    fail(QStringLiteral("read: ") + systemMessage(systemError));
}

void Win32SerialLine::fail(const QString &description)
{
    emit faultOccurred(Fault::Broken, description);
}

void Win32SerialLine::close()
{
    if (!isOpen())
        return;
    SetEvent(m_stopReader);
    if (m_reader.joinable())
        m_reader.join();
    CloseHandle(m_stopReader);
    CloseHandle(m_port);
    m_stopReader = nullptr;
    m_port = nullptr;
    m_received.clear();
    ++m_session;
}

bool Win32SerialLine::isOpen() const
{
    return m_port != nullptr;
}

QString Win32SerialLine::portName() const
{
    return m_portName;
}

void Win32SerialLine::write(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    OverlappedEvent overlapped;
    OVERLAPPED *write = overlapped.get();
    DWORD written = 0;
    const DWORD size = DWORD(bytes.size());
    bool done = WriteFile(m_port, bytes.constData(), size, nullptr, write) || GetLastError() == ERROR_IO_PENDING;
    done = done && GetOverlappedResult(m_port, write, &written, TRUE);
    if (!done)
        fail(QStringLiteral("write: ") + systemMessage(GetLastError()));
    else if (written != size)
        fail(QStringLiteral("write: %1 of %2 bytes sent in time").arg(written).arg(size));
}

qint64 Win32SerialLine::bytesAvailable() const
{
    return m_received.size();
}

QByteArray Win32SerialLine::read(qint64 maxSize)
{
    const QByteArray bytes = m_received.left(maxSize);
    m_received.remove(0, bytes.size());
    return bytes;
}

QByteArray Win32SerialLine::peek(qint64 maxSize)
{
    return m_received.left(maxSize);
}
