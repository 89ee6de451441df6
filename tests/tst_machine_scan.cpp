#include "command_history.h"
#include "logo_file.h"
#include "low_latency.h"
#include "machine_scan.h"
#include "outcome.h"
#include "outcome_words.h"
#include "port_catalogue.h"
#include "remembered_choices.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
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
    void terminalsAtRandomNumbersAreAllFound();
    void lateAnswerNeverCountsForTheNextNumber();
    void slowTerminalIsSaidSlow();
    void adapterLatencyIsLoweredForTheScanOnly_data();
    void adapterLatencyIsLoweredForTheScanOnly();
    void commandLineScanAndSharedLineRenumber();
    void scanEndsWhenNobodyReads();
    void renumberWhereTheLineMayBeShared_data();
    void renumberWhereTheLineMayBeShared();
    void historyOfWindowAndCommandLine();
    void outcomeWordsStayAsWritten_data();
    void outcomeWordsStayAsWritten();
    void scanEntryRecordsWhatWasAsked_data();
    void scanEntryRecordsWhatWasAsked();
    void historyThatCannotBeWrittenFailsNothing();
    void historyReadInBoundedMemory_data();
    void historyReadInBoundedMemory();
    void portsSaysWhichPortIsInUse();
    void jsonKeysAreTheSameWithinACommand_data();
    void jsonKeysAreTheSameWithinACommand();
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
        lines << QStringLiteral("%1 %2 %3%4")
                     .arg(QLatin1String(kind))
                     .arg(answer.machine)
                     .arg(QString::fromLatin1(answer.reply.toHex()), answer.slow ? QStringLiteral(" slow") : QString());
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
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QList<int>>("askedTwice");  // slow terminals, asked again with the whole second
    QTest::newRow("three answer, one is silent, one answers wrongly")
        << QStringList{"--bus", "18:0A1B2C,7:112233,9:445566:wrong-byte,12:778899:silence,20:AABBCC"} << 5 << 22
        << QStringList{"found 7 07112233", "wrong 9 f6445566", "found 18 120a1b2c", "found 20 14aabbcc"} << QList<int>{};
    QTest::newRow("at both ends of the range") << QStringList{"--bus", "0:000001,255:FFFFFE"} << 0 << 255
                                               << QStringList{"found 0 00000001", "found 255 fffffffe"} << QList<int>{};
    QTest::newRow("nobody answers") << QStringList{"--bus", "12:778899:silence"} << 10 << 14 << QStringList{} << QList<int>{};
    // 7 answers after its short wait, while later numbers are asked; 8 answers on its own time meanwhile.
    QTest::newRow("slow terminal beside a quick one")
        << QStringList{"--bus", "7:112233:delay=150,8:445566"} << 5 << 20
        << QStringList{"found 8 08445566", "found 7 07112233 slow"} << QList<int>{7};
    QTest::newRow("slow terminal and a later one")
        << QStringList{"--bus", "7:112233:delay=150,12:778899"} << 6 << 12
        << QStringList{"found 12 0c778899", "found 7 07112233 slow"} << QList<int>{7};
    QTest::newRow("a byte trailing an answer is its terminal's")
        << QStringList{"--bus", "18:0A1B2C:extra-byte,19:445566"} << 17 << 20
        << QStringList{"found 18 120a1b2c", "wrong 18 12", "found 19 13445566"} << QList<int>{};
    // 7's answer starts within the short wait and ends after it: the rest is heard out, not put down to 8.
    QTest::newRow("answer split across the end of its wait")
        << QStringList{"--bus", "7:112233:delay=15,8:445566", "--split-reply", "all"} << 6 << 9
        << QStringList{"found 7 07112233 slow", "found 8 08445566"} << QList<int>{7};
    QTest::newRow("slow answer of the last number") << QStringList{"--bus", "7:112233:delay=150"} << 5 << 7
                                                    << QStringList{"found 7 07112233 slow"} << QList<int>{7};
}

