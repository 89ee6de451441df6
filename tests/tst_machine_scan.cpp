#include "command_history.h"
#include "logo_file.h"
#include "low_latency.h"
#include "machine_scan.h"
#include "outcome.h"
#include "outcome_words.h"
#include "port_catalogue.h"
#include "remembered_choices.h"
#include "scan_command.h"
#include "serial_server.h"
#include "test_shares.h"
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

#include <csignal>
#include <optional>

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
    void answersBelongToTheNumberTheyAnswer_data();
    void answersBelongToTheNumberTheyAnswer();
    void slowTerminalIsSaidSlow();
    void commandLineRowsComeByNumber_data();
    void commandLineRowsComeByNumber();
    void adapterLatencyIsLoweredForTheScanOnly_data();
    void adapterLatencyIsLoweredForTheScanOnly();
    void commandLineScanAndSharedLineRenumber();
    void scanEndsWhenNobodyReads();
    void stoppedScanRecordsWhatItAsked_data();
    void stoppedScanRecordsWhatItAsked();
    void scanCountIsWhatTheScansCovered_data();
    void scanCountIsWhatTheScansCovered();
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

} // namespace

void TestMachineScan::scanFindsEveryTerminalOnTheLine_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QList<int>>("askedAgain");  // slow or spoiled, asked again with the whole second
    // Where the answer's time belongs to the machine's load, " slow?" accepts found and found slow: a late
    // answer whose bytes were all there when the loop looked counts as in time.
    QTest::newRow("three answer, one is silent, one answers wrongly")
        << QStringList{"--bus", "18:0A1B2C,7:112233,9:445566:wrong-byte,12:778899:silence,20:AABBCC"} << 5 << 22
        << QStringList{"found 7 07112233", "wrong 9 f6445566", "found 18 120a1b2c", "found 20 14aabbcc"} << QList<int>{9};
    QTest::newRow("at both ends of the range") << QStringList{"--bus", "0:000001,255:FFFFFE"} << 0 << 255
                                               << QStringList{"found 0 00000001", "found 255 fffffffe"} << QList<int>{};
    QTest::newRow("nobody answers") << QStringList{"--bus", "12:778899:silence"} << 10 << 14 << QStringList{} << QList<int>{};
    // 7 answers after its short wait, while later numbers are asked; 8 answers on its own time meanwhile.
    QTest::newRow("slow terminal beside a quick one")
        << QStringList{"--bus", "7:112233:delay=150,8:445566"} << 5 << 20
        << QStringList{"found 8 08445566", "found 7 07112233 slow?"} << QList<int>{7};
    QTest::newRow("slow terminal and a later one")
        << QStringList{"--bus", "7:112233:delay=150,12:778899"} << 6 << 12
        << QStringList{"found 12 0c778899", "found 7 07112233 slow?"} << QList<int>{7};
    QTest::newRow("a byte trailing an answer is its terminal's")
        << QStringList{"--bus", "18:0A1B2C:extra-byte,19:445566"} << 17 << 20
        << QStringList{"found 18 120a1b2c", "wrong 18 12", "found 19 13445566"} << QList<int>{18};
    // 7's answer starts within the short wait and ends after it: the rest is heard out, not put down to 8.
    QTest::newRow("answer split across the end of its wait")
        << QStringList{"--bus", "7:112233:delay=15,8:445566", "--split-reply", "all"} << 6 << 9
        << QStringList{"found 7 07112233 slow?", "found 8 08445566 slow?"} << QList<int>{7, 8};
    QTest::newRow("slow answer of the last number") << QStringList{"--bus", "7:112233:delay=150"} << 5 << 7
                                                    << QStringList{"found 7 07112233 slow?"} << QList<int>{7};
    // Each answer of a slow terminal, whichever question it falls into, is its own: found once, never wrong.
    QTest::newRow("two slow terminals")
        << QStringList{"--bus", "9:445566:delay=40,7:112233:delay=150"} << 0 << 20
        << QStringList{"found 7 07112233 slow?", "found 9 09445566 slow?"} << QList<int>{7, 9};
    QTest::newRow("three slow terminals and a quick one")
        << QStringList{"--bus", "9:445566:delay=40,7:112233:delay=150,11:000011:delay=90,14:000014"} << 0 << 20
        << QStringList{"found 7 07112233 slow?", "found 9 09445566 slow?", "found 11 0b000011 slow?", "found 14 0e000014"}
        << QList<int>{7, 9, 11};
    // Frame 18 is the question to 18: one noise byte before its answer.
    QTest::newRow("a noise byte before an answer")
        << QStringList{"--serial", "0A1B2C", "--noise", "1@18"} << 0 << 20 << QStringList{"found 18 120a1b2c"}
        << QList<int>{18};
    // A byte naming 5 after 18's answer: noise, asked through once more, where nobody answers.
    QTest::newRow("a stray byte where nobody answers")
        << QStringList{"--serial", "0A1B2C", "--stray-byte", "5@18"} << 0 << 20 << QStringList{"found 18 120a1b2c"}
        << QList<int>{5, 18};
}

