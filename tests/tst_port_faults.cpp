#include "local_opening.h"
#include "port_catalogue.h"
#include "rs485_direction.h"
#include "silent_server.h"
#include "status_messages.h"
#include "tst_cli_process.h"
#include "unprivileged_run.h"
#include "window_bench.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Ports that cannot be opened: the operator is told why, nothing is sent and the buttons stay usable.
class TestPortFaults : public QObject
{
    Q_OBJECT

private slots:
    void deviceThatDoesNotExist();
    void deviceHeldByAnotherProgram();
    void deviceTheUserMayNotOpen();
    void nameThatIsNoSerialPort_data();
    void nameThatIsNoSerialPort();
    void shortNameGetsTheSameReason();
    void deviceReadByAnotherProgram();
    void commandLineNamesAnotherProgramReading();
    void lockFileIsGoneAfterEveryCommand_data();
    void lockFileIsGoneAfterEveryCommand();
    void liveLockKeepsThePortClosed_data();
    void liveLockKeepsThePortClosed();
    void lockOfAnEndedProcessHoldsNothing();
    void portsOpensNoPort();
    void echoingLineIsKnownAfterwards();
    void rs485DirectionIsAskedOfTheDriver_data();
    void rs485DirectionIsAskedOfTheDriver();
    void rs485RefusedWhereNoDriverSwitches_data();
    void rs485RefusedWhereNoDriverSwitches();
    void slowOpenLeavesTheWindowAnswering();
    void closingGivesASlowOpenUp();

private:
    static QString lockFileFor(const QString &device);
    static QString pressCmd2On(const QString &device);
};

namespace {
const char *const PermissionDeviceVariable = "TIMECLOCK_TEST_PERMISSION_DEVICE";
}

QString TestPortFaults::lockFileFor(const QString &device)
{
    // Qt's serial port takes a UUCP-style lock named after the device below /dev.
    QString name = device;
    name.remove(QRegularExpression(QStringLiteral("^/dev/")));
    return QStringLiteral("/var/lock/LCK..") + name.replace(u'/', u'_');
}

QString TestPortFaults::pressCmd2On(const QString &device)
{
    PortDirectory ports;
    ports.mapPort(1, device);
    Form1 form(ports);
    auto *button = form.findChild<QPushButton *>("Cmd2");
    button->click();
    // The port opens on a thread of its own: the command ends once the open is reported back.
    const bool ended = QTest::qWaitFor([&form] { return !form.session().isRunning(); }, 10000);
    const bool usable = ended && button->isEnabled() && !form.session().isRunning() && !form.session().link().isOpen();
    return usable ? form.findChild<QLabel *>("HELP1")->text() : QStringLiteral("left running or disabled");
}

void TestPortFaults::deviceThatDoesNotExist()
{
    // The device is named: port numbers shift when an adapter is plugged in. The ports named are the
    // window's, its port 1 marked as not there.
    PortDirectory windowPorts;
    windowPorts.mapPort(1, "/dev/timeclock-no-such-device");
    QVERIFY(availablePortsNote(windowPorts).contains("1 号 /dev/timeclock-no-such-device" + missingDeviceMark()));
    QCOMPARE(pressCmd2On("/dev/timeclock-no-such-device"),
             "串口打开失败！（无此串口：/dev/timeclock-no-such-device" + availablePortsNote(windowPorts) + "）");
}

void TestPortFaults::deviceHeldByAnotherProgram()
{
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    QSerialPort otherProgram(clock.devicePath());
    QVERIFY(otherProgram.open(QIODevice::ReadWrite));
    QCOMPARE(pressCmd2On(clock.devicePath()), "串口打开失败！（串口被占用：" + clock.devicePath() + "）");
    otherProgram.close();
    QVERIFY(clock.received().isEmpty());
}

