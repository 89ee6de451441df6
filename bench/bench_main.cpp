// timeclock-bench: measures the serial link, the logo download and the window against the simulated time
// clock and prints one markdown table. Each figure is a median over repeated runs, with min and max.
// What lies behind the figures (per-run values, where the time goes) is written to the file named by
// --details. Progress goes to standard error; standard output carries only the table.

#include "bench_support.h"

#include "command_session.h"
#include "logo_download.h"
#include "logo_file.h"
#include "read_serial.h"
#include "serial_link.h"
#include "status_messages.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace {

using bench::monotonicNs;
using bench::processCpuNs;
using bench::SimProcess;
using bench::Spread;
using bench::spreadOf;

constexpr quint8 MachineNumber = 18;  // the simulator's machine number fresh from the factory
constexpr int GuardMs = 30'000;       // a run that takes this long has failed
constexpr double LineLimitMs = 32.0 * (1 + 20 + 1) * 10 / 9600 * 1000;  // 733.3 ms at 9600 8N1
constexpr double NsPerMs = 1e6;
constexpr double NsPerUs = 1e3;

struct Counts
{
    int waitPairs = 10;          // figures 1 and 4: one event-driven and one polling wait each
    int latencyRuns = 5;         // figure 2
    int latencyExchanges = 1000;
    int downloads = 7;           // figure 3, each of three kinds
    int startups = 10;           // figure 5, after one run not counted
    int memoryRuns = 3;          // figure 5
    int throughputRuns = 5;      // figure 6
    int throughputExchanges = 2000;
};

QString details;

void note(const QString &line)
{
    details += line + u'\n';
}

void progress(const char *what)
{
    std::fprintf(stderr, "bench: %s\n", what);
}

[[noreturn]] void fail(const QString &why)
{
    std::fprintf(stderr, "bench: FAILED: %s\n", qPrintable(why));
    std::exit(1);
}

std::unique_ptr<SimProcess> startSim(const QStringList &options)
{
    auto sim = std::make_unique<SimProcess>(options);
    QString error;
    if (!sim->start(&error))
        fail(error);
    return sim;
}

