#include "command_history.h"
#include "logo_file.h"
#include "machine_scan.h"
#include "port_catalogue.h"
#include "remembered_choices.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTest>

// Finding terminals on a line with the serial-number read, against several simulated terminals sharing
// one pseudo-terminal; renumbering such a line; and the history both the window and the command line keep.
class TestMachineScan : public QObject
{
    Q_OBJECT

private slots:
    void scanFindsEveryTerminalOnTheLine_data();
    void scanFindsEveryTerminalOnTheLine();
    void lateAnswerIsNotFound();
    void commandLineScanAndSharedLineRenumber();
    void historyOfWindowAndCommandLine();
    void historyThatCannotBeWrittenFailsNothing();
    void historyReadInBoundedMemory_data();
    void historyReadInBoundedMemory();
    void portsSaysWhichPortIsInUse();
};

namespace {

struct ScanRun
{
    QList<ScanAnswer> answers;
    CommandResult result;
};

ScanRun scan(const QString &device, MachineRange range, std::chrono::milliseconds wait)
{
    ScanRun run;
    CommandSession session;
    QSignalSpy finished(&session, &CommandSession::finished);
    session.run({1, device},
                std::make_unique<MachineScanTask>(range, wait, [&run](const ScanAnswer &answer) { run.answers << answer; }));
    if (finished.isEmpty() && !finished.wait(60000))
        return run;
    run.result = finished.constFirst().constFirst().value<CommandResult>();
    return run;
}

QStringList described(const QList<ScanAnswer> &answers)
{
    QStringList lines;
    for (const ScanAnswer &answer : answers) {
        const char *kind = answer.kind == ScanAnswer::Kind::Found ? "found" : answer.kind == ScanAnswer::Kind::Late ? "late" : "wrong";
        lines << QStringLiteral("%1 %2 %3").arg(QLatin1String(kind)).arg(answer.machine).arg(QString::fromLatin1(answer.reply.toHex()));
    }
    return lines;
}

// The read-serial frames that reached the line, by the machine number each asked.
QList<int> numbersAsked(const SimulatedTimeClock &clock)
{
    QList<int> numbers;
    for (const QString &line : clock.frameLines()) {
        const QStringList fields = line.split(u' ');
        if (fields.value(3) == QStringLiteral("021f"))
            numbers << fields.value(2).toInt(nullptr, 16);
    }
    return numbers;
}

QList<QJsonObject> jsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.trimmed().isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    }
    return objects;
}

} // namespace

void TestMachineScan::scanFindsEveryTerminalOnTheLine_data()
{
    QTest::addColumn<QString>("bus");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("answers");
    QTest::newRow("three answer, one is silent, one answers wrongly")
        << "18:0A1B2C,7:112233,9:445566:wrong-byte,12:778899:silence,20:AABBCC" << 5 << 22
        << QStringList{"found 7 07112233", "wrong 9 f6445566", "found 18 120a1b2c", "found 20 14aabbcc"};
    QTest::newRow("at both ends of the range") << "0:000001,255:FFFFFE" << 0 << 255
                                               << QStringList{"found 0 00000001", "found 255 fffffffe"};
    QTest::newRow("nobody answers") << "12:778899:silence" << 10 << 14 << QStringList{};
}

void TestMachineScan::scanFindsEveryTerminalOnTheLine()
{
    QFETCH(QString, bus);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, answers);
    SimulatedTimeClock clock({"--bus", bus});
    QVERIFY(clock.start());
    const ScanRun run = scan(clock.devicePath(), {first, last}, DefaultScanWait);
    QCOMPARE(described(run.answers), answers);
    const bool anyFound = answers.filter(QStringLiteral("found")).size() > 0;
    QCOMPARE(run.result.status, anyFound ? CommandStatus::Done : CommandStatus::NoReply);
    // Every number was asked once, in order: none missed.
    QList<int> expected;
    for (int machine = first; machine <= last; ++machine)
        expected << machine;
    QTRY_COMPARE_WITH_TIMEOUT(numbersAsked(clock), expected, 5000);
    QVERIFY(clock.stop());
}

