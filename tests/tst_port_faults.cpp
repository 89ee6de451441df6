#include "port_catalogue.h"
#include "status_messages.h"
#include "unprivileged_run.h"
#include "window_bench.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTest>

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
    void lockFileIsGoneAfterEveryCommand_data();
    void lockFileIsGoneAfterEveryCommand();

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

QTEST_MAIN(TestPortFaults)
#include "tst_port_faults.moc"