LogoPicture sampleLogo()
{
    auto picture = readLogoFile(QStringLiteral(TIMECLOCK_SAMPLE_LOGO));
    if (!std::holds_alternative<LogoPicture>(picture))
        fail(QStringLiteral("cannot read the sample logo %1").arg(QStringLiteral(TIMECLOCK_SAMPLE_LOGO)));
    return std::get<LogoPicture>(picture);
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString list(const std::vector<double> &values, int decimals)
{
    QStringList parts;
    for (const double value : values)
        parts << QString::number(value, 'f', decimals);
    return parts.join(u' ');
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QStringLiteral("?");
}

// ---- Figures 1 and 4: a one-second wait for a reply that never comes ----

struct WaitResult
{
    qint64 cpuNs = 0;
    qint64 wallNs = 0;  // from the frame leaving to the outcome
    bool timedOut = false;
};

// SerialLink as the program uses it: transact() and back to the event loop until exchangeFinished.
WaitResult eventDrivenWait(const QString &device, const Exchange &exchange)
{
    SerialLink link;
    if (link.prepareLink(true, device))
        fail(QStringLiteral("cannot open %1").arg(device));
    QEventLoop loop;
    WaitResult result;
    qint64 wallStart = 0;
    qint64 cpuStart = 0;
    QObject::connect(&link, &SerialLink::exchangeFinished, &loop, [&](const ExchangeOutcome &outcome) {
        result.wallNs = monotonicNs() - wallStart;
        result.cpuNs = processCpuNs() - cpuStart;
        result.timedOut = outcome.kind == ExchangeOutcome::Kind::TimedOut;
        loop.quit();
    });
    QObject::connect(&link, &SerialLink::linkLost, &loop, [&loop] { loop.quit(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&loop] { loop.quit(); });
    guard.start(GuardMs);

    link.transact(exchange);
    wallStart = monotonicNs();
    cpuStart = processCpuNs();
    loop.exec();
    if (!result.timedOut)
        fail(QStringLiteral("the event-driven wait did not end in a time-out"));
    return result;
}

// The reference: after writing the frame, ask for the bytes, read the clock, let the events run, and
// again at once, until the reply is complete or one second has passed.
WaitResult pollingWait(const QString &device, const Exchange &exchange)
{
    QSerialPort port(device);
    port.setBaudRate(9600);
    port.setParity(QSerialPort::NoParity);
    port.setDataBits(QSerialPort::Data8);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        fail(QStringLiteral("cannot open %1: %2").arg(device, port.errorString()));
    port.clear(QSerialPort::Input);

    port.write(QByteArray(1, char(exchange.addressByte)) + exchange.commandFrame);
    port.flush();
    const qint64 wallStart = monotonicNs();
    const qint64 cpuStart = processCpuNs();
    constexpr qint64 limitNs = 1'000'000'000;
    bool complete = false;
    for (;;) {
        if (port.bytesAvailable() >= exchange.replyLength) {
            complete = true;
            break;
        }
        if (monotonicNs() - wallStart > limitNs)
            break;
        QCoreApplication::processEvents();
    }
    WaitResult result;
    result.wallNs = monotonicNs() - wallStart;
    result.cpuNs = processCpuNs() - cpuStart;
    result.timedOut = !complete;
    port.close();
    if (!result.timedOut)
        fail(QStringLiteral("the polling wait got a reply from a silent time clock"));
    return result;
}

// ---- Figures 2 and 6: exchanges back to back ----

struct BurstResult
{
    qint64 startNs = 0;
    std::vector<qint64> finishedAtNs;  // when each exchangeFinished reached the driver
};

BurstResult backToBack(const QString &device, int count, const std::function<Exchange(int)> &exchangeAt)
{
    SerialLink link;
    if (link.prepareLink(true, device))
        fail(QStringLiteral("cannot open %1").arg(device));
    BurstResult result;
    result.finishedAtNs.reserve(size_t(count));
    QEventLoop loop;
    bool ok = true;
    QObject::connect(&link, &SerialLink::exchangeFinished, &loop, [&](const ExchangeOutcome &outcome) {
        result.finishedAtNs.push_back(monotonicNs());
        if (outcome.kind != ExchangeOutcome::Kind::Replied) {
            ok = false;
            loop.quit();
        } else if (int(result.finishedAtNs.size()) == count) {
            loop.quit();
        } else {
            link.transact(exchangeAt(int(result.finishedAtNs.size())));
        }
    });
    QObject::connect(&link, &SerialLink::linkLost, &loop, [&] {
        ok = false;
        loop.quit();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        ok = false;
        loop.quit();
    });
    guard.start(GuardMs);
    result.startNs = monotonicNs();
    link.transact(exchangeAt(0));
    loop.exec();
    if (!ok)
        fail(QStringLiteral("an exchange failed after %1 of %2").arg(result.finishedAtNs.size()).arg(count));
    return result;
}

// Where the time of each exchange goes, from the simulator's stamps: "hold" from the frame's last byte
// read to the reply written (the simulator's own time), "turnaround" from the reply written to the next
// frame's first byte read (the program's time, with the line both ways).
struct Split
{
    std::vector<double> holdUs;
    std::vector<double> turnaroundUs;
};

Split splitTimes(const QList<bench::StampedChunk> &chunks, qint64 gapLimitNs)
{
    Split split;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        if (!chunks[i].transmitted)
            continue;
        if (i > 0 && !chunks[i - 1].transmitted)
            split.holdUs.push_back(double(chunks[i].stampNs - chunks[i - 1].stampNs) / NsPerUs);
        if (i + 1 < chunks.size() && !chunks[i + 1].transmitted &&
            chunks[i + 1].stampNs - chunks[i].stampNs < gapLimitNs)
            split.turnaroundUs.push_back(double(chunks[i + 1].stampNs - chunks[i].stampNs) / NsPerUs);
    }
    return split;
}

// For every reply byte the simulator wrote, the time it handed that byte to the line. (A logo line is
// answered with one byte, so byte i ends exchange i.)
std::vector<qint64> txByteStamps(const QList<bench::StampedChunk> &chunks)
{
    std::vector<qint64> stamps;
    for (const auto &chunk : chunks) {
        if (chunk.transmitted)
            stamps.insert(stamps.end(), size_t(chunk.bytes.size()), chunk.stampNs);
    }
    return stamps;
}

struct LatencyFigures
{
    std::vector<double> medianUs;  // per run
    std::vector<double> p99Us;
    std::vector<double> maxUs;
    QStringList slow;              // exchanges over 500 µs
};

void addLatencyRun(LatencyFigures &figures, const std::vector<qint64> &seenNs, const std::vector<qint64> &writtenNs)
{
    std::vector<double> latencies;
    for (size_t i = 0; i < seenNs.size(); ++i) {
        latencies.push_back(double(seenNs[i] - writtenNs[i]) / NsPerUs);
        if (latencies.back() > 500)
            figures.slow << QStringLiteral("run %1 #%2: %3").arg(figures.medianUs.size() + 1).arg(i).arg(number(latencies.back(), 0));
    }
    const Spread spread = spreadOf(latencies);
    figures.medianUs.push_back(spread.median);
    figures.p99Us.push_back(bench::percentile(latencies, 99));
    figures.maxUs.push_back(spread.max);
}

// One run of exchanges against a simulator of its own: each reply's last byte written there -> the
// exchange's outcome here.
void measureLatency(LatencyFigures &figures, int count, const QStringList &simOptions,
                    const std::function<Exchange(int)> &exchangeAt)
{
    auto sim = startSim(simOptions + QStringList{QStringLiteral("--timestamps")});
    const BurstResult burst = backToBack(sim->device(), count, exchangeAt);
    if (!sim->stop())
        fail(QStringLiteral("the simulated time clock did not end cleanly"));
    const std::vector<qint64> stamps = txByteStamps(sim->chunks());
    if (stamps.size() != burst.finishedAtNs.size())
        fail(QStringLiteral("%1 reply bytes for %2 exchanges").arg(stamps.size()).arg(burst.finishedAtNs.size()));
    addLatencyRun(figures, burst.finishedAtNs, stamps);
}

// The same exchanges with no Qt at all: write the frame, block in poll() until the reply is there, read it.
// What the system itself allows, as a yardstick for the figures above.
void measureBareLatency(LatencyFigures &figures, int count, const QStringList &simOptions,
                        const std::function<Exchange(int)> &exchangeAt)
{
    auto sim = startSim(simOptions + QStringList{QStringLiteral("--timestamps")});
    const int fd = ::open(sim->device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(QStringLiteral("cannot open %1").arg(sim->device()));
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    ::tcsetattr(fd, TCSANOW, &settings);
    std::vector<qint64> seenNs;
    for (int i = 0; i < count; ++i) {
        const Exchange exchange = exchangeAt(i);
        const QByteArray frame = QByteArray(1, char(exchange.addressByte)) + exchange.commandFrame;
        if (::write(fd, frame.constData(), size_t(frame.size())) != frame.size())
            fail(QStringLiteral("writing to %1 failed").arg(sim->device()));
        int missing = exchange.replyLength;
        while (missing > 0) {
            pollfd readable{fd, POLLIN, 0};
            if (::poll(&readable, 1, GuardMs) <= 0)
                fail(QStringLiteral("no reply on %1").arg(sim->device()));
            char buffer[64];
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got > 0)
                missing -= int(got);
        }
        seenNs.push_back(monotonicNs());
    }
    ::close(fd);
    if (!sim->stop())
        fail(QStringLiteral("the simulated time clock did not end cleanly"));
    const std::vector<qint64> stamps = txByteStamps(sim->chunks());
    if (stamps.size() != seenNs.size())
        fail(QStringLiteral("%1 reply bytes for %2 exchanges").arg(stamps.size()).arg(seenNs.size()));
    addLatencyRun(figures, seenNs, stamps);
}

void noteLatency(const LatencyFigures &figures, const QString &label)
{
    const QString prefix = QStringLiteral("2 (%1): ").arg(label);
    note(prefix + QStringLiteral("median per run, µs: ") + list(figures.medianUs, 1));
    note(prefix + QStringLiteral("99th percentile per run, µs: ") + list(figures.p99Us, 1));
    note(prefix + QStringLiteral("max per run, µs: ") + list(figures.maxUs, 1));
    constexpr qsizetype shown = 12;
    note(prefix + QStringLiteral("exchanges over 500 µs: %1%2")
                      .arg(figures.slow.isEmpty() ? QStringLiteral("none")
                                                  : QString::number(figures.slow.size()) + QStringLiteral(": "))
                      .arg(figures.slow.mid(0, shown).join(QStringLiteral(", ")) +
                           (figures.slow.size() > shown ? QStringLiteral(", …") : QString())));
}

// ---- Figure 3: logo downloads ----

struct DownloadSpan
{
    qint64 startNs = 0;
    qint64 messageNs = 0;               // "下载完成！" reported
    qint64 finishedNs = 0;              // the port closed again
    std::vector<qint64> lineBegunNs;    // LogoDownloadTask's progress: line k begun, so reply k-1 seen
};

// One download through the program's own path, from run() to the port closed again.
DownloadSpan download(CommandSession &session, const QString &device, const LogoPicture &logo)
{
    QEventLoop loop;
    QString message;
    DownloadSpan span;
    const QMetaObject::Connection messageConnection =
        QObject::connect(&session, &CommandSession::messageReady, &loop, [&](const QString &text) {
            span.messageNs = monotonicNs();
            message = text;
        });
    const QMetaObject::Connection finishedConnection =
        QObject::connect(&session, &CommandSession::finished, &loop, [&] {
            span.finishedNs = monotonicNs();
            loop.quit();
        });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&loop] { loop.quit(); });
    guard.start(GuardMs);
    span.lineBegunNs.reserve(LogoLineCount);
    span.startNs = monotonicNs();
    session.run(PortChoice{.deviceName = device}, OpenPortFirst::Close,
                std::make_unique<LogoDownloadTask>(
                    logo, MachineNumber,
                    [&span](int) { span.lineBegunNs.push_back(monotonicNs()); }));
    loop.exec();
    QObject::disconnect(messageConnection);
    QObject::disconnect(finishedConnection);
    if (message != StatusText::DownloadComplete || span.finishedNs == 0)
        fail(QStringLiteral("the download ended with \"%1\"").arg(message));
    return span;
}