void TestMachineScan::lateAnswerIsNotFound()
{
    // Terminal 7 answers 300 ms late: its answer arrives while 8 is being asked.
    SimulatedTimeClock clock({"--machine", "7", "--serial", "112233", "--delay-ms", "300"});
    QVERIFY(clock.start());
    const ScanRun run = scan(clock.devicePath(), {6, 10}, std::chrono::milliseconds(200));
    QCOMPARE(described(run.answers), QStringList{"late 7 07112233"});
    QCOMPARE(run.result.status, CommandStatus::WrongReply);
    QVERIFY(clock.stop());
}

void TestMachineScan::commandLineScanAndSharedLineRenumber()
{
    SimulatedTimeClock clock({"--bus", "18:0A1B2C,7:112233"});
    QVERIFY(clock.start());
    const QString device = clock.devicePath();
    const ProgramRun scanned = runProgram({"scan", "--port", device, "--machines", "0-30", "--json"});
    QCOMPARE(scanned.exitCode, 0);
    const QList<QJsonObject> found = jsonLines(scanned.out);
    QCOMPARE(found.size(), 2);
    QCOMPARE(found.at(0).value("machine").toInt(), 7);
    QCOMPARE(found.at(0).value("serial").toString(), "112233");
    QCOMPARE(found.at(0).value("status").toString(), "ok");
    QCOMPARE(found.at(1).value("machine").toInt(), 18);
    QCOMPARE(found.at(1).value("serial").toString(), "0A1B2C");
    QVERIFY(QRegularExpression("^7\\t112233\\n18\\t0A1B2C\\n$").match(QString::fromUtf8(
        runProgram({"scan", "--port", device, "--machines", "7-18"}).out)).hasMatch());

    // Two terminals on the line: a renumber would reach both, so it needs --all.
    const int framesBefore = int(clock.frameLines().size());
    const ProgramRun refused = runProgram({"renumber", "5", "--port", device});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.errText().contains("--all"), qPrintable(refused.errText()));
    QCOMPARE(clock.frameLines().size(), framesBefore);

    const ProgramRun renumbered = runProgram({"renumber", "5", "--all", "--port", device});
    QCOMPARE(renumbered.exitCode, 0);
    QVERIFY2(renumbered.errText().contains(sharedLineWarning(2)), qPrintable(renumbered.errText()));
    QVERIFY(clock.stop());
    QCOMPARE(clock.reader().terminalLines(), (QStringList{"machine=5 serial=0a1b2c", "machine=5 serial=112233"}));
}

void TestMachineScan::historyOfWindowAndCommandLine()
{
    QFile::remove(CommandHistory::filePath());
    WindowBench bench({"--serial", "0A1B2C"});
    QVERIFY(bench.start());
    const QString device = bench.clock.devicePath();
    QVERIFY(bench.press("Command4"));
    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    QCOMPARE(runProgram({"write-serial", "0D0E0F", "--port", device}).exitCode, 0);
    QCOMPARE(runProgram({"logo", logo, "--port", device}).exitCode, 0);
    bench.setText("ADDRESS", "30");
    QVERIFY(bench.press("Command1"));
    QCOMPARE(runProgram({"scan", "--port", device, "--machines", "17-19"}).exitCode, 0);

    const ProgramRun history = runProgram({"history", "--json"});
    QCOMPARE(history.exitCode, 0);
    const QList<QJsonObject> entries = jsonLines(history.out);
    QStringList lines;
    for (const QJsonObject &entry : entries) {
        QCOMPARE(entry.value("device").toString(), device);
        QVERIFY(QDateTime::fromString(entry.value("time").toString(), Qt::ISODate).isValid());
        lines << QStringLiteral("%1 %2 %3 %4").arg(entry.value("command").toString(), entry.value("machine").toString(),
                                                    entry.value("outcome").toString(), entry.value("serial").toString());
    }
    QCOMPARE(lines, (QStringList{"read-serial 18 ok 0A1B2C", "write-serial 18 ok 0D0E0F", "logo 18 ok ",
                                 "settings 30 no-reply ", "scan 17-19 18:0D0E0F "}));
    const QByteArray picture = std::get<LogoPicture>(readLogoFile(logo)).bytes;
    QCOMPARE(entries.at(2).value("logo_sha256").toString(),
             QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Sha256).toHex()));
    QVERIFY(entries.at(0).value("logo_sha256").isNull());
}

