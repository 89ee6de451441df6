#include "win32_serial_line.h"

#include "local_opening.h"
#include "rs485_direction.h"

#include <windows.h>

#include <chrono>
#include <system_error>
#include <utility>

namespace {
// Writes are handed to the driver and waited for; a driver that has not sent a frame within this
// (plus 2 ms a byte, twice the time a byte takes at 9600 baud) has lost the device.
constexpr DWORD WriteLimitMs = 1000;
constexpr DWORD WriteLimitPerByteMs = 2;
// The reader thread takes what the driver holds in one turn, within microseconds once it runs; a thread the
// system does not run for this long has its bytes announced later, as usual.
constexpr std::chrono::milliseconds HandOverLimit{100};

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

// A manual-reset event for overlapped operations; null when Windows could not make one.
HANDLE newEvent()
{
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

void closeIfOpen(void *&handle)
{
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}

enum class ReadEnd { Done, Stopped, Failed };

// Waits until an overlapped read has ended or the stop event is set. A read stopped or failed in waiting is
// cancelled and over before this returns, so its buffer may go.
ReadEnd finishRead(HANDLE port, OVERLAPPED *read, HANDLE stopEvent, DWORD *got, DWORD *error)
{
    const HANDLE waits[] = {read->hEvent, stopEvent};
    const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0) {
        *error = woken == WAIT_OBJECT_0 + 1 ? DWORD(ERROR_SUCCESS) : GetLastError();
        CancelIoEx(port, read);
        GetOverlappedResult(port, read, got, TRUE);
        return woken == WAIT_OBJECT_0 + 1 ? ReadEnd::Stopped : ReadEnd::Failed;
    }
    if (!GetOverlappedResult(port, read, got, FALSE)) {
        *error = GetLastError();
        return ReadEnd::Failed;
    }
    return ReadEnd::Done;
}

// Starts an overlapped read into `buffer`; false, with the reason in `error`, when it could not start.
bool startRead(HANDLE port, char *buffer, DWORD size, OVERLAPPED *read, DWORD *error)
{
    const HANDLE event = read->hEvent;
    *read = OVERLAPPED{};
    read->hEvent = event;
    if (ReadFile(port, buffer, size, nullptr, read) || GetLastError() == ERROR_IO_PENDING)
        return true;
    *error = GetLastError();
    return false;
}
} // namespace

struct Win32SerialLine::PortSettings
{
    DCB state{};
    COMMTIMEOUTS timeouts{};
};

std::unique_ptr<SerialLine> makeLocalSerialLine()
{
    return std::make_unique<Win32SerialLine>();
}