void TestMachineScan::scanFindsEveryTerminalOnTheLine()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, answers);
    QFETCH(QList<int>, askedTwice);
    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    const ScanRun run = scan(clock.devicePath(), {first, last}, DefaultScanWait);
    QCOMPARE(described(run.answers), answers);
    const bool anyFound = answers.filter(QStringLiteral("found")).size() > 0;
    const bool anyWrong = answers.size() > answers.filter(QStringLiteral("found")).size();
    QCOMPARE(run.result.status,
             anyFound ? CommandStatus::Done : anyWrong ? CommandStatus::WrongReply : CommandStatus::NoReply);
    // Every number was asked in order, none missed; a slow terminal once more. (A question that a late
    // answer spoils is asked again at once: which one that is depends on the machine's load.)
    QList<int> expected;
    for (int machine = first; machine <= last; ++machine)
        expected << machine;
    QTRY_VERIFY_WITH_TIMEOUT(numbersAsked(clock).size() >= expected.size() + askedTwice.size(), 5000);
    QList<int> asked = numbersAsked(clock);
    for (const int slow : askedTwice) {
        QCOMPARE(asked.count(slow), 2);
        asked.removeAt(asked.lastIndexOf(slow));
    }
    asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
    QCOMPARE(asked, expected);
    QVERIFY(clock.stop());
}

void TestMachineScan::lateAnswerIsNotFound()
{
    // Terminal 7 answers every question 1.1 s late: its first answer names it, but asked again it does not
    // answer within the second a terminal has. Its answer to that question, when it comes, is no one's.
    SimulatedTimeClock clock({"--machine", "7", "--serial", "112233", "--delay-ms", "1100"});
    QVERIFY(clock.start());
    const ScanRun run = scan(clock.devicePath(), {6, 80}, DefaultScanWait);
    QCOMPARE(described(run.answers), (QStringList{"late 7 07112233", "wrong 7 07112233"}));
    QCOMPARE(run.result.status, CommandStatus::WrongReply);
    QVERIFY(clock.stop());
}

// Six terminals at numbers drawn anew each run, each answering within 0-30 ms: a scan of the whole line finds
// every one with its serial, and nobody else. Those well inside the short wait are found on the first ask.
void TestMachineScan::terminalsAtRandomNumbersAreAllFound()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("numbers and delays drawn with seed %u", seed);
    QRandomGenerator draw(seed);
    QMap<int, int> delays;  // machine number -> answer delay in ms
    while (delays.size() < 6)
        delays.insert(int(draw.bounded(256)), int(draw.bounded(31)));
    QStringList bus;
    QStringList expected;
    for (auto it = delays.cbegin(); it != delays.cend(); ++it) {
        const QString serial = QStringLiteral("%1").arg(0xA00000 + it.key(), 6, 16, QChar(u'0')).toUpper();
        bus << QStringLiteral("%1:%2:delay=%3").arg(it.key()).arg(serial).arg(it.value());
        expected << QStringLiteral("%1 %2").arg(it.key()).arg(serial);
    }
    SimulatedTimeClock clock({"--bus", bus.join(u',')});
    QVERIFY(clock.start());
    const ScanRun run = scan(clock.devicePath(), {}, DefaultScanWait);
    QStringList found;
    for (const ScanAnswer &answer : run.answers) {
        QVERIFY2(answer.kind == ScanAnswer::Kind::Found, qPrintable(described({answer}).join(u' ')));
        found << QStringLiteral("%1 %2").arg(answer.machine).arg(answer.serial());
        if (delays.value(answer.machine) <= 10)
            QVERIFY2(!answer.slow, qPrintable(bus.join(u',')));
    }
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
    QCOMPARE(run.result.status, CommandStatus::Done);
    QVERIFY(clock.stop());
}

namespace {

// The scan's next step, as the link would be asked: "ask N" (short wait), "ask N long", "listen", or the end.
QString stepText(const CommandStep &step)
{
    if (const auto *result = std::get_if<CommandResult>(&step))
        return QStringLiteral("end %1").arg(int(result->status));
    const Exchange &exchange = std::get<Exchange>(step);
    if (exchange.listenOnly)
        return QStringLiteral("listen");
    const bool shortWait = exchange.replyLimit < TerminalReplyLimit && exchange.limitFromFrameEnd;
    return QStringLiteral("ask %1%2").arg(exchange.addressByte).arg(shortWait ? QString() : QStringLiteral(" long"));
}

ExchangeOutcome outcome(ExchangeOutcome::Kind kind, const char *hex = "")
{
    return {kind, QByteArray::fromHex(hex)};
}

} // namespace

