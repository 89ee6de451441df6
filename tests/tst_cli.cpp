#include "status_messages.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The command line as scripts run it: timeclock-setup with a command word, no display, against the
// simulated time clock over a real pseudo-terminal.
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void commandOnTheLine_data();
    void commandOnTheLine();
    void jsonResults_data();
    void jsonResults();
    void badUsageSendsNothing_data();
    void badUsageSendsNothing();
    void pictureCommandsNeedNoPort();
    void helpListsEveryCommand();
    void provision_data();
    void provision();
};

namespace {

// A logo file in `dir` whose line L holds the bytes 16L .. 16L+15 (see countingLogoOnLine).
struct Files
{
    QTemporaryDir dir;
    QString logo = writeCountingLogoFile(dir, LogoLineCount);

    QString write(const QString &name, const QByteArray &contents)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            return {};
        return file.fileName();
    }
};

QStringList withArguments(const QStringList &arguments, const QString &logo)
{
    QStringList replaced = arguments;
    replaced.replaceInStrings(QStringLiteral("LOGO"), logo);
    return replaced;
}

} // namespace

void TestCli::commandOnTheLine_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QStringList>("arguments");  // LOGO stands for the counting logo file
    QTest::addColumn<QByteArray>("onLine");
    QTest::addColumn<QString>("printed");        // on standard output for a success, standard error otherwise
    QTest::addColumn<int>("exitCode");

    const QString set = StatusText::SettingSucceeded.toString();
    QTest::newRow("renumber") << QStringList() << QStringList{"renumber", "12"} << QByteArray::fromHex("6305070c0000")
                              << set << 0;
    QTest::newRow("settings, the window's initial state") << QStringList() << QStringList{"settings"}
                                                          << QByteArray::fromHex("120520000000") << set << 0;
    QTest::newRow("settings, every option") << QStringList()
                                            << QStringList{"settings", "--mode", "door", "--picture", "--delay", "5",
                                                           "--font", "traditional"}
                                            << QByteArray::fromHex("120520030501") << set << 0;
    QTest::newRow("read-serial") << QStringList{"--serial", "0a1b2c"} << QStringList{"read-serial"}
                                 << QByteArray::fromHex("12021f") << "0A1B2C" << 0;
    QTest::newRow("write-serial to machine 7") << QStringList{"--machine", "7"}
                                               << QStringList{"write-serial", "0a1B2c", "--machine", "7"}
                                               << QByteArray::fromHex("07050f0a1b2c") << set << 0;
    QTest::newRow("logo") << QStringList() << QStringList{"logo", "LOGO"} << countingLogoOnLine(18, LogoLineCount)
                          << StatusText::DownloadComplete.toString() << 0;
    // The faults of the window's fault matrix, one for each exit code.
    QTest::newRow("no answer: 1") << QStringList{"--silence", "all"} << QStringList{"read-serial"}
                                  << QByteArray::fromHex("12021f") << StatusText::CommunicationFailed.toString() << 1;
    QTest::newRow("line cut at logo line 5: 3") << QStringList{"--hangup-at", "5"} << QStringList{"logo", "LOGO"}
                                                << countingLogoOnLine(18, 6) << StatusText::PortLost.toString() << 3;
}

void TestCli::commandOnTheLine()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, onLine);
    QFETCH(QString, printed);
    QFETCH(int, exitCode);

    Files files;
    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    const ProgramRun run =
        runProgram(withArguments(arguments, files.logo) + QStringList{"--port", clock.devicePath()});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(exitCode == 0 ? run.outText() : run.errText(), printed);
    QCOMPARE(exitCode == 0 ? run.err : run.out, QByteArray());
    clock.waitForReceived(int(onLine.size()));
    QCOMPARE(clock.received().toHex(), onLine.toHex());
}

void TestCli::jsonResults_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("serial");  // empty: no "serial" key

    QTest::newRow("read-serial") << QStringList{"--serial", "abcdef", "--machine", "9"}
                                 << QStringList{"read-serial", "--machine", "9"} << 0 << "ok"
                                 << StatusText::CommunicationSucceeded.toString() << "ABCDEF";
    QTest::newRow("write-serial, wrong answer") << QStringList{"--wrong-byte", "all"}
                                                << QStringList{"write-serial", "123456"} << 1 << "wrong-reply"
                                                << StatusText::CommunicationFailed.toString() << "123456";
    QTest::newRow("renumber, line cut") << QStringList{"--hangup-at", "0"} << QStringList{"renumber", "3"} << 3
                                        << "port-lost" << StatusText::PortLost.toString() << "";
    QTest::newRow("bad serial") << QStringList() << QStringList{"write-serial", "12G456"} << 2 << "bad-input"
                                << StatusText::BadSerialNumber.toString() + "（12G456）" << "";
}

