// timeclock-sim: a time clock on a pseudo-terminal, for testing the setup program without hardware.
// Everything it sees and does is printed on standard output, one flushed line per event, so that a test
// can follow it live.

#include "pty_line.h"
#include "sim_bus.h"
#include "sim_core.h"
#include "sim_options.h"
#include "sim_output.h"
#include "sim_picture.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int ExitBadOptions = 2;  // usage error, told apart from a failure to start
constexpr int ExitFailed = 1;     // no pseudo-terminal, no link, or the picture could not be written
constexpr size_t ReadChunkSize = 4096;

std::array<int, 2> stopSignalPipe = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up and does the rest.
void onStopSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopSignalPipe[1], &byte, 1);
    errno = savedErrno;
}

bool installStopSignals(QString &error)
{
    if (::pipe2(stopSignalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        error = QStringLiteral("pipe2: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    using SignalAction = struct sigaction;
    SignalAction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    // A reader that went away must not kill us before the final state is printed.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void printLine(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printError(const QString &message)
{
    std::fprintf(stderr, "timeclock-sim: %s\n", qPrintable(message));
}

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC on Linux, the same clock in every process

qint64 monotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

int roundUpToMilliseconds(std::chrono::microseconds wait)
{
    // Huge --delay-ms or noise at a low --line-rate must not wrap round to a short or negative wait.
    return static_cast<int>(std::min<qint64>((wait.count() + 999) / 1000, std::numeric_limits<int>::max()));
}

// One line: its pseudo-terminal, the terminals on it and what is waiting to be sent. With several lines,
// each prints its events after "LINE I ".
class SimulatedLine : public QObject
{
public:
    SimulatedLine(sim::SimulatorOptions options, QByteArray prefix)
        : m_options(std::move(options)), m_bus(sim::terminalsOnLine(m_options)), m_prefix(std::move(prefix))
    {
        m_sendTimer.setSingleShot(true);
        // A coarse timer may fire early, which would make a line-rate delay shorter than the line allows.
        m_sendTimer.setTimerType(Qt::PreciseTimer);
        connect(&m_sendTimer, &QTimer::timeout, this, &SimulatedLine::sendHeadTransmission);
    }

    ~SimulatedLine() override { removeLink(); }

    // Opens the pseudo-terminal; its DEVICE line is printed by the caller, in line order.
    bool open(QString &error) { return m_line.open(error); }
    QString devicePath() const { return m_line.slavePath(); }

    bool start(QString &error)
    {
        if (!m_options.linkPath.isEmpty()) {
            if (!makeLink(error))
                return false;
            print(sim::linkLine(m_options.linkPath));
        }

        m_readNotifier = std::make_unique<QSocketNotifier>(m_line.masterFd(), QSocketNotifier::Read);
        connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &SimulatedLine::readFromLine);
        m_writeNotifier = std::make_unique<QSocketNotifier>(m_line.masterFd(), QSocketNotifier::Write);
        m_writeNotifier->setEnabled(false);
        connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &SimulatedLine::writeToLine);
        return true;
    }

    // The lines printed at the end: each terminal (with a bus), then the first one's state and logo.
    // False when the picture could not be written.
    bool finish()
    {
        const QList<sim::TerminalState> states = m_bus.states();
        if (!m_options.bus.isEmpty()) {
            for (const sim::TerminalState &state : states)
                print(sim::terminalLine(state));
        }
        for (const QByteArray &line : sim::finalReport(states.constFirst()))
            print(line);
        removeLink();
        QString error;
        if (!m_options.picturePath.isEmpty() &&
            !sim::writeLogoPicture(states.constFirst().logo, m_options.picturePath, error)) {
            printError(error);
            return false;
        }
        return true;
    }

private:
    bool makeLink(QString &error)
    {
        const QByteArray link = m_options.linkPath.toLocal8Bit();
        const QByteArray target = m_line.slavePath().toLocal8Bit();
        using FileStatus = struct stat;
        FileStatus existing{};
        // A link left behind by a simulator that was killed is replaced; anything else is not ours.
        if (::lstat(link.constData(), &existing) == 0 && S_ISLNK(existing.st_mode))
            ::unlink(link.constData());
        if (::symlink(target.constData(), link.constData()) != 0) {
            error = QStringLiteral("cannot make link %1: %2")
                        .arg(m_options.linkPath, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        m_linkMade = true;
        return true;
    }

    void removeLink()
    {
        if (m_linkMade)
            ::unlink(m_options.linkPath.toLocal8Bit().constData());
        m_linkMade = false;
    }

    void readFromLine()
    {
        std::array<char, ReadChunkSize> buffer;
        while (m_line.isOpen()) {
            const ssize_t count = ::read(m_line.masterFd(), buffer.data(), buffer.size());
            if (count > 0) {
                handleReceived(QByteArray(buffer.data(), count), stampTaken());
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            // Cannot happen while the slave is held open here; stop watching rather than spin.
            printError(QStringLiteral("reading the line failed: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno))));
            m_readNotifier->setEnabled(false);
            return;
        }
    }

    // With --timestamps, the CLOCK_MONOTONIC time now; otherwise nothing, keeping the lines as they were.
    std::optional<qint64> stampTaken() const
    {
        return m_options.timestamps ? std::optional<qint64>(monotonicNanoseconds()) : std::nullopt;
    }

    void handleReceived(const QByteArray &chunk, std::optional<qint64> stamp)
    {
        print(sim::receivedLine(chunk, stamp));
        if (m_options.echo)
            echoBack(chunk);
        for (const sim::FrameOutcome &outcome : m_bus.receive(chunk)) {
            print(sim::frameLine(outcome));
            if (outcome.hangUp) {
                hangUp();
                return;
            }
            if (!m_options.bus.isEmpty()) {
                // Terminals on a bus answer each on its own time from the frame's arrival: a slow one does
                // not hold back the answer of the next one asked.
                sendApart(outcome.transmissions);
                continue;
            }
            for (const sim::Transmission &transmission : outcome.transmissions)
                m_pending.push_back(transmission);
        }
        if (!m_sendTimer.isActive())
            startNextTransmission();
    }

    // The adapter's echo leaves at once, ahead of any answer still waiting its time.
    void echoBack(QByteArray echo)
    {
        if (const auto at = m_options.echoAlteredAt; at && *at >= m_echoed && *at < m_echoed + echo.size())
            echo[*at - m_echoed] = char(~echo.at(*at - m_echoed));
        m_echoed += echo.size();
        m_unwritten += echo;
        writeToLine();
    }

    // Replies leave in order, like a terminal that answers one frame after the other: each waits its
    // time from when the one before it has gone out.
    void startNextTransmission()
    {
        if (m_pending.empty())
            return;
        const std::chrono::microseconds wait = m_pending.front().wait;
        if (!m_options.exactTiming) {
            m_sendTimer.start(roundUpToMilliseconds(wait));
            return;
        }
        // --exact-timing: the timer wakes us up to a millisecond early (it counts whole milliseconds),
        // and sendHeadTransmission() waits out the rest on the clock.
        m_sendDeadline = Clock::now() + wait;
        const qint64 wholeMilliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
        m_sendTimer.start(int(std::clamp<qint64>(wholeMilliseconds - 1, 0, std::numeric_limits<int>::max())));
    }

    // One reply's writes, each after its wait from the one before, beside any other reply.
    void sendApart(QList<sim::Transmission> transmissions)
    {
        if (transmissions.isEmpty())
            return;
        const sim::Transmission head = transmissions.takeFirst();
        QTimer::singleShot(roundUpToMilliseconds(head.wait), Qt::PreciseTimer, this,
                           [this, bytes = head.bytes, rest = std::move(transmissions)] {
                               if (!m_line.isOpen())
                                   return;
                               m_unwritten += bytes;
                               writeToLine();
                               sendApart(rest);
                           });
    }

    void sendHeadTransmission()
    {
        if (m_pending.empty())
            return;
        if (m_options.exactTiming) {
            while (Clock::now() < m_sendDeadline) {
            }
        }
        m_unwritten += m_pending.front().bytes;
        m_pending.pop_front();
        writeToLine();
        startNextTransmission();
    }

    void writeToLine()
    {
        while (m_line.isOpen() && !m_unwritten.isEmpty()) {
            const std::optional<qint64> stamp = stampTaken();
            const ssize_t count =
                ::write(m_line.masterFd(), m_unwritten.constData(), size_t(m_unwritten.size()));
            if (count > 0) {
                print(sim::transmittedLine(QByteArrayView(m_unwritten).first(count), stamp));
                m_unwritten.remove(0, count);
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break; // nobody reads the device and its buffer is full: go on when there is room
            printError(QStringLiteral("writing the line failed: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno))));
            m_unwritten.clear();
        }
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(m_line.isOpen() && !m_unwritten.isEmpty());
    }

    void hangUp()
    {
        m_pending.clear();
        m_sendTimer.stop();
        m_unwritten.clear();
        // Disabled before the descriptor goes: a notifier must not watch a closed descriptor.
        m_readNotifier->setEnabled(false);
        m_writeNotifier->setEnabled(false);
        m_line.close();
        print(sim::hangUpLine());
    }

    void print(const QByteArray &line) { printLine(m_prefix + line); }

    sim::SimulatorOptions m_options;
    sim::TimeClockBus m_bus;
    PtyLine m_line;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QByteArray m_prefix;
    QTimer m_sendTimer;
    Clock::time_point m_sendDeadline; // with --exact-timing: when the head transmission is due
    std::deque<sim::Transmission> m_pending;
    QByteArray m_unwritten;
    qint64 m_echoed = 0;  // bytes echoed so far, for --echo-altered-at
    bool m_linkMade = false;
};

// Every line, and what ends them all: a stop signal, or with --quit-on-eof the end of standard input.
class Simulator : public QObject
{
public:
    explicit Simulator(const sim::SimulatorOptions &options)
    {
        const QList<sim::SimulatorOptions> perLine = sim::optionsPerLine(options);
        for (qsizetype index = 0; index < perLine.size(); ++index) {
            const QByteArray prefix = perLine.size() > 1 ? "LINE " + QByteArray::number(index + 1) + ' ' : QByteArray();
            m_lines.push_back(std::make_unique<SimulatedLine>(perLine.at(index), prefix));
        }
        m_quitOnEof = options.quitOnEof;
    }

    bool start(QString &error)
    {
        if (!installStopSignals(error) || !enoughDescriptors(error))
            return false;
        for (const auto &line : m_lines) {
            if (!line->open(error))
                return false;
        }
        // Every device is named before any event, so a reader has them all once it has the last.
        for (const auto &line : m_lines)
            printLine(sim::deviceLine(line->devicePath()));
        for (const auto &line : m_lines) {
            if (!line->start(error))
                return false;
        }
        m_stopNotifier = std::make_unique<QSocketNotifier>(stopSignalPipe[0], QSocketNotifier::Read);
        connect(m_stopNotifier.get(), &QSocketNotifier::activated, this, &Simulator::onStopRequested);
        if (m_quitOnEof) {
            m_inputNotifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
            connect(m_inputNotifier.get(), &QSocketNotifier::activated, this, &Simulator::readInput);
        }
        return true;
    }

private:
    // Each line holds two descriptors (master and slave): asked before opening any, so that a limit too
    // low is said as such rather than as one line's openpty failing half-way.
    bool enoughDescriptors(QString &error) const
    {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return true;
        const long inUse = openDescriptors();
        const long needed = DescriptorsPerLine * long(m_lines.size()) + DescriptorsSpare;
        if (inUse + needed <= long(limit.rlim_cur))
            return true;
        error = QStringLiteral("%1 lines need %2 more file descriptors, and this process may have %3 open "
                               "(ulimit -n) with %4 in use: raise the limit or serve fewer lines")
                    .arg(m_lines.size())
                    .arg(needed)
                    .arg(qulonglong(limit.rlim_cur))
                    .arg(inUse);
        return false;
    }

    static long openDescriptors()
    {
        long count = 0;
        if (DIR *directory = ::opendir("/proc/self/fd")) {
            while (const dirent *entry = ::readdir(directory))
                count += entry->d_name[0] != '.';
            ::closedir(directory);
            return count - 1; // the directory's own descriptor
        }
        return 3;
    }

    void readInput()
    {
        std::array<char, ReadChunkSize> buffer;
        const ssize_t count = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (count > 0 || (count < 0 && (errno == EINTR || errno == EAGAIN)))
            return;
        m_inputNotifier->setEnabled(false);
        finish();
    }

    void onStopRequested()
    {
        std::array<char, 16> drained;
        while (::read(stopSignalPipe[0], drained.data(), drained.size()) > 0) {
        }
        finish();
    }

    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        bool pictureWritten = true;
        for (const auto &line : m_lines)
            pictureWritten = line->finish() && pictureWritten;
        QCoreApplication::exit(pictureWritten ? 0 : ExitFailed);
    }

    static constexpr long DescriptorsPerLine = 2;
    static constexpr long DescriptorsSpare = 8; // the event loop's own, and room to print

    std::vector<std::unique_ptr<SimulatedLine>> m_lines;
    std::unique_ptr<QSocketNotifier> m_stopNotifier;
    std::unique_ptr<QSocketNotifier> m_inputNotifier;
    bool m_quitOnEof = false;
    bool m_finished = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("timeclock-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated time clock on a pseudo-terminal (or several, with --lines). Prints DEVICE <path> "
        "first, then one line per event; on SIGTERM or SIGINT prints the terminal's state and exits."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    sim::addSimulatorOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return ExitBadOptions;
    }
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty()) {
        printError(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));
        return ExitBadOptions;
    }
    auto options = sim::simulatorOptionsFrom(parser);
    if (const QString *error = std::get_if<QString>(&options)) {
        printError(*error);
        return ExitBadOptions;
    }

    Simulator simulator(std::get<sim::SimulatorOptions>(options));
    QString error;
    if (!simulator.start(error)) {
        printError(error);
        return ExitFailed;
    }
    return QCoreApplication::exec();
}