// The quiet-line rule, step by step: 5's late answer arriving in 6's wait is never 6's answer; 6 is asked
// again, and 5 once more with the whole second, before the scan goes on.
void TestMachineScan::lateAnswerNeverCountsForTheNextNumber()
{
    using Kind = ExchangeOutcome::Kind;
    QList<ScanAnswer> answers;
    MachineScanTask task({5, 7}, DefaultScanWait, [&answers](const ScanAnswer &answer) { answers << answer; });
    QCOMPARE(stepText(task.begin()), "ask 5");
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "listen");
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "ask 6");
    // 5's answer where 6's was awaited.
    QCOMPARE(stepText(task.next(outcome(Kind::WrongReply, "05112233"))), "listen");
    QVERIFY(answers.isEmpty());
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "ask 6");
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "listen");
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "ask 5 long");
    QCOMPARE(stepText(task.next(outcome(Kind::Replied, "05112233"))), "listen");
    QCOMPARE(described(answers), QStringList{"found 5 05112233 slow"});
    // Bytes waiting before 7's question (the line was not quiet): heard first, and 7 asked once it is.
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "ask 7");
    QCOMPARE(stepText(task.next(outcome(Kind::WrongReply, "06"))), "listen");
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "ask 7");
    QCOMPARE(stepText(task.next(outcome(Kind::Replied, "07445566"))), "listen");
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), "listen");  // the rest of the second after the last
    QCOMPARE(stepText(task.next(outcome(Kind::TimedOut))), QStringLiteral("end %1").arg(int(CommandStatus::Done)));
    QCOMPARE(described(answers), (QStringList{"found 5 05112233 slow", "wrong 6 06", "found 7 07445566"}));
}

// How a slow terminal is told: its line for scripts as any other's, a note on standard error, and in JSON
// the same keys as every answer, with the note as its message.
void TestMachineScan::slowTerminalIsSaidSlow()
{
    SimulatedTimeClock clock({"--bus", "7:112233:delay=150,18:0A1B2C"});
    QVERIFY(clock.start());
    const ProgramRun text = runProgram({"scan", "--port", clock.devicePath(), "--machines", "0-30"});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out, QByteArray("7\t112233\n18\t0A1B2C\n"));
    QVERIFY2(text.errText().contains("机号 7：序列号 112233（回答慢"), qPrintable(text.errText()));
    QVERIFY2(!text.errText().contains("机号 18"), qPrintable(text.errText()));

    const ProgramRun json = runProgram({"scan", "--port", clock.devicePath(), "--machines", "0-30", "--json"});
    QCOMPARE(json.exitCode, 0);
    const QList<QJsonObject> lines = jsonLines(json.out);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0).value("machine").toInt(), 7);
    QCOMPARE(lines.at(0).value("status").toString(), "ok");
    QCOMPARE(lines.at(0).value("serial").toString(), "112233");
    QVERIFY(lines.at(0).value("message").toString().contains("回答慢"));
    QVERIFY(!lines.at(1).value("message").toString().contains("回答慢"));
    QCOMPARE(lines.at(0).keys(), lines.at(1).keys());
    QVERIFY(clock.stop());
}

void TestMachineScan::adapterLatencyIsLoweredForTheScanOnly_data()
{
    QTest::addColumn<QString>("before");     // the latency timer's text; empty: the driver offers none
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("during");
    QTest::addColumn<bool>("changed");
    QTest::newRow("default 16 ms") << "16\n" << true << "1" << true;
    QTest::newRow("already 1 ms") << "1\n" << true << "1" << false;
    QTest::newRow("not ours to write") << "16\n" << false << "16" << false;
    QTest::newRow("no latency timer") << QString() << true << QString() << false;
}