void TestCli::jsonResults()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, status);
    QFETCH(QString, message);
    QFETCH(QString, serial);

    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    const ProgramRun run = runProgram(arguments + QStringList{"--json", "--port", clock.devicePath()});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out.count('\n'), 1);  // one object, one line
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    QVERIFY2(document.isObject(), qPrintable(error.errorString() + ": " + run.out));
    const QJsonObject result = document.object();
    QCOMPARE(result.value("command").toString(), arguments.front());
    QCOMPARE(result.value("ok").toBool(), exitCode == 0);
    QCOMPARE(result.value("status").toString(), status);
    QCOMPARE(result.value("message").toString(), message);
    QCOMPARE(result.value("serial").toString(), serial);
    QCOMPARE(result.contains("serial"), !serial.isEmpty());
    // A command that reached the line says which terminal and how long it took.
    QCOMPARE(result.contains("elapsed_ms"), status != "bad-input");
    if (status != "bad-input")
        QVERIFY(result.value("machine").isDouble());
}

void TestCli::badUsageSendsNothing_data()
{
    QTest::addColumn<QStringList>("arguments");  // MISSING: a file that is not there; FOLDER: a folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("named");  // the one-line message names it

    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << "frobnicate";
    QTest::newRow("--machine 300") << QStringList{"read-serial", "--machine", "300"} << 2
                                   << StatusText::BadMachineNumber.toString() + "（--machine 300）";
    QTest::newRow("write-serial 12G456") << QStringList{"write-serial", "12G456"} << 2
                                         << StatusText::BadSerialNumber.toString() + "（12G456）";
    QTest::newRow("renumber without a number") << QStringList{"renumber"} << 2 << "renumber NEW";
    QTest::newRow("unknown option") << QStringList{"settings", "--colour", "red"} << 2 << "colour";
    QTest::newRow("settings --delay 256") << QStringList{"settings", "--delay", "256"} << 2 << "--delay 256";
    QTest::newRow("missing logo file") << QStringList{"logo", "MISSING"} << 4
                                       << StatusText::FileOpenFailed.toString();
    QTest::newRow("unreadable profile") << QStringList{"provision", "FOLDER"} << 4
                                        << StatusText::FileOpenFailed.toString();
    QTest::newRow("profile with a bad delay") << QStringList{"provision", "BADDELAY"} << 2 << "delay=300";
    QTest::newRow("profile's logo missing") << QStringList{"provision", "NOLOGO"} << 4 << "gone.png";
    QTest::newRow("--numbers 5-2") << QStringList{"provision", "GOOD", "--numbers", "5-2"} << 2 << "5-2";
}

void TestCli::badUsageSendsNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, named);

    Files files;
    arguments.replaceInStrings("MISSING", files.dir.filePath("missing.txt"));
    arguments.replaceInStrings("FOLDER", files.dir.path());
    arguments.replaceInStrings("BADDELAY", files.write("bad.ini", "[settings]\ndelay=300\n"));
    arguments.replaceInStrings("NOLOGO", files.write("nologo.ini", "[logo]\nfile=gone.png\n"));
    arguments.replaceInStrings("GOOD", files.write("good.ini", "[settings]\nmode=door\n"));
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const ProgramRun run = runProgram(arguments + QStringList{"--port", clock.devicePath()});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.errText().contains(named), qPrintable(run.errText()));
    QVERIFY(clock.stop());
    QCOMPARE(clock.received(), QByteArray());
}