void TestPortFaults::deviceTheUserMayNotOpen()
{
    if (::geteuid() != 0) {
        // Unprivileged: a device node (or a stand-in file) the user has no rights on.
        QString device = qEnvironmentVariable(PermissionDeviceVariable);
        QTemporaryDir dir;
        if (device.isEmpty()) {
            device = dir.filePath("ttyS-locked");
            QFile file(device);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QVERIFY(file.setPermissions(QFileDevice::Permissions()));
        }
        QCOMPARE(pressCmd2On(device), "串口打开失败！（权限不足：" + device + "）");
        return;
    }

    // As root every device opens: the same case again as an unprivileged user, on a device only root may use.
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));
    const QString device = dir.filePath("ttyS-root-only");
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    // A settings store the user may write: one it may not leaves the line unknown, and 改号 would ask first.
    QTemporaryDir store;
    QVERIFY(QFile::setPermissions(store.path(), QFileDevice::Permissions(0x7777)));
    QProcessEnvironment extra;
    extra.insert(QString::fromLatin1(PermissionDeviceVariable), device);
    extra.insert(QStringLiteral("XDG_CONFIG_HOME"), store.path());
    const UnprivilegedRun run = runAsNobody(QStringLiteral("deviceTheUserMayNotOpen"), extra);
    if (!run.ran)
        QSKIP(qPrintable("an unprivileged user cannot run this test here: " + run.output.left(300)));
    QVERIFY2(run.passed, qPrintable(run.output));
}

void TestPortFaults::nameThatIsNoSerialPort_data()
{
    QTest::addColumn<QString>("name");  // "DIR" stands for a folder of the test's own
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder") << "DIR" << "这是文件夹";
    QTest::newRow("/dev") << "/dev" << "这是文件夹";
    QTest::newRow("/dev/null") << "/dev/null" << "不是串口";
    QTest::newRow("plain file") << "DIR/notes.txt" << "不是串口";
}

void TestPortFaults::nameThatIsNoSerialPort()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QFile notes(dir.filePath("notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    const QString device = QString(name).replace("DIR", dir.path());
    QCOMPARE(pressCmd2On(device), "串口打开失败！（" + reason + "：" + device + "）");
}

void TestPortFaults::shortNameGetsTheSameReason()
{
    // "pts/N" as typed after --port is the device below /dev: the reason is the full path's.
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    QVERIFY(clock.devicePath().startsWith("/dev/"));
    const QString shortName = clock.devicePath().mid(5);
    QSerialPort otherProgram(clock.devicePath());
    QVERIFY(otherProgram.open(QIODevice::ReadWrite));
    QCOMPARE(pressCmd2On(shortName), "串口打开失败！（串口被占用：" + shortName + "）");
    otherProgram.close();
    PortDirectory windowPorts;
    windowPorts.mapPort(1, "timeclock-no-such-device");
    QCOMPARE(pressCmd2On("timeclock-no-such-device"),
             "串口打开失败！（无此串口：timeclock-no-such-device" + availablePortsNote(windowPorts) + "）");
}

void TestPortFaults::deviceReadByAnotherProgram()
{
    // cat reading the device takes some of the bytes first; a read that finds nothing is no lost device.
    WindowBench bench;
    QVERIFY(bench.start());
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    cat.start(QStringLiteral("cat"), {bench.clock.devicePath()});
    QVERIFY(cat.waitForStarted());
    // Reading, before the first command: the port, once opened by the program, is exclusive to it.
    const auto catHoldsDevice = [&] {
        const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(cat.processId()));
        for (const QFileInfo &entry : descriptors.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
            if (entry.symLinkTarget() == bench.clock.devicePath())
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(catHoldsDevice(), 5000);
    for (int press = 0; press < 5; ++press) {
        QVERIFY(bench.press("Cmd2"));
        QVERIFY2(bench.status() == StatusText::SettingSucceeded || bench.status() == StatusText::CommunicationFailed,
                 qPrintable(bench.status()));
        QVERIFY(bench.idle());
    }
    cat.kill();
    cat.waitForFinished();
}

// A program that holds the port open without a lock (a ser2net that locks nothing, cat) takes the answer:
// the command line names it beside "no answer", as the window's tooltip does.
void TestPortFaults::commandLineNamesAnotherProgramReading()
{
    SimulatedTimeClock clock({"--silence", "all"});
    QVERIFY(clock.start());
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    cat.start(QStringLiteral("cat"), {clock.devicePath()});
    QVERIFY(cat.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!otherProgramsHolding(LineIdentity::of(clock.devicePath())).isEmpty(), 5000);
    const QString note = QStringLiteral("另一个程序（cat，进程 %1）也打开了这个串口").arg(cat.processId());
    const ProgramRun held = runProgram({"read-serial", "--port", clock.devicePath()});
    QCOMPARE(held.exitCode, 1);
    QVERIFY2(held.errText().contains(note), qPrintable(held.errText()));
    const ProgramRun json = runProgram({"read-serial", "--json", "--port", clock.devicePath()});
    QVERIFY2(QString::fromUtf8(json.out).contains(note), json.out.constData());
    cat.kill();
    QVERIFY(cat.waitForFinished());
    // With nobody else on the port, no program is named.
    const ProgramRun alone = runProgram({"read-serial", "--port", clock.devicePath()});
    QCOMPARE(alone.exitCode, 1);
    QVERIFY2(!alone.errText().contains("另一个程序"), qPrintable(alone.errText()));
    QVERIFY(clock.stop());
}

void TestPortFaults::lockFileIsGoneAfterEveryCommand_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("button");
    QTest::newRow("answered") << QStringList() << "Cmd2";
    QTest::newRow("timed out") << QStringList{"--silence", "all"} << "Command4";
    QTest::newRow("device vanished") << QStringList{"--hangup-at", "0"} << "Command5";
}

void TestPortFaults::lockFileIsGoneAfterEveryCommand()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QString, button);
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    bench.setText("xlh", "000000");  // typed: the start-up placeholder is never written
    const QString lockFile = lockFileFor(bench.clock.devicePath());
    bool lockedWhileRunning = false;
    connect(&bench.form->session(), &CommandSession::messageReady, this,
            [&] { lockedWhileRunning = QFileInfo::exists(lockFile); });
    QVERIFY(bench.press(qPrintable(button)));
    if (!bench.clock.hungUp())
        QVERIFY2(lockedWhileRunning, qPrintable(lockFile));  // the file is where we look for it
    QVERIFY(!QFileInfo::exists(lockFile));
}