void TestMachineScan::scanFindsEveryTerminalOnTheLine()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, answers);
    QFETCH(QList<int>, askedAgain);
    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    const ScanRun run = scan(clock.devicePath(), {first, last}, DefaultScanWait);
    // Each terminal once, as a true outcome; the order they are told in belongs to the timing.
    QStringList heard = described(run.answers);
    QStringList expected = answers;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (expected.at(i).endsWith(QStringLiteral(" slow?"))) {
            expected[i].chop(6);
            heard.replaceInStrings(QRegularExpression(QStringLiteral("^(%1)( slow)?$").arg(QRegularExpression::escape(expected.at(i)))),
                                   QStringLiteral("\\1"));
        }
    }
    heard.sort();
    expected.sort();
    QCOMPARE(heard, expected);
    const bool anyFound = answers.filter(QStringLiteral("found")).size() > 0;
    const bool anyWrong = answers.size() > answers.filter(QStringLiteral("found")).size();
    QCOMPARE(run.result.status,
             anyFound ? CommandStatus::Done : anyWrong ? CommandStatus::WrongReply : CommandStatus::NoReply);
    // Every number was asked in order, none missed; a number asked again (a question spoiled by another's
    // answer at once, slow or spoiled ones with the whole second) a bounded number of times.
    QList<int> inOrder;
    for (int machine = first; machine <= last; ++machine)
        inOrder << machine;
    QTRY_VERIFY_WITH_TIMEOUT(numbersAsked(clock).size() >= inOrder.size(), 5000);
    const QList<int> asked = numbersAsked(clock);
    QList<int> firstAsks;
    for (const int machine : asked) {
        if (!firstAsks.contains(machine))
            firstAsks << machine;
        QVERIFY2(asked.count(machine) <= (askedAgain.contains(machine) ? 5 : 3), qPrintable(QString::number(machine)));
    }
    QCOMPARE(firstAsks, inOrder);
    QVERIFY(clock.stop());
}