void TestCli::pictureCommandsNeedNoPort()
{
    Files files;
    const QString converted = files.dir.filePath("converted.txt");
    const ProgramRun convert = runProgram({"convert-logo", TIMECLOCK_WINDOW_PICTURE, "-o", converted, "--invert"});
    QVERIFY(convert.finished);
    QCOMPARE(convert.exitCode, 0);
    QCOMPARE(convert.outText(), converted);
    const auto written = readLogoFile(converted);
    QVERIFY(std::holds_alternative<LogoPicture>(written));

    // The drawing: 16 text rows of 128 dots in a frame; line 0 of the counting logo is 00 01 02 ... 0F and
    // line 1 is 10 11 ... 1F, so the first text row starts with dots 0-7 off (0x00 over 0x10: only the
    // lower half of dot 3) ...
    const ProgramRun show = runProgram({"show-logo", files.logo});
    QVERIFY(show.finished);
    QCOMPARE(show.exitCode, 0);
    const QStringList rows = show.outText().split('\n');
    QCOMPARE(rows.size(), 18);
    for (const QString &row : rows)
        QCOMPARE(row.size(), 130);
    QCOMPARE(rows.at(1).mid(1, 8), QString("   ▄    "));
    // ... and the last one (lines 30 and 31: E0 E1 ... over F0 F1 ...) starts with three whole blocks and a lower half.
    QCOMPARE(rows.at(16).mid(1, 8), QString("███▄    "));

    const ProgramRun missing = runProgram({"show-logo", files.dir.filePath("none.png")});
    QCOMPARE(missing.exitCode, 4);
    QVERIFY(missing.out.isEmpty());
}

void TestCli::helpListsEveryCommand()
{
    const ProgramRun help = runProgram({"--help"});
    QVERIFY(help.finished);
    QCOMPARE(help.exitCode, 0);
    for (const CommandRow &row : commandTable())
        QVERIFY2(help.outText().contains("\n  " + row.name.toString() + ' '), qPrintable(row.name.toString()));
    for (const char *code : {"  0  ", "  1  ", "  2  ", "  3  ", "  4  "})
        QVERIFY(help.outText().contains(code));
    const ProgramRun commandHelp = runProgram({"settings", "--help"});
    QCOMPARE(commandHelp.exitCode, 0);
    QVERIFY(commandHelp.outText().contains("--font"));
}

void TestCli::provision_data()
{
    QTest::addColumn<QByteArray>("input");
    // Enter for terminals 1 and 2, s to skip terminal 2 when it fails, Enter for terminal 3.
    QTest::newRow("answers piped in") << QByteArray("\n\ns\n\n");
    // No answers at all: every terminal is run without asking and a failed one is passed over.
    QTest::newRow("no answers") << QByteArray();
}

void TestCli::provision()
{
    QFETCH(QByteArray, input);

    Files files;
    const QString profile = files.write("shop.ini", "[settings]\n"
                                                    "mode=door\n"
                                                    "picture=true\n"
                                                    "delay=5\n"
                                                    "font=traditional\n"
                                                    "[logo]\n"
                                                    "file=logo.txt        ; beside the profile\n");
    const QString report = files.dir.filePath("report.csv");
    // Each terminal takes 35 frames (renumber, settings, 32 logo lines, read-serial): the second one's
    // renumbering gets no answer.
    SimulatedTimeClock clock({"--silence", "35", "--serial", "0a1b2c"});
    QVERIFY(clock.start());
    const ProgramRun run = runProgram(
        {"provision", profile, "--numbers", "1-3", "--port", clock.devicePath(), "--report", report}, input);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);  // the failed terminal's: no answer

    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines.at(0).contains(QRegularExpression("^  1  serial 0A1B2C  ok  \\d+\\.\\d s$")), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1).startsWith("  2  renumber no-reply: " + StatusText::CommunicationFailed.toString()),
             qPrintable(lines.at(1)));
    QVERIFY2(lines.at(2).startsWith("  3  serial 0A1B2C  ok"), qPrintable(lines.at(2)));
    QVERIFY2(lines.at(3).contains("（2）"), qPrintable(lines.at(3)));

    QFile csv(report);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().trimmed().split('\n');
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.at(0).trimmed(), "number,serial,renumber,settings,logo,read-serial,seconds");
    QVERIFY2(rows.at(1).startsWith("1,0A1B2C,ok,ok,ok,ok,"), rows.at(1).constData());
    QVERIFY2(rows.at(2).startsWith("2,,no-reply,not-run,not-run,not-run,"), rows.at(2).constData());
    QVERIFY2(rows.at(3).startsWith("3,0A1B2C,ok,ok,ok,ok,"), rows.at(3).constData());

    QVERIFY(clock.stop());
    QCOMPARE(clock.machineNumber(), 3);
    QCOMPARE(clock.mode(), 3);  // door access and the start-up picture
    QCOMPARE(clock.delay(), 5);
    QCOMPARE(clock.font(), 1);
    QCOMPARE(clock.logo().toHex(), std::get<LogoPicture>(readLogoFile(files.logo)).bytes.toHex());
    // Terminal 3 was renumbered with frame 35 + 1 and confirmed under its new number.
    QVERIFY(clock.received().endsWith(QByteArray::fromHex("03021f")));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