// With a stand-in for the driver's sysfs folder: the timer is 1 ms while the scan runs and as before after
// it, however it ends; a port the driver does not serve (a pseudo-terminal) is not touched.
void TestMachineScan::adapterLatencyIsLoweredForTheScanOnly()
{
    QFETCH(QString, before);
    QFETCH(bool, writable);
    QFETCH(QString, during);
    QFETCH(bool, changed);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString devices = root.filePath("usb-serial");
    QVERIFY(QDir().mkpath(devices + "/ttyUSB7"));
    QFile device(root.filePath("ttyUSB7"));
    QVERIFY(device.open(QIODevice::WriteOnly));
    device.close();
    // The name used is a link, as /dev/serial/by-id/... is.
    QVERIFY(QFile::link(device.fileName(), root.filePath("usb-FTDI_FT232R-if00-port0")));
    const QString timerFile = devices + "/ttyUSB7/latency_timer";
    const auto timerText = [&timerFile] {
        QFile file(timerFile);
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
    };
    if (!before.isEmpty()) {
        QFile timer(timerFile);
        QVERIFY(timer.open(QIODevice::WriteOnly));
        timer.write(before.toLatin1());
        timer.close();
        if (!writable)
            QVERIFY(timer.setPermissions(QFileDevice::ReadOwner));
    }
    if (!writable && QFileInfo(timerFile).isWritable())
        QSKIP("running as root: every file is writable");
    {
        LowLatencyForScan lowered(root.filePath("usb-FTDI_FT232R-if00-port0"), devices);
        QCOMPARE(timerText(), during);
        QCOMPARE(lowered.formerLatencyTimer().has_value(), changed);
        QVERIFY(!lowered.flagSet());  // a plain file has no serial settings
    }
    QCOMPARE(timerText(), before.trimmed());
    // A port of another driver is left alone.
    {
        LowLatencyForScan other(device.fileName(), root.filePath("elsewhere"));
        QVERIFY(!other.formerLatencyTimer());
    }
    QCOMPARE(timerText(), before.trimmed());
}