namespace {

// Another program holding a port the way ser2net, minicom and picocom do: a running process and a UUCP lock
// file with its id, in a lock folder of the test's own that the program is pointed at.
struct LockingProgram
{
    QProcess process;
    QTemporaryDir lockDirectory;

    bool start()
    {
        process.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        return process.waitForStarted() && lockDirectory.isValid();
    }
    ~LockingProgram()
    {
        process.kill();
        process.waitForFinished();
    }
    QString pid() const { return QString::number(process.processId()); }
    // The lock file's path for `lockName` ("LCK..pts_3"), written with `contents`.
    QString lock(const QString &lockName, const QByteArray &contents) const
    {
        const QString path = lockDirectory.filePath(lockName);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            return {};
        return path;
    }
    ChildSetup pointedAtLocks() const
    {
        ChildSetup setup;
        setup.environment.insert(QStringLiteral("TIMECLOCK_LOCK_DIR"), lockDirectory.path());
        return setup;
    }
};

QString lockNameFor(const QString &path)
{
    QString name = path.startsWith(QStringLiteral("/dev/")) ? path.mid(5) : path;
    return QStringLiteral("LCK..") + name.replace(u'/', u'_');
}

} // namespace

void TestPortFaults::liveLockKeepsThePortClosed_data()
{
    QTest::addColumn<bool>("namedByLink");   // the program is given the simulator's link, not the device
    QTest::addColumn<bool>("lockedByLink");  // the other program took its lock under the link's name
    QTest::addColumn<QString>("format");     // the lock's contents; PID stands for the holder's id
    QTest::newRow("device named, its lock") << false << false << "%1\n";
    QTest::newRow("link named, lock under the device") << true << false << "%1\n";
    QTest::newRow("device named, lock under a link") << false << true << "%1\n";
    QTest::newRow("lock as Qt writes it") << false << false << "%1\nser2net\nhost\n";
}

void TestPortFaults::liveLockKeepsThePortClosed()
{
    QFETCH(bool, namedByLink);
    QFETCH(bool, lockedByLink);
    QFETCH(QString, format);
    LockingProgram other;
    QVERIFY(other.start());
    const QString link = other.lockDirectory.filePath(QStringLiteral("line"));
    SimulatedTimeClock clock({"--link", link});
    QVERIFY(clock.start());
    // UUCP writes the id right-aligned in ten places.
    const QString contents = format.arg(format.startsWith("%1\nser2net") ? other.pid() : other.pid().rightJustified(10));
    const QString lockFile = other.lock(lockNameFor(lockedByLink ? link : clock.devicePath()), contents.toLatin1());
    QVERIFY(!lockFile.isEmpty());
    const QString named = namedByLink ? link : clock.devicePath();
    const QString expected = "串口打开失败！（串口被占用：sleep（进程 " + other.pid() + "））";

    const ProgramRun run = runProgram({"read-serial", "--port", named}, {}, 30000, other.pointedAtLocks());
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.errText(), expected);

    qputenv("TIMECLOCK_LOCK_DIR", other.lockDirectory.path().toLocal8Bit());
    const auto unset = qScopeGuard([] { qunsetenv("TIMECLOCK_LOCK_DIR"); });
    QCOMPARE(pressCmd2On(named), expected);

    // The other program's lock stays as it was, and nothing reached the line.
    QFile lock(lockFile);
    QVERIFY(lock.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(lock.readAll()), contents);
    QVERIFY(clock.received().isEmpty());
}