void TestMachineScan::lateAnswerIsNotFound()
{
    // Terminal 7 answers every question 1.1 s late: its first answer names it, but asked again it does not
    // answer within the second a terminal has. Its answer to that question, when it comes, is its own: no
    // second row.
    SimulatedTimeClock clock({"--machine", "7", "--serial", "112233", "--delay-ms", "1100"});
    QVERIFY(clock.start());
    const ScanRun run = scan(clock.devicePath(), {6, 80}, DefaultScanWait);
    QCOMPARE(described(run.answers), (QStringList{"late 7 07112233"}));
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

void TestMachineScan::answersBelongToTheNumberTheyAnswer_data()
{
    // Each step: the step the scan must take, then what the line gives it ("T" nothing in time, "R hex" this
    // number's answer, "W hex" other bytes); the last is how it ends. A late answer is never the current
    // number's, a terminal appears once, and bytes that are no answer are heard out and the number asked
    // again on a quiet line, never a row of their own.
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("answers");
    const QString done = QStringLiteral("end %1").arg(int(CommandStatus::Done));
    QTest::newRow("late answer in the next number's wait, a cut one before a question")
        << 5 << 7
        << QStringList{"ask 5|T", "listen|T", "ask 6|W 05112233", "listen|T", "ask 6|T", "listen|T",
                       "ask 5 long|R 05112233", "listen|T", "ask 7|W 06", "listen|T", "ask 7 long|R 07445566", "listen|T",
                       "ask 6 long|T", "listen|T", "listen|T", done}
        << QStringList{"found 5 05112233 slow", "found 7 07445566"};
    // 7's late answer in 9's wait; 9 answers late twice, once into 7's second question and once into its own.
    QTest::newRow("two slow terminals, second answers in other questions")
        << 6 << 10
        << QStringList{"ask 6|T", "listen|T", "ask 7|T", "listen|T", "ask 8|T", "listen|T", "ask 9|W 07112233", "listen|T",
                       "ask 9|T", "listen|T", "ask 7 long|W 09445566", "listen|W 07112233", "ask 9 long|W 09445566",
                       "listen|W 09445566", "ask 10|W 09445566", "listen|T", "ask 10|T", "listen|T", "listen|T", done}
        << QStringList{"found 7 07112233 slow", "found 9 09445566 slow"};
    QTest::newRow("three slow terminals answering back to back")
        << 5 << 9
        << QStringList{"ask 5|T", "listen|T", "ask 6|T", "listen|T", "ask 7|T", "listen|T", "ask 8|W 05000005",
                       "listen|W 0600000607000007", "ask 8|T", "listen|T", "ask 5 long|R 05000005", "listen|T",
                       "ask 6 long|R 06000006", "listen|T", "ask 7 long|T", "listen|W 07000007", "ask 9|T", "listen|T",
                       "listen|T", done}
        << QStringList{"found 5 05000005 slow", "found 6 06000006 slow", "late 7 07000007"};
    QTest::newRow("a noise byte before an answer")
        << 17 << 19
        << QStringList{"ask 17|T", "listen|T", "ask 18|W 68120a1b", "listen|W 2c", "ask 18 long|R 120a1b2c", "listen|T",
                       "ask 19|T", "listen|T", "listen|T", done}
        << QStringList{"found 18 120a1b2c"};
    QTest::newRow("a stray byte where nobody answers")
        << 4 << 6
        << QStringList{"ask 4|T", "listen|T", "ask 5|T", "listen|W 05", "listen|T", "ask 5 long|T", "listen|T", "ask 6|T",
                       "listen|T", "listen|T", QStringLiteral("end %1").arg(int(CommandStatus::NoReply))}
        << QStringList{};
    QTest::newRow("a byte trailing every answer of a terminal")
        << 18 << 18
        << QStringList{"ask 18|R 120a1b2c", "listen|W 12", "listen|T", "ask 18 long|R 120a1b2c", "listen|W 12", "listen|T",
                       "listen|T", done}
        << QStringList{"found 18 120a1b2c", "wrong 18 12"};
    QTest::newRow("noise that could hide an earlier answer")
        << 3 << 5
        << QStringList{"ask 3|T", "listen|T", "ask 4|W ff03aabb", "listen|W cc", "ask 4 long|T", "listen|T",
                       "ask 3 long|R 03aabbcc", "listen|T", "ask 5|T", "listen|T", "listen|T", done}
        << QStringList{"found 3 03aabbcc"};
}

void TestMachineScan::answersBelongToTheNumberTheyAnswer()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, answers);
    QList<ScanAnswer> heard;
    MachineScanTask task({first, last}, DefaultScanWait, [&heard](const ScanAnswer &answer) { heard << answer; });
    CommandStep step = task.begin();
    for (const QString &expected : std::as_const(steps)) {
        const QStringList parts = expected.split(u'|');
        QCOMPARE(stepText(step), parts.at(0));
        if (parts.size() < 2)
            break;
        const QStringList given = parts.at(1).split(u' ');
        const ExchangeOutcome::Kind kind = given.at(0) == u"T"   ? ExchangeOutcome::Kind::TimedOut
                                           : given.at(0) == u"R" ? ExchangeOutcome::Kind::Replied
                                                                 : ExchangeOutcome::Kind::WrongReply;
        step = task.next(outcome(kind, given.value(1).toLatin1().constData()));
    }
    QCOMPARE(described(heard), answers);
}

