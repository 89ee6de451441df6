#include "command_runner.h"
#include "sim_fixture.h"
#include "stop_signals.h"
#include "window_bench.h"

#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// Ctrl-C and SIGTERM end a command after the exchange on the line even when the program could not make
// the pipe its waits watch (no file descriptor left): the handlers are installed all the same and the
// waits look at the flag. Its own process: the handlers and the flag are the whole program's.
class TestStopSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void signalEndsTheDownloadWithoutThePipe();
};

namespace {
constexpr quint8 Machine = 18;

// Every file descriptor taken while install() runs, so that its pipe2 fails.
void installWithNoDescriptorLeft()
{
    rlimit before{};
    ::getrlimit(RLIMIT_NOFILE, &before);
    rlimit fewer = before;
    fewer.rlim_cur = std::min<rlim_t>(before.rlim_cur, 512);
    ::setrlimit(RLIMIT_NOFILE, &fewer);
    QList<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        taken << fd;
    int probe[2] = {-1, -1};
    const bool pipeFailed = ::pipe2(probe, O_CLOEXEC) != 0;
    StopSignals::install();
    for (const int fd : std::as_const(taken))
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &before);
    QVERIFY(pipeFailed);
}
} // namespace

void TestStopSignals::initTestCase()
{
    qRegisterMetaType<CommandResult>();
    installWithNoDescriptorLeft();
    QCOMPARE(StopSignals::watchFd(), -1);
}

void TestStopSignals::signalEndsTheDownloadWithoutThePipe()
{
    // The flag stays set once a signal came, so one download shows it; Ctrl-C follows at the end.
    constexpr int signal = SIGTERM;
    constexpr int SignalAtLine = 5;
    SimulatedTimeClock clock({"--delay-ms", "80"});
    QVERIFY(clock.start());
    LogoPicture picture;
    picture.bytes = QByteArray(LogoByteCount, '\x55');
    CommandInputs inputs{.machineNumber = Machine, .picture = picture};
    // Caught, the signal only sets the flag; uncaught, it would end this process here.
    inputs.progress = [](int linesBegun) {
        if (linesBegun == SignalAtLine)
            std::raise(signal);
    };
    const CommandRun run =
        runTerminalCommand(PortChoice{.number = 1, .deviceName = clock.devicePath()}, TerminalCommand::DownloadLogo, inputs);
    QCOMPARE(StopSignals::received(), signal);
    QCOMPARE(int(run.result.status), int(CommandStatus::Interrupted));
    const int confirmed = run.result.linesConfirmed.value_or(-1);
    QVERIFY2(confirmed >= SignalAtLine && confirmed < LogoLineCount, qPrintable(QString::number(confirmed)));
    QVERIFY(clock.stop());
    // The port was released after a whole exchange: every line on the line was answered.
    QCOMPARE(int(clock.received().count(QByteArray::fromHex("1c55"))), confirmed);
    std::raise(SIGINT);
    QCOMPARE(StopSignals::received(), SIGINT);
}

QTEST_MAIN(TestStopSignals)
#include "tst_stop_signals.moc"