void TestPortFaults::lockOfAnEndedProcessHoldsNothing()
{
    LockingProgram other;
    QVERIFY(other.start());
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const QString pid = other.pid();
    other.process.kill();
    QVERIFY(other.process.waitForFinished());
    QVERIFY(!other.lock(lockNameFor(clock.devicePath()), pid.rightJustified(10).toLatin1() + '\n').isEmpty());
    const ProgramRun run = runProgram({"read-serial", "--port", clock.devicePath()}, {}, 30000, other.pointedAtLocks());
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!clock.received().isEmpty());
}

void TestPortFaults::portsOpensNoPort()
{
    // Opening a real UART to test it raises and drops DTR and RTS, which can reset what is attached: the
    // device is watched for any open while `ports` looks at it, free and then held.
    LockingProgram other;
    QVERIFY(other.start());
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    QVERIFY(::inotify_add_watch(watch, QFile::encodeName(clock.devicePath()).constData(), IN_OPEN) >= 0);
    const auto useOfPortThree = [&] {
        const ProgramRun run = runProgram({"ports", "--json", "--port", "3=" + clock.devicePath()}, {}, 30000,
                                          other.pointedAtLocks());
        for (const QByteArray &line : run.out.split('\n')) {
            const QJsonObject port = QJsonDocument::fromJson(line).object();
            if (port.value("number").toInt() == 3)
                return port.value("use").toString();
        }
        return QStringLiteral("not listed");
    };
    QCOMPARE(useOfPortThree(), "free");
    QVERIFY(!other.lock(lockNameFor(clock.devicePath()), other.pid().rightJustified(10).toLatin1() + '\n').isEmpty());
    QCOMPARE(useOfPortThree(), "busy");
    char events[4096];
    QCOMPARE(::read(watch, events, sizeof events), ssize_t(-1));  // nothing opened the device
    QCOMPARE(errno, EAGAIN);
    QVERIFY(clock.received().isEmpty());
}

void TestPortFaults::echoingLineIsKnownAfterwards()
{
    // An echoing line with no terminal: the command says so, and `ports` shows the device, under another
    // name, as a line that echoes.
    QTemporaryDir home;
    ChildSetup setup;
    setup.environment.insert("XDG_CONFIG_HOME", home.path());
    const QString link = home.filePath("line");
    SimulatedTimeClock clock({"--echo", "--silence", "all", "--link", link});
    QVERIFY(clock.start());
    const ProgramRun run = runProgram({"settings", "--port", clock.devicePath()}, {}, 30000, setup);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errText(), StatusText::EchoOnly.toString());
    const ProgramRun ports = runProgram({"ports", "--json", "--port", "3=" + link}, {}, 30000, setup);
    bool shown = false;
    for (const QByteArray &line : ports.out.split('\n')) {
        const QJsonObject port = QJsonDocument::fromJson(line).object();
        if (port.value("number").toInt() == 3)
            shown = port.value("echo").toBool();
    }
    QVERIFY2(shown, ports.out.constData());
    QVERIFY(runProgram({"ports", "--port", "3=" + link}, {}, 30000, setup).outText().contains(echoMark()));
}

namespace {

// What the program asked of a port's driver for its RS-485 direction, through the seam that stands for the
// driver; each row's driver answers as told.
struct DriverStandIn
{
    enum class Answer { Switches, NoRs485Mode, RefusesTheMode, KeepsLess };
    static inline Answer answer = Answer::Switches;
    static inline serial_rs485 held{};  // what the driver holds
    static inline QStringList asked;    // "get", or "set " and the flags asked for, in hex