// How a slow terminal is told: rows by number whatever order they were found in (7, found slow after 8 and
// 18, comes first), "slow" in a column of its own and a note on standard error, and in JSON a field of its
// own beside the same keys as every answer. Which of them are slow belongs to the machine's load (a late
// answer whose bytes were all there when the loop looked counts as in time; on a busy machine even the
// quick ones can miss the short wait): what is checked is that each is listed once and told the same way
// everywhere.
void TestMachineScan::slowTerminalIsSaidSlow()
{
    SimulatedTimeClock clock({"--bus", "7:112233:delay=150,8:445566,18:0A1B2C"});
    QVERIFY(clock.start());
    const QList<std::pair<int, QString>> terminals{{7, "112233"}, {8, "445566"}, {18, "0A1B2C"}};
    const ProgramRun text = runProgram({"scan", "--port", clock.devicePath(), "--machines", "0-30"});
    QCOMPARE(text.exitCode, 0);
    const QString out = QString::fromUtf8(text.out);
    const QRegularExpressionMatch rows =
        QRegularExpression("^7\\t112233(\\tslow)?\\n8\\t445566(\\tslow)?\\n18\\t0A1B2C(\\tslow)?\\n$").match(out);
    QVERIFY2(rows.hasMatch(), qPrintable(out));
    for (int i = 0; i < terminals.size(); ++i) {
        const QString note = QString("机号 %1：序列号 %2（回答慢").arg(terminals.at(i).first).arg(terminals.at(i).second);
        QVERIFY2(text.errText().contains(note) == rows.hasCaptured(i + 1), qPrintable(text.errText()));
    }

    const ProgramRun json = runProgram({"scan", "--port", clock.devicePath(), "--machines", "0-30", "--json"});
    QCOMPARE(json.exitCode, 0);
    const QList<QJsonObject> lines = jsonLines(json.out);
    QCOMPARE(lines.size(), 4);
    for (int i = 0; i < terminals.size(); ++i) {
        QCOMPARE(lines.at(i).value("machine").toInt(), terminals.at(i).first);
        QCOMPARE(lines.at(i).value("status").toString(), "ok");
        QCOMPARE(lines.at(i).value("serial").toString(), terminals.at(i).second);
        QVERIFY(lines.at(i).value("slow").isBool());
        QCOMPARE(lines.at(i).value("message").toString().contains("回答慢"), lines.at(i).value("slow").toBool());
        QCOMPARE(lines.at(i).keys(), lines.at(3).keys());
    }
    QVERIFY(lines.at(3).value("slow").isNull());  // the summary
    QVERIFY(clock.stop());
}

void TestMachineScan::commandLineRowsComeByNumber_data()
{
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("machines");
    QTest::addColumn<QByteArray>("text");        // standard output of the text form
    QTest::addColumn<QStringList>("jsonRows");  // "machine status" of each --json answer, the summary left out
    // 18's every answer brings a byte more: found, and once said to answer wrongly; both rows kept, in order.
    QTest::newRow("a terminal found, then said to answer wrongly")
        << "18:0A1B2C:extra-byte,19:445566" << "17-20" << QByteArray("18\t0A1B2C\n19\t445566\n")
        << QStringList{"18 ok", "18 wrong-reply", "19 ok"};
    QTest::newRow("numbers far apart") << "200:0000C8,3:000003" << "0-255" << QByteArray("3\t000003\n200\t0000C8\n")
                                       << QStringList{"3 ok", "200 ok"};
}

void TestMachineScan::commandLineRowsComeByNumber()
{
    QFETCH(QString, bus);
    QFETCH(QString, machines);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, jsonRows);
    SimulatedTimeClock clock({"--bus", bus});
    QVERIFY(clock.start());
    const ProgramRun plain = runProgram({"scan", "--port", clock.devicePath(), "--machines", machines});
    // Found slow on a busy machine, a terminal is still its number's one row.
    QCOMPARE(QByteArray(plain.out).replace("\tslow", ""), text);
    const ProgramRun json = runProgram({"scan", "--port", clock.devicePath(), "--machines", machines, "--json"});
    QList<QJsonObject> objects = jsonLines(json.out);
    QVERIFY(!objects.isEmpty());
    objects.removeLast();
    QStringList rows;
    for (const QJsonObject &object : std::as_const(objects))
        rows << QStringLiteral("%1 %2").arg(object.value("machine").toInt()).arg(object.value("status").toString());
    QCOMPARE(rows, jsonRows);
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
        LowLatencyForScan lowered(LineIdentity::of(root.filePath("usb-FTDI_FT232R-if00-port0")), devices);
        QCOMPARE(timerText(), during);
        QCOMPARE(lowered.formerLatencyTimer().has_value(), changed);
        QVERIFY(!lowered.flagSet());  // a plain file has no serial settings
    }
    QCOMPARE(timerText(), before.trimmed());
    // A port of another driver is left alone.
    {
        LowLatencyForScan other(LineIdentity::of(device.fileName()), root.filePath("elsewhere"));
        QVERIFY(!other.formerLatencyTimer());
    }
    QCOMPARE(timerText(), before.trimmed());
}