// The same 32 lines with no Qt at all: open the device, then for each line write the frame, block in
// poll() until the one-byte reply is there and read it; close. What the system itself allows.
DownloadSpan bareDownload(const QString &device, const LogoPicture &logo)
{
    DownloadSpan span;
    span.lineBegunNs.reserve(LogoLineCount);
    span.startNs = monotonicNs();
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(QStringLiteral("cannot open %1").arg(device));
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    ::tcsetattr(fd, TCSANOW, &settings);
    for (int line = 0; line < LogoLineCount; ++line) {
        span.lineBegunNs.push_back(monotonicNs());
        const QByteArray frame = char(MachineNumber) + logoLineFrame(line, logo.line(line));
        if (::write(fd, frame.constData(), size_t(frame.size())) != frame.size())
            fail(QStringLiteral("writing to %1 failed").arg(device));
        for (;;) {
            pollfd readable{fd, POLLIN, 0};
            if (::poll(&readable, 1, GuardMs) <= 0)
                fail(QStringLiteral("no reply on %1").arg(device));
            char reply = 0;
            if (::read(fd, &reply, 1) == 1)
                break;
        }
    }
    span.messageNs = monotonicNs();
    ::close(fd);
    span.finishedNs = monotonicNs();
    return span;
}

struct DownloadFigures
{
    std::vector<double> downloadMs;  // run() -> message
    std::vector<double> ratio;       // the same / line time
    std::vector<double> ownShare;    // less the simulator's hold beyond the line time, / line time
};

