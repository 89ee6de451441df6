#include "port_catalogue.h"
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

#include <sys/inotify.h>
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
    const bool usable = button->isEnabled() && !form.session().isRunning() && !form.session().link().isOpen();
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

QTEST_MAIN(TestPortFaults)
#include "tst_port_faults.moc"