void TestMachineScan::commandLineScanAndSharedLineRenumber()
{
    // Pseudo-terminal numbers come round again: an earlier test's scan of the same device is forgotten.
    RememberedChoices::forgetAll();
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

    // Two terminals on the line, and numbers nobody asked: a renumber may reach more than one, so it needs --all.
    const int framesBefore = int(clock.frameLines().size());
    const ProgramRun refused = runProgram({"renumber", "5", "--port", device});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.errText().contains("--all"), qPrintable(refused.errText()));
    QCOMPARE(clock.frameLines().size(), framesBefore);

    const ProgramRun renumbered = runProgram({"renumber", "5", "--all", "--port", device});
    QCOMPARE(renumbered.exitCode, 0);
    QVERIFY2(renumbered.errText().contains(sharedLineWarning(PartScan + 2)), qPrintable(renumbered.errText()));
    QVERIFY(clock.stop());
    QCOMPARE(clock.reader().terminalLines(), (QStringList{"machine=5 serial=0a1b2c", "machine=5 serial=112233"}));
}

// `scan | head -1`: once the reader of its output has gone, the scan stops asking.
void TestMachineScan::scanEndsWhenNobodyReads()
{
    RememberedChoices::forgetAll();
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
    // The history says the output closed, up to the last number asked; the line holds at least the one
    // terminal found, the rest unknown.
    const HistoryEntry last = CommandHistory::read().constLast();
    QCOMPARE(last.command, "scan");
    QCOMPARE(outcomeParts(last.outcome).word, OutcomeWord::OutputFailed);
    const QList<int> asked = numbersAsked(clock);
    QCOMPARE(last.machine, QStringLiteral("0-%1").arg(*std::max_element(asked.cbegin(), asked.cend())));
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(clock.devicePath())), PartScan + 1);
}

// Stopped while a number's question is on the line: the history's range ends at that number, the numbers
// the terminal received; and a whole scan's count is never lowered by the one stopped.
void TestMachineScan::stoppedScanRecordsWhatItAsked_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestMachineScan::stoppedScanRecordsWhatItAsked()
{
    QFETCH(int, signalNumber);
    RememberedChoices::forgetAll();
    SimulatedTimeClock clock({"--bus", "1:000001,2:000002,200:0000C8"});
    QVERIFY(clock.start());
    QCOMPARE(runProgram({"scan", "--port", clock.devicePath()}).exitCode, 0);
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(clock.devicePath())), 3);
    const qsizetype before = numbersAsked(clock).size();
    QProcess scan;
    scan.start(TIMECLOCK_SETUP_PATH, {"scan", "--port", clock.devicePath(), "--timeout", "200"});
    QVERIFY(scan.waitForStarted());
    // Well into the numbers nobody answers: each question waits its 200 ms.
    QTRY_VERIFY_WITH_TIMEOUT(numbersAsked(clock).size() >= before + 8, 30000);
    ::kill(pid_t(scan.processId()), signalNumber);
    QVERIFY(scan.waitForFinished(10000));
    QVERIFY(clock.stop());
    const QList<int> asked = numbersAsked(clock).mid(before);  // this scan's, after the whole one's
    QVERIFY(!asked.isEmpty());
    const HistoryEntry last = CommandHistory::read().constLast();
    QCOMPARE(last.machine, QStringLiteral("0-%1").arg(asked.constLast()));
    // It found 1 and 2 of the three a whole scan found: at least three, the rest unknown.
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(clock.devicePath())), PartScan + 3);
}