// Splits each download's time with the simulator's stamps and notes where it went.
DownloadFigures analyseDownloads(const std::vector<DownloadSpan> &spans, const QList<bench::StampedChunk> &chunks,
                                 const QString &label)
{
    DownloadFigures figures;
    std::vector<double> simExcessMs, closedMs, leadUs, tailUs, closeUs, turnaroundMs, holdMedianUs, seenUs, sentUs;
    for (const DownloadSpan &span : spans) {
        QList<bench::StampedChunk> own;
        for (const auto &chunk : chunks) {
            if (chunk.stampNs >= span.startNs && chunk.stampNs <= span.messageNs)
                own.append(chunk);
        }
        if (own.isEmpty() || own.constFirst().transmitted || !own.constLast().transmitted)
            fail(QStringLiteral("the simulator's stamps do not fit the download"));
        const Split split = splitTimes(own, 1'000'000'000);
        double holdSum = 0;
        for (const double hold : split.holdUs)
            holdSum += hold;
        double turnaroundSum = 0;
        for (const double turnaround : split.turnaroundUs)
            turnaroundSum += turnaround;
        const double downloadMs = double(span.messageNs - span.startNs) / NsPerMs;
        figures.downloadMs.push_back(downloadMs);
        figures.ratio.push_back(downloadMs / LineLimitMs);
        simExcessMs.push_back(holdSum / 1000 - LineLimitMs);
        figures.ownShare.push_back((downloadMs - simExcessMs.back()) / LineLimitMs);
        closedMs.push_back(double(span.finishedNs - span.startNs) / NsPerMs);
        turnaroundMs.push_back(turnaroundSum / 1000);
        holdMedianUs.push_back(spreadOf(split.holdUs).median);
        leadUs.push_back(double(own.constFirst().stampNs - span.startNs) / NsPerUs);
        tailUs.push_back(double(span.messageNs - own.constLast().stampNs) / NsPerUs);
        closeUs.push_back(double(span.finishedNs - span.messageNs) / NsPerUs);
        // The turnaround in two: reply written -> the next line begun here, and that -> its frame read there.
        size_t line = 0;
        for (qsizetype i = 0; i + 1 < own.size(); ++i) {
            if (!own[i].transmitted || own[i + 1].transmitted)
                continue;
            if (++line >= span.lineBegunNs.size())
                break;
            seenUs.push_back(double(span.lineBegunNs[line] - own[i].stampNs) / NsPerUs);
            sentUs.push_back(double(own[i + 1].stampNs - span.lineBegunNs[line]) / NsPerUs);
        }
    }
    const QString prefix = QStringLiteral("3 (%1): ").arg(label);
    note(prefix + QStringLiteral("downloads (run() -> message), ms: ") + list(figures.downloadMs, 2));
    note(prefix + QStringLiteral("run() -> finished (port closed), ms: ") + list(closedMs, 2));
    note(prefix + QStringLiteral("simulator's hold per line (frame read -> reply written), median per run, µs: ") +
         list(holdMedianUs, 1) + QStringLiteral(" (line time of 22 bytes: %1 µs)").arg(number(22 * 10 * 1e6 / 9600, 1)));
    note(prefix + QStringLiteral("simulator's hold beyond the line time, per download, ms: ") + list(simExcessMs, 2));
    note(prefix + QStringLiteral("program's turnaround (reply written -> next frame read by the simulator), sum "
                                 "of 31 lines, ms: ") +
         list(turnaroundMs, 2));
    note(prefix + QStringLiteral("the turnaround in two, per line: reply written -> next line begun here: median "
                                 "%1 µs (max %2); next line begun -> its frame read by the simulator: median %3 µs "
                                 "(max %4)")
                      .arg(number(spreadOf(seenUs).median, 1), number(spreadOf(seenUs).max, 1),
                           number(spreadOf(sentUs).median, 1), number(spreadOf(sentUs).max, 1)));
    note(prefix + QStringLiteral("run() -> first frame byte read by the simulator, µs: ") + list(leadUs, 1));
    note(prefix + QStringLiteral("last reply written -> message, µs: ") + list(tailUs, 1));
    note(prefix + QStringLiteral("message -> finished (port closed), µs: ") + list(closeUs, 1));
    return figures;
}

// ---- Figure 5: the window in a process of its own ----

struct ProbeRun
{
    qint64 spawnNs = 0;
    std::map<QByteArray, qint64> stamps;
    QByteArray status;
    long maxRssKb = 0;
    int exitCode = -1;
};

ProbeRun runWindowProbe(const QStringList &arguments)
{
    std::vector<QByteArray> argumentBytes{QByteArrayLiteral(TIMECLOCK_BENCH_WINDOW_PATH)};
    for (const QString &argument : arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        fail(QStringLiteral("pipe2 failed"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);

    ProbeRun run;
    pid_t pid = 0;
    run.spawnNs = monotonicNs();
    const int spawnError = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawnError != 0)
        fail(QStringLiteral("cannot start %1").arg(QString::fromLocal8Bit(argv[0])));

    QByteArray output;
    const qint64 deadline = monotonicNs() + qint64(GuardMs) * 1'000'000;
    for (;;) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        const int waitMs = int(std::max<qint64>(0, (deadline - monotonicNs()) / 1'000'000));
        const int ready = ::poll(&readable, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t count = ::read(pipeFds[0], buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        output.append(buffer, count);
    }
    ::close(pipeFds[0]);

    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxRssKb = usage.ru_maxrss;
    for (const QByteArray &line : output.split('\n')) {
        const qsizetype space = line.indexOf(' ');
        if (space < 0)
            continue;
        if (line.startsWith("STATUS "))
            run.status = line.mid(space + 1);
        else
            run.stamps[line.left(space)] = line.mid(space + 1).toLongLong();
    }
    if (run.exitCode != 0 || !run.stamps.count("SHOWN"))
        fail(QStringLiteral("the window probe failed (exit %1): %2").arg(run.exitCode).arg(QString::fromUtf8(output)));
    return run;
}

// ---- The table ----

struct Row
{
    QString figure;
    QString what;
    QString median;
    QString min;
    QString max;
    QString runs;
    QString target;
    QString met;
};

Row spreadRow(const QString &figure, const QString &what, const Spread &spread, int decimals,
              const QString &unit, const QString &runs, const QString &target = QStringLiteral("–"),
              const QString &met = QStringLiteral("–"))
{
    const QString suffix = unit.isEmpty() ? QString() : u' ' + unit;
    return {figure, what, number(spread.median, decimals) + suffix, number(spread.min, decimals) + suffix,
            number(spread.max, decimals) + suffix, runs, target, met};
}

QString yesNo(bool met)
{
    return met ? QStringLiteral("yes") : QStringLiteral("**no**");
}

void printTable(const std::vector<Row> &rows)
{
    QString table;
    table += QStringLiteral("| # | Figure | Median | Min | Max | Runs | Target | Met |\n");
    table += QStringLiteral("|---|---|---:|---:|---:|---|---|---|\n");
    for (const Row &row : rows) {
        table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 |\n")
                     .arg(row.figure, row.what, row.median, row.min, row.max, row.runs, row.target, row.met);
    }
    const QByteArray bytes = table.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures timeclock-setup against timeclock-sim."));
    parser.addHelpOption();
    const QCommandLineOption detailsOption(QStringLiteral("details"),
                                           QStringLiteral("Write what lies behind the figures to FILE."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Fewer runs, for a try."));
    parser.addOption(detailsOption);
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Measure only these figures, e.g. 2,3 (4 comes with 1)."),
                                        QStringLiteral("LIST"));
    parser.addOption(quickOption);
    parser.addOption(onlyOption);
    parser.process(app);
    QList<int> only;
    for (const QString &figure : parser.value(onlyOption).split(u',', Qt::SkipEmptyParts))
        only.append(figure.toInt());
    const auto wanted = [&only](int figure) { return only.isEmpty() || only.contains(figure); };

    Counts counts;
    if (parser.isSet(quickOption))
        counts = Counts{2, 2, 200, 2, 3, 1, 2, 500};
    // The window probe runs without a display, like the program's tests.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir runtimeDir;  // Qt wants a private runtime folder; without one it warns on every start
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.isValid())
        ::setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
    note(QStringLiteral("load average at the start: ") + loadAverage());

    std::vector<Row> rows;
    const LogoPicture logo = sampleLogo();
    const auto logoExchange = [&logo](int index) {
        const int line = index % LogoLineCount;
        return Exchange{MachineNumber, false, logoLineFrame(line, logo.line(line)), 1};
    };

    if (wanted(1) || wanted(4)) {
        // Figures 1 and 4.
        progress("1, 4: one-second waits for a reply that never comes, event-driven and polling side by side");
        std::vector<double> oursCpuMs, pollingCpuMs, ratios, timeoutS;
        {
            auto sim = startSim({QStringLiteral("--silence"), QStringLiteral("all")});
            const Exchange exchange = readSerialExchange(MachineNumber);
            for (int pair = 0; pair < counts.waitPairs; ++pair) {
                const WaitResult ours = eventDrivenWait(sim->device(), exchange);
                const WaitResult polling = pollingWait(sim->device(), exchange);
                oursCpuMs.push_back(double(ours.cpuNs) / NsPerMs);
                pollingCpuMs.push_back(double(polling.cpuNs) / NsPerMs);
                ratios.push_back(100.0 * double(ours.cpuNs) / double(polling.cpuNs));
                timeoutS.push_back(double(ours.wallNs) / 1e9);
            }
            sim->stop();
        }
        note(QStringLiteral("1: processor time, event-driven wait, ms: ") + list(oursCpuMs, 4));
        note(QStringLiteral("1: processor time, polling wait, ms: ") + list(pollingCpuMs, 1));
        note(QStringLiteral("4: time-outs, s: ") + list(timeoutS, 6));
        const QString pairs = QString::number(counts.waitPairs);
        rows.push_back(spreadRow(QStringLiteral("1"),
                                 QStringLiteral("Processor time in a 1 s timed-out wait: SerialLink, event-driven"),
                                 spreadOf(oursCpuMs), 3, QStringLiteral("ms"), pairs));
        rows.push_back(spreadRow(QStringLiteral("1"),
                                 QStringLiteral("Processor time in a 1 s timed-out wait: polling reference"),
                                 spreadOf(pollingCpuMs), 1, QStringLiteral("ms"), pairs));
        const Spread ratio = spreadOf(ratios);
        rows.push_back(spreadRow(QStringLiteral("1"), QStringLiteral("Event-driven / polling, per pair"), ratio, 3,
                                 QStringLiteral("%"), pairs, QStringLiteral("≤ 1 %"), yesNo(ratio.max <= 1.0)));

        // Figure 4, from the event-driven waits of figure 1.
        const bool allInside = std::all_of(timeoutS.cbegin(), timeoutS.cend(),
                                           [](double seconds) { return seconds > 1.0 && seconds <= 1.005; });
        const auto inside = std::count_if(timeoutS.cbegin(), timeoutS.cend(),
                                          [](double seconds) { return seconds > 1.0 && seconds <= 1.005; });
        rows.push_back(spreadRow(QStringLiteral("4"),
                                 QStringLiteral("Time-out: transact() returned → TimedOut reported (the waits of 1)"),
                                 spreadOf(timeoutS), 6, QStringLiteral("s"), pairs,
                                 QStringLiteral("1.000 s < t ≤ 1.005 s in every run"),
                                 yesNo(allInside) + QStringLiteral(" (%1 of %2 inside)").arg(inside).arg(timeoutS.size())));
    }

    if (wanted(2)) {
        // Figure 2: replies back to back, and replies that come 2 ms after their frame (the program idle
        // meanwhile, as with a real terminal), taking turns.
        progress("2: reply detection latency");
        const QString exchanges = QStringLiteral("%1 × %2 exchanges").arg(counts.latencyRuns).arg(counts.latencyExchanges);
        const QStringList delayed{QStringLiteral("--delay-ms"), QStringLiteral("2"), QStringLiteral("--exact-timing")};
        LatencyFigures burst, idle, bareBurst, bareIdle;
        for (int run = 0; run < counts.latencyRuns; ++run) {
            measureLatency(burst, counts.latencyExchanges, {}, logoExchange);
            measureBareLatency(bareBurst, counts.latencyExchanges, {}, logoExchange);
            measureLatency(idle, counts.latencyExchanges, delayed, logoExchange);
            measureBareLatency(bareIdle, counts.latencyExchanges, delayed, logoExchange);
        }
        noteLatency(burst, QStringLiteral("back to back"));
        noteLatency(bareBurst, QStringLiteral("back to back, bare poll()"));
        noteLatency(idle, QStringLiteral("--delay-ms 2"));
        noteLatency(bareIdle, QStringLiteral("--delay-ms 2, bare poll()"));
        for (const auto &[figures, label] :
             {std::pair{&burst, QStringLiteral("Reply detection latency, back to back")},
              std::pair{&bareBurst, QStringLiteral("Reference for it: bare poll() in C (no Qt), back to back")},
              std::pair{&idle, QStringLiteral("Reply detection latency, each reply 2 ms after its frame (idle)")},
              std::pair{&bareIdle, QStringLiteral("Reference for it: bare poll() in C (no Qt), 2 ms after")}}) {
            const bool reference = figures == &bareBurst || figures == &bareIdle;
            const Spread median = spreadOf(figures->medianUs);
            const Spread p99 = spreadOf(figures->p99Us);
            rows.push_back(spreadRow(QStringLiteral("2"),
                                     label + QStringLiteral(": median of each run"),
                                     median, 1, QStringLiteral("µs"), exchanges,
                                     reference ? QStringLiteral("–") : QStringLiteral("≤ 100 µs"),
                                     reference ? QStringLiteral("–") : yesNo(median.median <= 100)));
            rows.push_back(spreadRow(QStringLiteral("2"),
                                     QStringLiteral("… 99th percentile of each run"), p99, 1,
                                     QStringLiteral("µs"), exchanges,
                                     reference ? QStringLiteral("–") : QStringLiteral("≤ 500 µs"),
                                     reference ? QStringLiteral("–") : yesNo(p99.median <= 500)));
        }
    }

    if (wanted(3)) {
        // Figure 3: downloads against the simulator as it is and with --exact-timing, and a bare C loop
        // against the latter as a yardstick, taking turns.
        progress("3: logo downloads at 9600 baud");
        DownloadFigures plain, exact, bare;
        {
            const QStringList lineRate{QStringLiteral("--line-rate"), QStringLiteral("9600"), QStringLiteral("--timestamps")};
            auto plainSim = startSim(lineRate);
            auto exactSim = startSim(lineRate + QStringList{QStringLiteral("--exact-timing")});
            CommandSession session;
            std::vector<DownloadSpan> plainSpans, exactSpans, bareSpans;
            for (int run = 0; run < counts.downloads; ++run) {
                plainSpans.push_back(download(session, plainSim->device(), logo));
                exactSpans.push_back(download(session, exactSim->device(), logo));
                bareSpans.push_back(bareDownload(exactSim->device(), logo));
            }
            // Opening and closing the port on their own: part of every download's first and last milliseconds.
            std::vector<double> openUs, closeUs;
            for (int cycle = 0; cycle < 20; ++cycle) {
                SerialLink link;
                const qint64 beforeOpen = monotonicNs();
                if (link.prepareLink(true, exactSim->device()))
                    fail(QStringLiteral("cannot open %1").arg(exactSim->device()));
                const qint64 opened = monotonicNs();
                link.releaseLink();
                openUs.push_back(double(opened - beforeOpen) / NsPerUs);
                closeUs.push_back(double(monotonicNs() - opened) / NsPerUs);
            }
            note(QStringLiteral("3: SerialLink::prepareLink (QSerialPort::open: lock file, termios) over 20 tries: "
                                "median %1 µs, max %2 µs; releaseLink (close, lock file removed): median %3 µs, "
                                "max %4 µs")
                     .arg(number(spreadOf(openUs).median, 1), number(spreadOf(openUs).max, 1),
                          number(spreadOf(closeUs).median, 1), number(spreadOf(closeUs).max, 1)));
            plainSim->stop();
            exactSim->stop();
            plain = analyseDownloads(plainSpans, plainSim->chunks(), QStringLiteral("--line-rate 9600"));
            const auto exactChunks = exactSim->chunks();
            exact = analyseDownloads(exactSpans, exactChunks, QStringLiteral("--line-rate 9600 --exact-timing"));
            bare = analyseDownloads(bareSpans, exactChunks, QStringLiteral("bare poll() in C, --exact-timing"));
        }
        const QString downloads = QString::number(counts.downloads);
        const Spread plainRatio = spreadOf(plain.ratio);
        rows.push_back(spreadRow(QStringLiteral("3"),
                                 QStringLiteral("Logo download, timeclock-sim --line-rate 9600: run() → \"下载完成！\" "
                                                "(CommandSession + LogoDownloadTask)"),
                                 spreadOf(plain.downloadMs), 1, QStringLiteral("ms"), downloads));
        rows.push_back(spreadRow(QStringLiteral("3"), QStringLiteral("… / 733.3 ms line time"), plainRatio, 4,
                                 QString(), downloads, QStringLiteral("≤ 1.01"), yesNo(plainRatio.median <= 1.01)));
        rows.push_back(spreadRow(QStringLiteral("3"),
                                 QStringLiteral("Logo download, the same, simulator with --exact-timing (reply timer "
                                                "to the µs, not whole ms); runs take turns with the above"),
                                 spreadOf(exact.downloadMs), 1, QStringLiteral("ms"), downloads));
        const Spread exactRatio = spreadOf(exact.ratio);
        rows.push_back(spreadRow(QStringLiteral("3"), QStringLiteral("… / 733.3 ms line time"), exactRatio, 4,
                                 QString(), downloads, QStringLiteral("≤ 1.01"), yesNo(exactRatio.median <= 1.01)));
        rows.push_back(spreadRow(QStringLiteral("3"),
                                 QStringLiteral("Reference: the same 32 exchanges by a bare poll() loop in C (no Qt), "
                                                "--exact-timing simulator, taking turns / 733.3 ms"),
                                 spreadOf(bare.ratio), 4, QString(), downloads));
        std::vector<double> ownShare = plain.ownShare;
        ownShare.insert(ownShare.end(), exact.ownShare.cbegin(), exact.ownShare.cend());
        const Spread ownShareSpread = spreadOf(ownShare);
        rows.push_back(spreadRow(QStringLiteral("3"),
                                 QStringLiteral("Program's own share: (download − simulator's hold beyond line time) / "
                                                "733.3 ms, both kinds of run"),
                                 ownShareSpread, 4, QString(), QString::number(ownShare.size()),
                                 QStringLiteral("≤ 1.01"), yesNo(ownShareSpread.median <= 1.01)));
    }

    if (wanted(5)) {
        // Figure 5.
        progress("5: start-up of the window, and peak memory of a whole session");
        std::vector<double> startupMs, rssMb;
        {
            runWindowProbe({});  // warms the caches; not counted
            std::vector<double> loadMs, appMs, formMs;
            for (int run = 0; run < counts.startups; ++run) {
                const ProbeRun probe = runWindowProbe({});
                startupMs.push_back(double(probe.stamps.at("SHOWN") - probe.spawnNs) / NsPerMs);
                loadMs.push_back(double(probe.stamps.at("MAIN") - probe.spawnNs) / NsPerMs);
                appMs.push_back(double(probe.stamps.at("APP") - probe.stamps.at("MAIN")) / NsPerMs);
                formMs.push_back(double(probe.stamps.at("FORM") - probe.stamps.at("APP")) / NsPerMs);
            }
            note(QStringLiteral("5: start-ups, ms: ") + list(startupMs, 1));
            note(QStringLiteral("5: of which (medians) spawn -> main() %1 ms, QApplication %2 ms, Form1 %3 ms, "
                                "show -> first paint done %4 ms")
                     .arg(number(spreadOf(loadMs).median, 1), number(spreadOf(appMs).median, 1),
                          number(spreadOf(formMs).median, 1),
                          number(spreadOf(startupMs).median - spreadOf(loadMs).median - spreadOf(appMs).median -
                                     spreadOf(formMs).median,
                                 1)));
            auto sim = startSim({});
            for (int run = 0; run < counts.memoryRuns; ++run) {
                const ProbeRun probe = runWindowProbe(
                    {QStringLiteral("--port"), QStringLiteral("1=") + sim->device(), QStringLiteral("--download")});
                if (probe.status != "ok")
                    fail(QStringLiteral("the window's download ended with \"%1\"").arg(QString::fromUtf8(probe.status)));
                rssMb.push_back(double(probe.maxRssKb) * 1024 / 1e6);
            }
            sim->stop();
            note(QStringLiteral("5: peak resident memory, MB: ") + list(rssMb, 1));
        }
        const Spread startup = spreadOf(startupMs);
        rows.push_back(spreadRow(QStringLiteral("5"),
                                 QStringLiteral("Start-up: spawn → Form1 first painted (offscreen; first run not counted)"),
                                 startup, 1, QStringLiteral("ms"), QString::number(counts.startups),
                                 QStringLiteral("≤ 250 ms"), yesNo(startup.median <= 250)));
        const Spread rss = spreadOf(rssMb);
        rows.push_back(spreadRow(QStringLiteral("5"),
                                 QStringLiteral("Peak resident memory: open window, download logo via DOWNLOG, quit "
                                                "(offscreen)"),
                                 rss, 1, QStringLiteral("MB"), QString::number(counts.memoryRuns),
                                 QStringLiteral("≤ 50 MB"), yesNo(rss.max <= 50)));
    }

    if (wanted(6)) {
        // Figure 6.
        progress("6: exchanges back to back without line-rate limiting");
        std::vector<double> perSecond;
        for (int run = 0; run < counts.throughputRuns; ++run) {
            auto sim = startSim({});
            const BurstResult burst = backToBack(sim->device(), counts.throughputExchanges, logoExchange);
            sim->stop();
            perSecond.push_back(double(counts.throughputExchanges) * 1e9 /
                                double(burst.finishedAtNs.back() - burst.startNs));
        }
        note(QStringLiteral("6: exchanges per second: ") + list(perSecond, 0));
        rows.push_back(spreadRow(QStringLiteral("6"),
                                 QStringLiteral("Exchange throughput, logo-line exchanges back to back, no line-rate "
                                                "limit"),
                                 spreadOf(perSecond), 0, QStringLiteral("/s"),
                                 QStringLiteral("%1 × %2 exchanges").arg(counts.throughputRuns).arg(counts.throughputExchanges)));
    }

    note(QStringLiteral("load average at the end: ") + loadAverage());
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.figure < b.figure; });
    printTable(rows);
    if (parser.isSet(detailsOption)) {
        QFile file(parser.value(detailsOption));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            file.write(details.toUtf8());
    }
    return 0;
}