    static void reset(Answer given)
    {
        answer = given;
        held = serial_rs485{};
        held.flags = SER_RS485_RTS_AFTER_SEND;  // another program's setting, to be found again afterwards
        held.delay_rts_before_send = 3;
        asked.clear();
    }
    static int call(int, unsigned long request, serial_rs485 *settings)
    {
        if (request == TIOCGRS485) {
            asked << QStringLiteral("get");
            if (answer == Answer::NoRs485Mode) {
                errno = ENOTTY;
                return -1;
            }
            *settings = held;
            return 0;
        }
        asked << QStringLiteral("set %1").arg(settings->flags, 0, 16);
        if (answer == Answer::RefusesTheMode) {
            errno = EINVAL;
            return -1;
        }
        held = *settings;
        // A driver that takes the mode but not RTS raised while sending.
        if (answer == Answer::KeepsLess && (held.flags & SER_RS485_ENABLED))
            held.flags &= ~quint32(SER_RS485_RTS_ON_SEND);
        return 0;
    }
};

} // namespace

void TestPortFaults::rs485DirectionIsAskedOfTheDriver_data()
{
    QTest::addColumn<DriverStandIn::Answer>("answer");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<bool>("refused");
    const QString before = QString::number(SER_RS485_RTS_AFTER_SEND, 16);
    const QString wanted = QString::number(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND, 16);
    // Switched on, checked, and what the driver had put back when the port closes.
    QTest::newRow("driver switches") << DriverStandIn::Answer::Switches
                                     << QStringList{"get", "set " + wanted, "get", "set " + before} << false;
    QTest::newRow("driver without RS-485") << DriverStandIn::Answer::NoRs485Mode << QStringList{"get"} << true;
    QTest::newRow("driver refuses") << DriverStandIn::Answer::RefusesTheMode << QStringList{"get", "set " + wanted} << true;
    QTest::newRow("driver keeps less") << DriverStandIn::Answer::KeepsLess
                                       << QStringList{"get", "set " + wanted, "get", "set " + before} << true;
}

void TestPortFaults::rs485DirectionIsAskedOfTheDriver()
{
    QFETCH(DriverStandIn::Answer, answer);
    QFETCH(QStringList, asked);
    QFETCH(bool, refused);
    DriverStandIn::reset(answer);
    DriverRs485::useDriverCall(&DriverStandIn::call);
    setRs485Direction(true);
    const auto putBack = qScopeGuard([] {
        setRs485Direction(false);
        DriverRs485::useDriverCall(nullptr);
    });
    WindowBench bench;
    QVERIFY(bench.start());
    QVERIFY(bench.press("Cmd2"));
    QVERIFY(bench.idle());
    QCOMPARE(DriverStandIn::asked, asked);
    if (refused) {
        QCOMPARE(bench.status(), "串口打开失败！（驱动不能切换 RS-485 收发方向：" + bench.clock.devicePath() + "）");
        QVERIFY(bench.clock.received().isEmpty());
    } else {
        QCOMPARE(bench.status(), StatusText::SettingSucceeded.toString());
    }
    // The driver holds what it held before, whatever it was asked.
    QCOMPARE(DriverStandIn::held.flags, quint32(SER_RS485_RTS_AFTER_SEND));
    QCOMPARE(DriverStandIn::held.delay_rts_before_send, 3u);
}

void TestPortFaults::rs485RefusedWhereNoDriverSwitches_data()
{
    QTest::addColumn<bool>("network");
    QTest::newRow("pseudo-terminal") << false;
    QTest::newRow("network port") << true;
}

void TestPortFaults::rs485RefusedWhereNoDriverSwitches()
{
    // A real pseudo-terminal's driver has no RS-485 mode, and a serial server's port no driver here: the
    // command is refused, names the port and sends nothing; without --rs485 the same line works.
    QFETCH(bool, network);
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    quint16 serverPort = 0;
    const int listener = listenOnLoopback(SOCK_NONBLOCK, 4, serverPort);
    QVERIFY(listener >= 0);
    const auto closeListener = qScopeGuard([listener] { ::close(listener); });
    const QString port = network ? QStringLiteral("socket://127.0.0.1:%1").arg(serverPort) : clock.devicePath();
    const QString named = network ? QStringLiteral("127.0.0.1:%1").arg(serverPort) : clock.devicePath();

    const ProgramRun run = runProgram({"read-serial", "--port", port, "--rs485"});
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.errText(), "串口打开失败！（驱动不能切换 RS-485 收发方向：" + named + "）");
    QVERIFY(clock.received().isEmpty());
    QCOMPARE(::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK), -1);  // not even connected

    const ProgramRun english = runProgram({"read-serial", "--port", port, "--rs485", "--lang", "en"});
    QCOMPARE(english.exitCode, 3);
    QVERIFY2(english.errText().contains(named) && english.errText().contains("RS-485"), qPrintable(english.errText()));
    if (!network)
        QCOMPARE(runProgram({"read-serial", "--port", port}).exitCode, 0);
}