void TestMachineScan::commandLineScanAndSharedLineRenumber()
{
    SimulatedTimeClock clock({"--bus", "18:0A1B2C,7:112233"});
    QVERIFY(clock.start());
    const QString device = clock.devicePath();
    const ProgramRun scanned = runProgram({"scan", "--port", device, "--machines", "0-30", "--json"});
    QCOMPARE(scanned.exitCode, 0);
    const QList<QJsonObject> found = jsonLines(scanned.out);
    QCOMPARE(found.size(), 3);  // the two terminals, then the summary
    for (const QJsonObject &object : found) {
        QCOMPARE(object.value("port").toString(), device);
        QVERIFY(object.value("elapsed_ms").isDouble());
    }
    QVERIFY(found.at(2).value("machine").isNull());
    QCOMPARE(found.at(2).value("status").toString(), "ok");
    QCOMPARE(found.at(2).value("message").toString(), scanSummary(2));
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

// `scan | head -1`: once the reader of its output has gone, the scan stops asking.
void TestMachineScan::scanEndsWhenNobodyReads()
{
    SimulatedTimeClock clock({"--machine", "1", "--serial", "0A1B2C"});
    QVERIFY(clock.start());
    // The pipe as a shell makes it; the exit code is the scan's.
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    shell.setProcessEnvironment(environment);
    QSignalSpy finished(&shell, &QProcess::finished);
    shell.start("bash", {"-c", "\"$@\" | head -1; exit ${PIPESTATUS[0]}", "bash", TIMECLOCK_SETUP_PATH, "scan", "--port",
                         clock.devicePath(), "--machines", "0-255", "--timeout", "100"});
    QVERIFY(finished.wait(60000) || !finished.isEmpty());
    QCOMPARE(shell.readAllStandardOutput(), QByteArray("1\t0A1B2C\n"));
    QCOMPARE(shell.exitCode(), 5);
    QVERIFY2(shell.readAllStandardError().contains("无法写入标准输出！"), "the reason is said");
    QVERIFY(clock.stop());
    // Each number is asked with its serial-number read (02 1F); far from all of them were.
    QVERIFY2(clock.received().count(QByteArray::fromHex("021f")) < 64,
             qPrintable(QString::number(clock.received().count(QByteArray::fromHex("021f")))));
}

void TestMachineScan::renumberWhereTheLineMayBeShared_data()
{
    QTest::addColumn<QString>("bus");        // empty: one terminal, never scanned
    QTest::addColumn<bool>("scanByLink");    // the scan names the device by a link, the renumber by its own path
    QTest::addColumn<bool>("storeUsable");   // the settings store can be read and written
    QTest::addColumn<QString>("refusal");    // what a renumber without --all says; empty: it is sent

    QTest::newRow("two terminals, scanned by a link") << "18:0A1B2C,7:112233" << true << true << sharedLineWarning(2);
    QTest::newRow("two terminals, scanned by the device") << "18:0A1B2C,7:112233" << false << true << sharedLineWarning(2);
    QTest::newRow("one terminal, never scanned") << "" << false << true << "";
    QTest::newRow("store cannot be written") << "" << false << false << "不知道这条线上有几台考勤机（记住的设置无法读写）";
}

void TestMachineScan::renumberWhereTheLineMayBeShared()
{
    QFETCH(QString, bus);
    QFETCH(bool, scanByLink);
    QFETCH(bool, storeUsable);
    QFETCH(QString, refusal);

    // Pseudo-terminal numbers come round again: an earlier row's scan of the same device is forgotten.
    RememberedChoices::forgetAll();
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyBYID");
    SimulatedTimeClock clock(bus.isEmpty() ? QStringList{"--link", link} : QStringList{"--link", link, "--bus", bus});
    QVERIFY(clock.start());
    // One device, two names: the scan's memory belongs to the device.
    const QString scanned = scanByLink ? link : clock.devicePath();
    const QString renumbered = scanByLink ? clock.devicePath() : link;
    if (!bus.isEmpty())
        QCOMPARE(runProgram({"scan", "--port", scanned, "--machines", "0-30"}).exitCode, 0);

    // A store under a plain file can be neither read nor written.
    const QByteArray home = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&home] { qputenv("XDG_CONFIG_HOME", home); });
    if (!storeUsable) {
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        qputenv("XDG_CONFIG_HOME", dir.filePath("plain/config").toLocal8Bit());
    }
    const int framesBefore = int(clock.frameLines().size());
    const ProgramRun refused = runProgram({"renumber", "5", "--port", renumbered});
    if (refusal.isEmpty()) {
        QCOMPARE(refused.exitCode, 0);
    } else {
        QCOMPARE(refused.exitCode, 2);
        QVERIFY2(refused.errText().contains(refusal), qPrintable(refused.errText()));
        QVERIFY2(refused.errText().contains("--all"), qPrintable(refused.errText()));
        QCOMPARE(clock.frameLines().size(), framesBefore);
        const ProgramRun all = runProgram({"renumber", "5", "--all", "--port", renumbered});
        QCOMPARE(all.exitCode, 0);
        QVERIFY2(all.errText().contains(refusal), qPrintable(all.errText()));
    }
    QVERIFY(clock.stop());
    if (bus.isEmpty())
        QCOMPARE(clock.machineNumber(), 5);
    else
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
        const QJsonValue machine = entry.value("machine");
        QVERIFY(machine.isDouble() || machine.isNull());
        QStringList answers;
        for (const QJsonValue &answer : entry.value("answers").toArray())
            answers << QStringLiteral("%1:%2:%3").arg(answer["answer"].toString()).arg(answer["machine"].toInt()).arg(answer["serial"].toString());
        lines << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(entry.value("command").toString(),
                          machine.isNull() ? entry.value("machines").toString() : QString::number(machine.toInt()),
                          entry.value("outcome").toString(), entry.value("serial").toString(), answers.join(u','));
    }
    QCOMPARE(lines, (QStringList{"read-serial 18 ok 0A1B2C ", "write-serial 18 ok 0D0E0F ", "logo 18 ok  ",
                                 "settings 30 no-reply  ", "scan 17-19 ok  found:18:0D0E0F"}));
    const QByteArray picture = std::get<LogoPicture>(readLogoFile(logo)).bytes;
    QCOMPARE(entries.at(2).value("logo_sha256").toString(),
             QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Sha256).toHex()));
    QVERIFY(entries.at(0).value("logo_sha256").isNull());
    QVERIFY(entries.at(0).value("answers").isNull());
}