// What the line is known to hold after scans one after another: a scan of every number says it afresh, any
// other at least what it found, never fewer than those before it found.
void TestMachineScan::scanCountIsWhatTheScansCovered_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QList<bool>>("everyNumber");
    QTest::addColumn<int>("known");
    QTest::newRow("a whole scan") << QList<int>{2} << QList<bool>{true} << 2;
    QTest::newRow("one stopped after one") << QList<int>{1} << QList<bool>{false} << PartScan + 1;
    QTest::newRow("one stopped before any") << QList<int>{0} << QList<bool>{false} << PartScan;
    QTest::newRow("a whole scan, then one stopped early") << QList<int>{2, 1} << QList<bool>{true, false} << PartScan + 2;
    QTest::newRow("part scans add up to their largest") << QList<int>{1, 3, 2} << QList<bool>{false, false, false} << PartScan + 3;
    QTest::newRow("a whole scan after part scans") << QList<int>{3, 1} << QList<bool>{false, true} << 1;
}

void TestMachineScan::scanCountIsWhatTheScansCovered()
{
    QFETCH(QList<int>, counts);
    QFETCH(QList<bool>, everyNumber);
    QFETCH(int, known);
    const QString device = QStringLiteral("/dev/timeclock-scan-count-test");
    RememberedChoices::forgetAll();
    for (qsizetype i = 0; i < counts.size(); ++i)
        RememberedChoices().noteTerminalsFound(LineIdentity::of(device), counts.at(i), everyNumber.at(i));
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(device)), known);
    // A renumber after it asks whenever the count is not a whole scan's of fewer than two.
    QCOMPARE(renumberOnSharedLine(LineIdentity::of(device), false).has_value(), known >= 2);
}

void TestMachineScan::renumberWhereTheLineMayBeShared_data()
{
    QTest::addColumn<QString>("bus");        // empty: one terminal, never scanned
    // The names the scan and the renumber give the line: DEVICE, a LINK to it, or a serial server's port
    // (PORT) in front of it, rfc2217 or raw as the scan's name says.
    QTest::addColumn<QString>("scanName");
    QTest::addColumn<QString>("renumberName");
    QTest::addColumn<bool>("storeUsable");   // the settings store can be read and written
    QTest::addColumn<QString>("refusal");    // what a renumber without --all says; empty: it is sent
    QTest::addColumn<QString>("scanned");    // the numbers the scan asked

    QTest::newRow("two terminals, scanned by a link") << "18:0A1B2C,7:112233" << "LINK" << "DEVICE" << true << sharedLineWarning(2)
                                                      << "0-255";
    QTest::newRow("two terminals, scanned by the device") << "18:0A1B2C,7:112233" << "DEVICE" << "LINK" << true
                                                          << sharedLineWarning(2) << "0-255";
    QTest::newRow("two terminals behind a server, localhost beside 127.0.0.1")
        << "18:0A1B2C,7:112233" << "rfc2217://127.0.0.1:PORT" << "rfc2217://localhost:PORT" << true << sharedLineWarning(2) << "0-255";
    QTest::newRow("two terminals behind a raw server, tcp:// beside SOCKET:// with a slash")
        << "18:0A1B2C,7:112233" << "tcp://127.0.0.1:PORT" << "SOCKET://LOCALHOST:PORT/" << true << sharedLineWarning(2) << "0-255";
    QTest::newRow("one terminal, never scanned") << "" << "" << "LINK" << true << "" << "";
    QTest::newRow("store cannot be written") << "" << "" << "LINK" << false << "不知道这条线上有几台考勤机（记住的设置无法读写）" << "";
    // Numbers nobody asked may hold more terminals, whatever the scan found.
    QTest::newRow("one terminal, part of the numbers scanned") << "18:0A1B2C" << "DEVICE" << "LINK" << true
                                                               << sharedLineWarning(PartScan + 1) << "0-30";
    QTest::newRow("one terminal, every number scanned") << "18:0A1B2C" << "DEVICE" << "LINK" << true << "" << "0-255";
}