Win32SerialLine::Win32SerialLine()
{
    connect(this, &Win32SerialLine::bytesHandedOver, this, &Win32SerialLine::onBytesHandedOver, Qt::QueuedConnection);
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

// One CreateFileW, on the line's thread (open()) or on a thread of its own (openLater()); a handle not taken
// over is closed with it, on whichever thread lets it go last.
struct Win32SerialLine::Opening
{
    explicit Opening(QString deviceName) : name(std::move(deviceName)) {}
    ~Opening()
    {
        if (port)
            CloseHandle(port);
    }

    void run()
    {
        waitForLocalOpenHold(name);
        const QString path = devicePath(name);
        // No sharing: a port is one program's at a time. Overlapped, so the reader thread's waiting read and
        // the line's writes do not queue behind one another.
        const HANDLE opened = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                                          0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (opened == INVALID_HANDLE_VALUE)
            error = GetLastError();
        else
            port = opened;
    }

    const QString name;
    void *port = nullptr;  // HANDLE
    DWORD error = ERROR_SUCCESS;
};

std::optional<OpenFailure> Win32SerialLine::open(const QString &deviceName)
{
    // Always a fresh opening: a port left open would be kept under the new name with its old settings.
    close();
    Opening opening(deviceName);
    opening.run();
    return takeOver(opening);
}

void Win32SerialLine::openLater(const QString &deviceName)
{
    close();
    const auto opening = std::make_shared<Opening>(deviceName);
    m_opening = opening;
    openOffThread(this, [opening] { opening->run(); }, [this, opening] {
        if (m_opening != opening)
            return;  // closed or opened anew since: the opening closes its handle as it goes
        m_opening.reset();
        emit opened(takeOver(*opening));
    });
}

std::optional<OpenFailure> Win32SerialLine::takeOver(Opening &opening)
{
    const QString &deviceName = opening.name;
    if (!opening.port) {
        qCDebug(lcLink) << "open" << deviceName << "failed:" << systemMessage(opening.error);
        return classifyOpenFailure(opening.error);
    }
    const HANDLE port = std::exchange(opening.port, nullptr);
    m_port = port;
    m_portName = deviceName;
    // What the port was set to before, for the next program that opens it (a port's settings outlive the
    // handle on Windows).
    auto saved = std::make_unique<PortSettings>();
    saved->state.DCBlength = sizeof saved->state;
    if (GetCommState(port, &saved->state) && GetCommTimeouts(port, &saved->timeouts))
        m_saved = std::move(saved);

    // Zero read time-outs: ReadFile waits, with no time limit, until the bytes asked for have arrived. The
    // reader asks for one byte, so its read returns as soon as any byte arrives. (The documented
    // "MAXDWORD, MAXDWORD, constant" setting for that waits out the whole constant under Wine.)
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = WriteLimitPerByteMs;
    timeouts.WriteTotalTimeoutConstant = WriteLimitMs;
    // A command must start with an empty receive side, whatever arrived while nobody had the port open.
    if (!applySettings() || !SetCommTimeouts(port, &timeouts) || !PurgeComm(port, PURGE_RXCLEAR | PURGE_RXABORT)) {
        qCDebug(lcLink) << "setting up" << deviceName << "failed:" << systemMessage(GetLastError());
        releaseHandles();
        return OpenFailure::Other;
    }
    if (rs485Direction() && !switchRs485On()) {
        qCDebug(lcLink) << "open" << deviceName << "refused: no RS-485 direction from the driver:" << systemMessage(GetLastError());
        releaseHandles();
        return OpenFailure::Rs485Unsupported;
    }
    m_received.clear();
    // The reader's events and thread: without any of them no byte would ever arrive, so each failure is a
    // failed opening, and the port is closed again.
    m_stopReader = newEvent();
    m_readEvent = m_stopReader ? newEvent() : nullptr;
    if (!m_readEvent) {
        qCDebug(lcLink) << "setting up" << deviceName << "failed: no event for the reader:" << systemMessage(GetLastError());
        releaseHandles();
        return OpenFailure::Other;
    }
    ++m_session;
    {
        const std::lock_guard lock(m_handOverLock);
        m_handedOver.clear();
        m_readerTurn = false;
        m_readerRunning = true;
    }
    try {
        m_reader = std::thread(&Win32SerialLine::readLoop, this, m_port, m_readEvent, m_stopReader, m_session);
    } catch (const std::system_error &error) {
        qCDebug(lcLink) << "setting up" << deviceName << "failed: the reader did not start:" << error.what();
        readerDone();
        releaseHandles();
        return OpenFailure::Other;
    }
    return std::nullopt;
}

void Win32SerialLine::releaseHandles()
{
    if (m_port && m_saved) {
        SetCommState(m_port, &m_saved->state);
        SetCommTimeouts(m_port, &m_saved->timeouts);
    }
    m_saved.reset();
    closeIfOpen(m_readEvent);
    closeIfOpen(m_stopReader);
    closeIfOpen(m_port);
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

bool Win32SerialLine::switchRs485On()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_port, &dcb))
        return false;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    if (!SetCommState(m_port, &dcb))
        return false;
    // A driver may take the request and keep another setting: what it holds now is its answer.
    DCB taken{};
    taken.DCBlength = sizeof taken;
    return GetCommState(m_port, &taken) && taken.fRtsControl == RTS_CONTROL_TOGGLE;
}