void TestMachineScan::outcomeWordsStayAsWritten_data()
{
    // The words as history files and scripts hold them: the window's and the command line's must agree,
    // and a line written with one must read back.
    QTest::addColumn<int>("status");  // a CommandStatus
    QTest::addColumn<QString>("word");
    QTest::newRow("done") << int(CommandStatus::Done) << "ok";
    QTest::newRow("no reply") << int(CommandStatus::NoReply) << "no-reply";
    QTest::newRow("wrong reply") << int(CommandStatus::WrongReply) << "wrong-reply";
    QTest::newRow("port lost") << int(CommandStatus::PortLost) << "port-lost";
    QTest::newRow("port open failed") << int(CommandStatus::PortOpenFailed) << "port-open-failed";
    QTest::newRow("interrupted") << int(CommandStatus::Interrupted) << "interrupted";
}

void TestMachineScan::outcomeWordsStayAsWritten()
{
    QFETCH(int, status);
    QFETCH(QString, word);
    const auto command = CommandStatus(status);
    QCOMPARE(outcomeWord(command), word);
    QCOMPARE(statusWord(resultStatusOf(command)), word);
    const auto entry = CommandHistory::entryFromLine(
        QStringLiteral("2026-01-02T03:04:05\t/dev/ttyUSB0\t0-30\tscan\t%1 7:112233\t\t").arg(word));
    QVERIFY(entry);
    QCOMPARE(outcomeParts(entry->outcome).word, word);
    QCOMPARE(OutcomeWord::Cancelled, u"cancelled");
}

void TestMachineScan::scanEntryRecordsWhatWasAsked_data()
{
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("recordedDevice");
    QTest::addColumn<QString>("machines");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("the port did not open") << 3 << "" << 0 << 255 << 0 << "port-open-failed" << "3" << ""
                                           << "port-open-failed";
    QTest::newRow("every number") << 1 << "/dev/ttyUSB0" << 17 << 19 << 3 << "ok" << "/dev/ttyUSB0" << "17-19"
                                  << "ok 18:0A1B2C late:19:112233 wrong:17";
    QTest::newRow("cancelled part way") << 1 << "/dev/ttyUSB0" << 10 << 30 << 9 << "cancelled" << "/dev/ttyUSB0"
                                        << "10-18" << "cancelled 18:0A1B2C late:19:112233 wrong:17";
    QTest::newRow("never beyond the range") << 2 << "/dev/pts/4" << 0 << 255 << 300 << "no-reply" << "/dev/pts/4"
                                            << "0-255" << "no-reply 18:0A1B2C late:19:112233 wrong:17";
}

void TestMachineScan::scanEntryRecordsWhatWasAsked()
{
    QFETCH(int, portNumber);
    QFETCH(QString, device);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, asked);
    QFETCH(QString, word);
    QFETCH(QString, recordedDevice);
    QFETCH(QString, machines);
    QFETCH(QString, outcome);

    const QList<ScanAnswer> answers = asked > 0 ? QList<ScanAnswer>{{ScanAnswer::Kind::Found, 18, QByteArray::fromHex("120a1b2c")},
                                                                    {ScanAnswer::Kind::Late, 19, QByteArray::fromHex("13112233")},
                                                                    {ScanAnswer::Kind::Wrong, 17, QByteArray::fromHex("ff")}}
                                                : QList<ScanAnswer>{};
    const HistoryEntry entry = scanHistoryEntry(PortChoice{qint16(portNumber), device}, MachineRange{first, last}, asked, word, answers);
    QCOMPARE(entry.device, recordedDevice);
    QCOMPARE(entry.machine, machines);
    QCOMPARE(entry.command, QStringLiteral("scan"));
    QCOMPARE(entry.outcome, outcome);
    // As the history reads it back.
    const auto read = CommandHistory::entryFromLine(CommandHistory::lineOf(entry));
    QVERIFY(read);
    QCOMPARE(outcomeParts(read->outcome).word, word);
    QCOMPARE(outcomeParts(read->outcome).answers.size(), answers.size());
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