namespace {

// An open that blocks in the driver until the test lets it go (as a Bluetooth port's CreateFile may for
// seconds), with a bound so that a failing test cannot leave it held; let go, at the latest, when it goes.
class HeldOpen
{
public:
    HeldOpen()
    {
        {
            const std::lock_guard guard(lock);
            letGo = false;
            holding = false;
        }
        holdLocalOpens(&HeldOpen::hold);
    }
    ~HeldOpen() { end(); }

    // Shows the window and presses `button`; true once its open is held in the driver.
    static bool press(WindowBench &bench, const char *button)
    {
        bench.form->show();
        bench.control<QPushButton>(button)->click();
        return QTest::qWaitFor([] { return isHolding(); }, 10000);
    }
    static bool isHolding()
    {
        const std::lock_guard guard(lock);
        return holding;
    }
    static void release()
    {
        {
            const std::lock_guard guard(lock);
            letGo = true;
        }
        changed.notify_all();
    }
    // Lets a held open go and waits until its thread has ended and its result has been dealt with.
    static bool end()
    {
        holdLocalOpens(nullptr);
        release();
        return QTest::qWaitFor([] { return localOpensUnderWay() == 0; }, 30000);
    }

private:
    static void hold(const QString &)
    {
        std::unique_lock guard(lock);
        holding = true;
        changed.wait_for(guard, std::chrono::seconds(30), [] { return letGo; });
        holding = false;
    }

    static inline std::mutex lock;
    static inline std::condition_variable changed;
    static inline bool holding = false;
    static inline bool letGo = false;
};

} // namespace

void TestPortFaults::slowOpenLeavesTheWindowAnswering()
{
    WindowBench bench;
    QVERIFY(bench.start());
    HeldOpen held;
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    // The click has returned while the open is still held: it is not the window's thread that waits.
    QVERIFY(held.press(bench, "Cmd2"));
    QVERIFY(bench.form->session().isRunning());
    QCOMPARE(bench.status(), StatusText::Communicating.toString());
    // Meanwhile the window takes keys and clicks: the machine number is typed, another command is turned away.
    auto *machine = bench.control<QLineEdit>("ADDRESS");
    machine->selectAll();
    QTest::keyClicks(machine, "18");
    QCOMPARE(machine->text(), "18");
    bench.control<QPushButton>("Command4")->click();
    QCOMPARE(bench.status(), StatusText::Busy.toString());
    QVERIFY(held.isHolding());
    QVERIFY(finished.isEmpty());
    // Once the driver lets go, the command goes on as usual.
    held.release();
    QVERIFY(finished.wait(10000));
    QCOMPARE(bench.status(), StatusText::SettingSucceeded.toString());
    QVERIFY(!bench.clock.received().isEmpty());
    QVERIFY(bench.idle());
    QVERIFY(held.end());
}

void TestPortFaults::closingGivesASlowOpenUp()
{
    WindowBench bench;
    QVERIFY(bench.start());
    HeldOpen held;
    QVERIFY(held.press(bench, "Cmd2"));
    // The window closes without waiting for the driver, and goes.
    QVERIFY(bench.form->close());
    QVERIFY(!bench.form->session().isRunning());
    QVERIFY(held.isHolding());
    bench.form.reset();
    // The open, let go afterwards, ends unheard: its port is closed again and nothing reaches the line.
    QVERIFY(held.end());
    QTRY_VERIFY_WITH_TIMEOUT(!openFilesAndDevices().contains(bench.clock.devicePath()), 10000);
    QVERIFY(bench.clock.received().isEmpty());
    QVERIFY(!QFileInfo::exists(lockFileFor(bench.clock.devicePath())));
}

QTEST_MAIN(TestPortFaults)
#include "tst_port_faults.moc"
