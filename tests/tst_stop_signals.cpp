#include "command_runner.h"
#include "status_messages.h"
#include "sim_fixture.h"
#include "silent_server.h"
#include "stop_signals.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// Ctrl-C and SIGTERM end a command after the exchange on the line even when the program could not make
// the pipe its waits watch (no file descriptor left): the handlers are installed all the same and the
// waits look at the flag. Its own process: the handlers and the flag are the whole program's.
// And the program itself, stopped by a signal at each kind of wait of each command: always 已中断！, the
// signal's exit code and `interrupted` in the history, never a terminal's fault.
class TestStopSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void signalEndsTheDownloadWithoutThePipe();
    void signalAtEveryWait_data();
    void signalAtEveryWait();
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

void TestStopSignals::signalAtEveryWait_data()
{
    QTest::addColumn<QStringList>("arguments");  // after the command word; LOGO is a logo file, PORT the port
    QTest::addColumn<QStringList>("simulator");  // its options; none: the port is a server that never answers
    QTest::addColumn<QByteArray>("asked");       // the signal comes once the simulator has received this...
    QTest::addColumn<int>("times");              // ...this many times
    QTest::addColumn<int>("signal");

    const QStringList silent{"--silence", "all"};
    const QByteArray askAt18 = QByteArray::fromHex("12021f");
    const QByteArray anyAsk = QByteArray::fromHex("021f");
    // A frame that gets no answer: the signal comes within its second.
    QTest::newRow("read-serial, no answer, Ctrl-C") << QStringList{"read-serial"} << silent << askAt18 << 1 << SIGINT;
    QTest::newRow("read-serial, no answer, SIGTERM") << QStringList{"read-serial"} << silent << askAt18 << 1 << SIGTERM;
    // Whatever it sends first (it may read the terminal's own serial number before it writes).
    QTest::newRow("write-serial, no answer") << QStringList{"write-serial", "0A1B2C"} << silent << QByteArray("\x12") << 1 << SIGINT;
    QTest::newRow("settings, no answer") << QStringList{"settings"} << silent << QByteArray("\x12") << 1 << SIGTERM;
    QTest::newRow("renumber, no answer") << QStringList{"renumber", "5"} << silent << QByteArray("\x63") << 1 << SIGINT;
    QTest::newRow("logo, no answer") << QStringList{"logo", "LOGO"} << silent << QByteArray::fromHex("1c") << 1 << SIGTERM;
    QTest::newRow("scan, between answers") << QStringList{"scan"} << silent << anyAsk << 3 << SIGINT;
    // provision's waits: the line's scan at the first Enter, the check at the factory number.
    QTest::newRow("provision, the line's scan") << QStringList{"provision", "PROFILE", "--numbers", "1"} << silent << anyAsk << 3 << SIGINT;
    QTest::newRow("provision, no answer at the check")
        << QStringList{"provision", "PROFILE", "--numbers", "1", "--scan-timeout", "1"} << silent << askAt18 << 2 << SIGTERM;
    // A network port whose server takes the connection and never answers the port settings.
    QTest::newRow("read-serial, the port opening") << QStringList{"read-serial"} << QStringList() << QByteArray() << 0 << SIGINT;
    QTest::newRow("provision, the port opening") << QStringList{"provision", "PROFILE", "--numbers", "1"} << QStringList() << QByteArray() << 0
                                                 << SIGTERM;
}

void TestStopSignals::signalAtEveryWait()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, simulator);
    QFETCH(QByteArray, asked);
    QFETCH(int, times);
    QFETCH(int, signal);

    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString logo = writeCountingLogoFile(home, LogoLineCount);
    const QString profile = home.filePath("shop.ini");
    {
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[settings]\nmode=door\n[logo]\nfile=" + QFileInfo(logo).fileName().toUtf8() + "\n");
    }
    SimulatedTimeClock clock(simulator);
    SilentServer server;
    QString port;
    if (simulator.isEmpty()) {
        port = server.url();
    } else {
        QVERIFY(clock.start());
        port = clock.devicePath();
    }
    arguments.replaceInStrings(QRegularExpression("^LOGO$"), logo);
    arguments.replaceInStrings(QRegularExpression("^PROFILE$"), profile);
    arguments << "--port" << port;

    QProcess program;
    QProcessEnvironment homes;
    homes.insert("XDG_DATA_HOME", home.filePath("data"));
    homes.insert("XDG_CONFIG_HOME", home.filePath("config"));
    program.setProcessEnvironment(scriptEnvironment(homes));
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(QStringLiteral(TIMECLOCK_SETUP_PATH), arguments);
    QVERIFY(program.waitForStarted(5000));
    program.write("\n");  // provision's Enter for the first terminal
    program.closeWriteChannel();
    QVERIFY(program.waitForBytesWritten(5000) || program.bytesToWrite() == 0);
    if (simulator.isEmpty())
        QVERIFY(server.waitForClient(10000));
    else
        QVERIFY(clock.waitUntil([&] { return clock.received().count(asked) >= times; }, 20000));
    QVERIFY2(finished.isEmpty(), program.readAllStandardError().constData());
    ::kill(pid_t(program.processId()), signal);
    QVERIFY(finished.wait(20000) || !finished.isEmpty());
    // A command says it on standard error, provision on its number's line.
    const QString said = QString::fromUtf8(program.readAllStandardError() + program.readAllStandardOutput());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == 128 + signal, qPrintable(QString("%1: %2").arg(program.exitCode()).arg(said)));
    QVERIFY2(said.contains(StatusText::Interrupted.toString()), qPrintable(said));
    QVERIFY2(!said.contains("没有回答") && !said.contains("no-reply"), qPrintable(said));

    // The history's last entry is the command (or provision's step) that the signal stopped.
    QFile history(home.filePath("data/timeclock-setup/history.tsv"));
    QVERIFY(history.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = history.readAll().trimmed().split('\n');
    const QList<QByteArray> fields = lines.last().split('\t');
    QVERIFY2(fields.size() >= 5 && fields.at(4).startsWith("interrupted"), lines.last().constData());
    if (!simulator.isEmpty())
        QVERIFY(clock.stop());
}

QTEST_MAIN(TestStopSignals)
#include "tst_stop_signals.moc"