void TestMachineScan::jsonKeysAreTheSameWithinACommand_data()
{
    QTest::addColumn<QStringList>("arguments");  // DEV stands for the simulator's device
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("objects");
    QTest::addColumn<QString>("nullKey");         // a key that must be null in the first object; empty: none
    const QStringList outcomeKeys{"command", "elapsed_ms", "lines_confirmed", "machine", "message", "not_done",
                                  "ok", "port", "serial", "status", "step"};
    QTest::newRow("scan: answers, a wrong one, the summary")
        << QStringList{"scan", "--port", "DEV", "--machines", "6-9", "--json"} << outcomeKeys << 3 << "";
    QTest::newRow("scan: a port that never opened")
        << QStringList{"scan", "--port", "/dev/timeclock-no-such-device", "--json"} << outcomeKeys << 1 << "elapsed_ms";
    QTest::newRow("read-serial: a port that never opened")
        << QStringList{"read-serial", "--port", "/dev/timeclock-no-such-device", "--json"} << outcomeKeys << 1
        << "elapsed_ms";
    QTest::newRow("ports: a mapping to a device not there")
        << QStringList{"ports", "--json", "--port", "40=/dev/timeclock-gone", "--port", "41=DEV"}
        << QStringList{"busy", "device", "echo", "manufacturer", "missing", "name", "number", "product_id",
                       "serial_number", "stable_name", "use", "vendor_id"}
        << -1 << "";
    QTest::newRow("history: every kind of line")
        << QStringList{"history", "--json"}
        << QStringList{"answers", "command", "device", "lines_confirmed", "logo_sha256", "machine", "machines", "outcome",
                       "serial", "time"}
        << 5 << "machines";
}

void TestMachineScan::jsonKeysAreTheSameWithinACommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, keys);
    QFETCH(int, objects);
    QFETCH(QString, nullKey);
    SimulatedTimeClock clock({"--bus", "7:112233,8:445566:wrong-byte"});
    QVERIFY(clock.start());
    // Lines of every kind: a command, a download cut short, scans old and new.
    QFile::remove(CommandHistory::filePath());
    const QDateTime now = QDateTime::currentDateTime();
    QVERIFY(!CommandHistory::append({now, "/dev/ttyUSB0", "18", "read-serial", "ok", "0A1B2C"}));
    QVERIFY(!CommandHistory::append({now, "/dev/ttyUSB0", "18", "logo", "port-lost lines=18", {}, QString(64, u'a')}));
    QVERIFY(!CommandHistory::append({now, "/dev/ttyUSB0", "0-255", "scan", "7:112233"}));
    QVERIFY(!CommandHistory::append({now, "/dev/ttyUSB0", "0-30", "scan", "cancelled 7:112233 late:8:445566 wrong:9"}));
    QVERIFY(!CommandHistory::append({now, "3", "", "scan", "port-open-failed"}));
    arguments.replaceInStrings(QStringLiteral("DEV"), clock.devicePath());
    const ProgramRun run = runProgram(arguments);
    QVERIFY(run.finished);
    const QList<QJsonObject> printed = jsonLines(run.out);
    if (objects >= 0)
        QCOMPARE(printed.size(), objects);
    QVERIFY(!printed.isEmpty());
    for (const QJsonObject &object : printed) {
        QCOMPARE(object.keys(), keys);
        // Numbers are numbers.
        for (const char *key : {"machine", "number", "elapsed_ms", "lines_confirmed"})
            QVERIFY2(!object.contains(key) || object.value(key).isDouble() || object.value(key).isNull(), qPrintable(key));
    }
    if (!nullKey.isEmpty())
        QVERIFY(printed.constFirst().value(nullKey).isNull());
    if (arguments.front() == "ports") {
        const auto mapped = std::find_if(printed.cbegin(), printed.cend(), [](const QJsonObject &port) {
            return port.value("number").toInt() == 40;
        });
        QVERIFY(mapped != printed.cend());
        QCOMPARE(mapped->value("missing").toBool(), true);
    }
    if (arguments.front() == "history") {
        QCOMPARE(printed.at(1).value("lines_confirmed").toInt(), 18);
        QCOMPARE(printed.at(1).value("outcome").toString(), "port-lost");
        QCOMPARE(printed.at(2).value("outcome").toString(), "ok");  // an earlier version's scan line
        QCOMPARE(printed.at(3).value("machines").toString(), "0-30");
        QCOMPARE(printed.at(3).value("answers").toArray().size(), 3);
        QCOMPARE(printed.at(3).value("answers")[1]["answer"].toString(), "late");
        QCOMPARE(printed.at(3).value("answers")[1]["machine"].toInt(), 8);
        QVERIFY(printed.at(4).value("machines").isNull());
    }
    QVERIFY(clock.stop());
}

QTEST_MAIN(TestMachineScan)
#include "tst_machine_scan.moc"