void TestMachineScan::historyThatCannotBeWrittenFailsNothing()
{
    SimulatedTimeClock clock({"--serial", "0A1B2C"});
    QVERIFY(clock.start());
    // The history file's place is taken by a folder.
    QTemporaryDir data;
    QVERIFY(QDir(data.path()).mkpath("timeclock-setup/history.tsv"));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const ProgramRun run = runProgram({"read-serial", "--port", clock.devicePath()});
    qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outText(), "0A1B2C");
    QCOMPARE(run.errText().count(QStringLiteral("history.tsv")), 1);
    QVERIFY(clock.stop());
}

void TestMachineScan::historyReadInBoundedMemory_data()
{
    QTest::addColumn<QByteArray>("start");  // the file's first bytes
    QTest::addColumn<qint64>("hole");       // then made this large with a hole; 0: left as it is
    QTest::addColumn<QStringList>("machines");  // of the entries `history` shows

    const auto entry = [](int machine) {
        return QStringLiteral("2026-12-10T17:44:48+08:00\t/dev/ttyS0\t%1\tread-serial\tok\t0A1B2C\t\n").arg(machine).toUtf8();
    };
    constexpr qint64 MB = 1024 * 1024;
    QTest::newRow("a line of 10 MB between two entries") << entry(5) + QByteArray(10 * MB, 'x') + "\n" + entry(6) << qint64(0)
                                                         << QStringList{"5", "6"};
    // Only the newest part of so long a file is read: the entry at its start is not.
    QTest::newRow("a file of 100 MB") << entry(4) << 100 * MB << QStringList{"5", "6"};
}

void TestMachineScan::historyReadInBoundedMemory()
{
    QFETCH(QByteArray, start);
    QFETCH(qint64, hole);
    QFETCH(QStringList, machines);

    {
        QFile file(CommandHistory::filePath());
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(start), start.size());
        if (hole > 0) {
            QVERIFY(file.resize(hole));
            QVERIFY(file.seek(hole));
            QVERIFY(file.write("\n2026-12-10T17:44:48+08:00\t/dev/ttyS0\t5\tread-serial\tok\t0A1B2C\t\n"
                               "2026-12-10T17:45:48+08:00\t/dev/ttyS0\t6\tread-serial\tok\t0A1B2C\t\n") > 0);
        }
    }
    const ProgramRun history = runProgram({"history", "--json"});
    QFile::remove(CommandHistory::filePath());
    QCOMPARE(history.exitCode, 0);
    QStringList shown;
    for (const QJsonObject &entry : jsonLines(history.out))
        shown << entry.value("machine").toVariant().toString();
    QCOMPARE(shown, machines);
}

void TestMachineScan::portsSaysWhichPortIsInUse()
{
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const QString device = clock.devicePath();
    const auto portThree = [&device] {
        for (const QJsonObject &port : jsonLines(runProgram({"ports", "--json", "--port", "3=" + device}).out)) {
            if (port.value("number").toInt() == 3)
                return port;
        }
        return QJsonObject();
    };
    QCOMPARE(portThree().value("device").toString(), device);
    QCOMPARE(portThree().value("busy").toBool(), false);
    {
        QSerialPort held(device);
        QVERIFY(held.open(QIODevice::ReadWrite));
        QCOMPARE(portUse(device), PortFacts::Use::Busy);
        QCOMPARE(portThree().value("use").toString(), "busy");
    }
    // Testing left the port as it was: it opens, and nothing reached the terminal.
    QCOMPARE(portUse(device), PortFacts::Use::Free);
    QVERIFY(clock.received().isEmpty());
    QVERIFY(clock.stop());
}

QTEST_MAIN(TestMachineScan)
#include "tst_machine_scan.moc"