void TestMachineScan::renumberWhereTheLineMayBeShared()
{
    QFETCH(QString, bus);
    QFETCH(QString, scanName);
    QFETCH(QString, renumberName);
    QFETCH(bool, storeUsable);
    QFETCH(QString, refusal);
    QFETCH(QString, scanned);

    const bool behindServer = scanName.contains(u"PORT");
    if (behindServer && SerialServer::program().isEmpty())
        QSKIP("ser2net is not installed: the rows through a serial server need it");
    // Pseudo-terminal numbers come round again: an earlier row's scan of the same device is forgotten.
    RememberedChoices::forgetAll();
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyBYID");
    SimulatedTimeClock clock(bus.isEmpty() ? QStringList{"--link", link} : QStringList{"--link", link, "--bus", bus});
    QVERIFY(clock.start());
    std::optional<SerialServer> server;
    if (behindServer) {
        server.emplace(scanName.startsWith(u"rfc2217") ? SerialServer::Kind::Rfc2217 : SerialServer::Kind::Raw, clock.devicePath());
        QVERIFY2(server->start(), qPrintable(server->errors()));
    }
    // One line, two names: the scan's memory belongs to the line.
    const auto name = [&](QString given) {
        if (given == u"DEVICE")
            return clock.devicePath();
        if (given == u"LINK")
            return link;
        return given.replace(QStringLiteral("PORT"), server ? QString::number(server->port()) : QString());
    };
    const QString renumbered = name(renumberName);
    if (!bus.isEmpty())
        QCOMPARE(runProgram({"scan", "--port", name(scanName), "--machines", scanned}).exitCode, 0);

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
    server.reset();
    QVERIFY(clock.stop());
    QStringList renumberedTerminals;
    for (const QString &terminal : bus.split(u',', Qt::SkipEmptyParts))
        renumberedTerminals << "machine=5 serial=" + terminal.section(u':', 1, 1).toLower();
    if (bus.isEmpty())
        QCOMPARE(clock.machineNumber(), 5);
    else
        QCOMPARE(clock.reader().terminalLines(), renumberedTerminals);
}

void TestMachineScan::historyOfWindowAndCommandLine()
{
    QFile::remove(CommandHistory::filePath());
    // Nothing known of the line from earlier cases on a device of the same name: what names a terminal here
    // is what this case did.
    RememberedChoices::forgetAll();
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
    // write-serial reads the terminal's own number first, and that read is in the history too. The logo
    // after it names the terminal by the serial written there; nobody answered at 30, and no serial is known there.
    QCOMPARE(lines, (QStringList{"read-serial 18 ok 0A1B2C ", "read-serial 18 ok 0A1B2C ", "write-serial 18 ok 0D0E0F ", "logo 18 ok 0D0E0F ",
                                 "settings 30 no-reply  ", "scan 17-19 ok  found:18:0D0E0F"}));
    const QByteArray picture = std::get<LogoPicture>(readLogoFile(logo)).bytes;
    QCOMPARE(entries.at(3).value("logo_sha256").toString(),
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
        QCOMPARE(portUse(LineIdentity::of(device)), PortFacts::Use::Busy);
        QCOMPARE(portThree().value("use").toString(), "busy");
    }
    // Testing left the port as it was: it opens, and nothing reached the terminal.
    QCOMPARE(portUse(LineIdentity::of(device)), PortFacts::Use::Free);
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
    // A scan's rows and summary also say whether a terminal was slow.
    QStringList scanKeys = outcomeKeys + QStringList{"slow"};
    scanKeys.sort();
    QTest::newRow("scan: answers, a wrong one, the summary")
        << QStringList{"scan", "--port", "DEV", "--machines", "6-9", "--json"} << scanKeys << 3 << "";
    QTest::newRow("scan: a port that never opened")
        << QStringList{"scan", "--port", "/dev/timeclock-no-such-device", "--json"} << scanKeys << 1 << "elapsed_ms";
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
        << QStringList{"answers", "command", "device", "lines_confirmed", "logo_sha256", "logo_source", "machine", "machines",
                       "outcome", "serial", "settings", "time"}
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

TIMECLOCK_TEST_MAIN_IN_SHARES(TestMachineScan, QTEST_MAIN_SETUP())
#include "tst_machine_scan.moc"