void Win32SerialLine::readLoop(void *port, void *readEvent, void *stopEvent, quint64 session)
{
    // However the loop ends, a collector waiting for this thread stops waiting.
    struct Done
    {
        Win32SerialLine *line;
        ~Done() { line->readerDone(); }
    } done{this};
    OVERLAPPED read{};
    read.hEvent = readEvent;
    for (;;) {
        char first = 0;
        DWORD got = 0;
        DWORD error = 0;
        if (!startRead(port, &first, 1, &read, &error)) {
            emit readFailed(error, session, QPrivateSignal());
            return;
        }
        // The read event is reset now: a collector that saw it set looks again.
        wakeCollector();
        switch (finishRead(port, &read, stopEvent, &got, &error)) {
        case ReadEnd::Stopped:
            return;
        case ReadEnd::Failed:
            emit readFailed(error, session, QPrivateSignal());
            return;
        case ReadEnd::Done:
            break;
        }
        if (got == 0) {
            // A read that ends without its byte means the line has ended as well.
            emit readFailed(ERROR_HANDLE_EOF, session, QPrivateSignal());
            return;
        }
        {
            const std::lock_guard lock(m_handOverLock);
            m_readerTurn = true;
        }
        QByteArray bytes(1, first);
        // What arrived with the first byte is there already: read it in the same turn.
        DWORD errors = 0;
        COMSTAT status{};
        if (ClearCommError(port, &errors, &status) && status.cbInQue > 0) {
            bytes.resize(1 + qsizetype(status.cbInQue));
            got = 0;
            ReadEnd end = ReadEnd::Failed;
            if (startRead(port, bytes.data() + 1, status.cbInQue, &read, &error))
                end = finishRead(port, &read, stopEvent, &got, &error);
            if (end == ReadEnd::Stopped)
                return;
            bytes.resize(1 + qsizetype(got));
            if (end == ReadEnd::Failed) {
                handOver(bytes, session);
                emit readFailed(error, session, QPrivateSignal());
                return;
            }
        }
        handOver(bytes, session);
    }
}

void Win32SerialLine::handOver(const QByteArray &bytes, quint64 session)
{
    bool announce = false;
    {
        const std::lock_guard lock(m_handOverLock);
        // Bytes already waiting have their signal on the way.
        announce = m_handedOver.isEmpty();
        m_handedOver += bytes;
        m_readerTurn = false;
    }
    m_handOverChanged.notify_all();
    if (announce)
        emit bytesHandedOver(session, QPrivateSignal());
}

void Win32SerialLine::readerDone()
{
    {
        const std::lock_guard lock(m_handOverLock);
        m_readerTurn = false;
        m_readerRunning = false;
    }
    m_handOverChanged.notify_all();
}

void Win32SerialLine::wakeCollector()
{
    // Taken and let go, so that a collector is either still to look or already waiting: no wake-up is lost.
    { const std::lock_guard lock(m_handOverLock); }
    m_handOverChanged.notify_all();
}

bool Win32SerialLine::readerHoldsBytes() const
{
    if (m_readerTurn)
        return true;
    DWORD errors = 0;
    COMSTAT status{};
    if (ClearCommError(m_port, &errors, &status) && status.cbInQue > 0)
        return true;  // the reader's pending read is ending with them
    // A read that has ended, its byte not taken up by the thread yet.
    return WaitForSingleObject(m_readEvent, 0) == WAIT_OBJECT_0;
}

qint64 Win32SerialLine::takeHandedOver()
{
    const std::lock_guard lock(m_handOverLock);
    const qint64 taken = m_handedOver.size();
    m_received += std::exchange(m_handedOver, {});
    return taken;
}

void Win32SerialLine::onBytesHandedOver(quint64 session)
{
    if (session != m_session || !isOpen())
        return;  // left over from an earlier opening of the port
    if (takeHandedOver() > 0)
        emit readyRead();
}

qint64 Win32SerialLine::collectWaitingBytes()
{
    if (isOpen()) {
        std::unique_lock lock(m_handOverLock);
        m_handOverChanged.wait_for(lock, HandOverLimit, [this] { return !m_readerRunning || !readerHoldsBytes(); });
        m_received += std::exchange(m_handedOver, {});
    }
    return bytesAvailable();
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
    m_opening.reset();  // an open under way ends unheard, its handle closed as it ends
    if (!isOpen())
        return;
    SetEvent(m_stopReader);
    if (m_reader.joinable())
        m_reader.join();
    {
        const std::lock_guard lock(m_handOverLock);
        m_handedOver.clear();
    }
    releaseHandles();
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
    OVERLAPPED write{};
    write.hEvent = newEvent();
    DWORD written = 0;
    const DWORD size = DWORD(bytes.size());
    bool done = write.hEvent
        && (WriteFile(m_port, bytes.constData(), size, nullptr, &write) || GetLastError() == ERROR_IO_PENDING);
    done = done && GetOverlappedResult(m_port, &write, &written, TRUE);
    const DWORD error = GetLastError();
    if (write.hEvent)
        CloseHandle(write.hEvent);
    if (!done)
        fail(QStringLiteral("write: ") + systemMessage(error));
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
