#include "command_history.h"
#include "malformed_addresses.h"
#include "status_messages.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
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
    void init();
    void commandOnTheLine_data();
    void commandOnTheLine();
    void jsonResults_data();
    void jsonResults();
    void badUsageSendsNothing_data();
    void badUsageSendsNothing();
    void malformedNetworkAddressIsBadUsage_data();
    void malformedNetworkAddressIsBadUsage();
    void serialNumberNeverTwice_data();
    void serialNumberNeverTwice();
    void pictureCommandsNeedNoPort();
    void helpListsEveryCommand();
    void historyHoldsEveryFrameSent();
    void commandHelpListsItsOwnOptions_data();
    void commandHelpListsItsOwnOptions();
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

void TestCli::init()
{
    // write-serial refuses a number this PC wrote before: each case starts with no history.
    QFile::remove(CommandHistory::filePath());
}

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
                                               << QByteArray::fromHex("07021f07050f0a1b2c") << set << 0;
    QTest::newRow("logo") << QStringList() << QStringList{"logo", "LOGO"} << countingLogoOnLine(18, LogoLineCount)
                          << StatusText::DownloadComplete.toString() << 0;
    // The faults of the window's fault matrix, one for each exit code.
    // After the message, what came back, in the words of the window's tooltip.
    const QString failed = StatusText::CommunicationFailed.toString();
    QTest::newRow("no answer: 1") << QStringList{"--silence", "all"} << QStringList{"read-serial"}
                                  << QByteArray::fromHex("12021f")
                                  << StatusText::withDetail(failed, StatusText::NoAnswer.toString()) << 1;
    QTest::newRow("wrong answer: 1") << QStringList{"--wrong-byte", "all", "--serial", "0a1b2c"}
                                     << QStringList{"read-serial"} << QByteArray::fromHex("12021f")
                                     << StatusText::withDetail(failed, StatusText::WrongAnswer.toString().arg("ED 0A 1B 2C"))
                                     << 1;
    QTest::newRow("no answer at logo line 3: 1")
        << QStringList{"--silence", "3"} << QStringList{"logo", "LOGO"} << countingLogoOnLine(18, 4)
        << StatusText::withDetail(StatusText::withDetail(failed, StatusText::NoAnswer.toString()), "第 4 行") << 1;
    QTest::newRow("line cut at logo line 5: 3") << QStringList{"--hangup-at", "5"} << QStringList{"logo", "LOGO"}
                                                << countingLogoOnLine(18, 6)
                                                << StatusText::withDetail(StatusText::PortLost.toString(), "第 6 行") << 3;
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
    QTest::addColumn<QString>("serial");  // empty: "serial" is null

    QTest::newRow("read-serial") << QStringList{"--serial", "abcdef", "--machine", "9"}
                                 << QStringList{"read-serial", "--machine", "9"} << 0 << "ok"
                                 << StatusText::CommunicationSucceeded.toString() << "ABCDEF";
    QTest::newRow("write-serial, wrong answer") << QStringList{"--wrong-byte", "all"}
                                                << QStringList{"write-serial", "123456"} << 1 << "wrong-reply"
                                                << StatusText::withDetail(
                                                       StatusText::withDetail(StatusText::CommunicationFailed.toString(),
                                                                              StatusText::WrongAnswer.toString().arg("ED 00 00 00")),
                                                       "写之前读不出考勤机现在的序列号，没有写入")
                                                << "123456";
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
    QCOMPARE(result.value("serial").isNull(), serial.isEmpty());
    // A command that reached the line says which terminal and port, and how long it took.
    QCOMPARE(result.value("elapsed_ms").isDouble(), status != "bad-input");
    QCOMPARE(result.value("machine").isDouble(), status != "bad-input");
    QCOMPARE(result.value("port").isString(), status != "bad-input");
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
    QTest::newRow("unreadable profile") << QStringList{"provision", "FOLDER", "--numbers", "1"} << 4
                                        << StatusText::FileOpenFailed.toString();
    QTest::newRow("profile with a bad delay") << QStringList{"provision", "BADDELAY", "--numbers", "1"} << 2 << "delay=300";
    QTest::newRow("profile's logo missing") << QStringList{"provision", "NOLOGO", "--numbers", "1"} << 4 << "gone.png";
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

void TestCli::malformedNetworkAddressIsBadUsage_data()
{
    addMalformedNetworkAddressRows();
}

// A network address that cannot be one is a usage error, named with its reason, before any name is looked
// up: exit 2, as for any other bad option.
void TestCli::malformedNetworkAddressIsBadUsage()
{
    QFETCH(QString, device);
    QFETCH(QString, reason);
    const ProgramRun run = runProgram({"read-serial", "--port", device});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.errText().contains(StatusText::BadPortNumber.toString() + u'（'), qPrintable(run.errText()));
    QVERIFY2(run.errText().contains(reason) && run.errText().contains("--port " + device), qPrintable(run.errText()));
}

void TestCli::serialNumberNeverTwice_data()
{
    QTest::addColumn<bool>("writtenBefore");  // 0B0001 written into terminal 0, then terminal 1 put on the port
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");          // part of standard error (of standard output for a success)
    QTest::addColumn<QByteArray>("received");   // by the terminal on the port at the end
    QTest::addColumn<QByteArray>("serial");     // the terminal's at the end

    const QByteArray read = QByteArray::fromHex("12021f");
    const QString set = StatusText::SettingSucceeded.toString();
    QTest::newRow("written before into another terminal: refused")
        << true << QStringList{"write-serial", "0B0001"} << 2
        << "写入 PORT 的 18 号机；这台考勤机现在的序列号是 001E05" << read << QByteArray::fromHex("001e05");
    QTest::newRow("written before, --force") << true << QStringList{"write-serial", "0b0001", "--force"} << 0 << set
                                             << read + QByteArray::fromHex("12050f0b0001") << QByteArray::fromHex("0b0001");
    QTest::newRow("written before into this terminal") << false << QStringList{"write-serial", "0A00C2"} << 0 << set
                                                       << read + QByteArray::fromHex("12050f0a00c2")
                                                       << QByteArray::fromHex("0a00c2");
    // Copied out of a spreadsheet cell, with the cell's line break.
    QTest::newRow("pasted with CR LF") << false << QStringList{"write-serial", " 0b0001\r\n"} << 0 << set
                                       << read + QByteArray::fromHex("12050f0b0001") << QByteArray::fromHex("0b0001");
    QTest::newRow("the terminal does not answer the read: nothing written")
        << false << QStringList{"write-serial", "0b0001", "--machine", "7"} << 1 << "写之前读不出考勤机现在的序列号，没有写入"
        << QByteArray::fromHex("07021f") << QByteArray::fromHex("0a00c2");
}

// Before write-serial the terminal's own number is read: a number this PC wrote into a terminal that holds
// another now is refused, naming when and where it was written.
void TestCli::serialNumberNeverTwice()
{
    QFETCH(bool, writtenBefore);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, serial);

    SwappedTerminals port({{"--serial", "0a00c2"}, {"--serial", "001e05"}});
    QVERIFY(port.putOn(0));
    int onLine = 0;
    if (writtenBefore) {
        const ProgramRun first = runProgram({"write-serial", "0b0001", "--port", port.port()});
        QCOMPARE(first.exitCode, 0);
        QVERIFY(port.putOn(++onLine));
    }
    const ProgramRun run = runProgram(arguments + QStringList{"--port", port.port()});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    said.replace("PORT", port.port());
    QVERIFY2((exitCode == 0 ? run.outText() : run.errText()).contains(said), qPrintable(run.errText() + run.outText()));
    SimulatedTimeClock &last = port.terminal(onLine);
    QCOMPARE(last.received().toHex(' '), received.toHex(' '));
    QVERIFY(last.stop());
    QCOMPARE(last.serial().toHex(), serial.toHex());
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

    // The drawing: 16 text rows of 64 characters of 2 x 2 dots in a frame, 66 columns in all; line 0 of the
    // counting logo is 00 01 02 ... 0F and line 1 is 10 11 ... 1F, so the first text row starts with dots
    // 0-7 off but for dot 3 of the lower row (0x10): a lower right quadrant in the second character ...
    const ProgramRun show = runProgram({"show-logo", files.logo});
    QVERIFY(show.finished);
    QCOMPARE(show.exitCode, 0);
    const QStringList rows = show.outText().split('\n');
    QCOMPARE(rows.size(), 18);
    for (const QString &row : rows)
        QCOMPARE(row.size(), 66);
    QCOMPARE(rows.at(1).mid(1, 4), QString(" ▗  "));
    // ... and the last one (lines 30 and 31: E0 ... over F0 ...: dots 0-2 over 0-3) starts with a whole
    // block and three quadrants.
    QCOMPARE(rows.at(16).mid(1, 4), QString("█▙  "));

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
    // Every word --json's status can be, provision's included.
    for (const char *status : {"no-reply", "interrupted", "incomplete", "duplicate-serial", "number-taken", "skipped", "not-reached"})
        QVERIFY2(help.outText().contains(QString("、%1").arg(status)), status);
    const ProgramRun commandHelp = runProgram({"settings", "--help"});
    QCOMPARE(commandHelp.exitCode, 0);
    QVERIFY(commandHelp.outText().contains("--font"));
}

void TestCli::commandHelpListsItsOwnOptions_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("notListed");
    QTest::newRow("settings") << "settings" << QStringList{"--font", "--machine", "--port", "--trace"} << QStringList{"--machines"};
    // A scan asks every number of its range: a single machine number is no option of it.
    QTest::newRow("scan") << "scan" << QStringList{"--machines", "--timeout", "--port", "--trace", "--json"}
                          << QStringList{"--machine "};
    QTest::newRow("history") << "history" << QStringList{"--json"} << QStringList{"--machine", "--port"};
    // It scans as scan does, unless --offline.
    QTest::newRow("inventory") << "inventory" << QStringList{"--offline", "--csv", "--json", "--port", "--machines", "--timeout"}
                               << QStringList{"--machine "};
}

void TestCli::commandHelpListsItsOwnOptions()
{
    QFETCH(QString, command);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, notListed);
    const ProgramRun help = runProgram({command, "--help"});
    QCOMPARE(help.exitCode, 0);
    for (const QString &option : listed)
        QVERIFY2(help.outText().contains(option), qPrintable(option + "\n" + help.outText()));
    for (const QString &option : notListed)
        QVERIFY2(!help.outText().contains(option), qPrintable(option + "\n" + help.outText()));
}

void TestCli::historyHoldsEveryFrameSent()
{
    Files files;
    QTemporaryDir home;
    ChildSetup setup;
    setup.environment.insert("XDG_DATA_HOME", home.path());
    // A store of its own too: the serials earlier cases heard on a device of the same name are not this line's.
    setup.environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    // A line an earlier version wrote (no settings, no logo source) is still read.
    QVERIFY(QDir().mkpath(home.filePath("timeclock-setup")));
    {
        QFile history(home.filePath("timeclock-setup/history.tsv"));
        QVERIFY(history.open(QIODevice::WriteOnly));
        history.write("2026-12-01T09:00:00+00:00\t/dev/ttyUSB0\t18\tread-serial\tok\t0A1B2C\t\n");
    }
    const QString profile = files.write("shop.ini", "[settings]\nmode=door\npicture=true\ndelay=5\nfont=traditional\n[logo]\nfile="
                                                        + QFileInfo(files.logo).fileName().toUtf8() + "\n");
    QVERIFY(!profile.isEmpty());
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const QString port = clock.devicePath();
    const auto run = [&](const QStringList &arguments, const QByteArray &input = {}) {
        return runProgram(arguments + QStringList{"--port", port}, input, 60000, setup).exitCode;
    };
    QCOMPARE(run({"settings", "--mode", "bell", "--picture", "--delay", "7", "--font", "simplified"}), 0);
    QCOMPARE(run({"logo", files.logo}), 0);
    QCOMPARE(run({"logo", "--text", "欢迎"}), 0);
    // One unit set up: the line's scan at the first Enter and the question at its new number are frames too.
    QCOMPARE(run({"provision", profile, "--numbers", "1", "--scan-timeout", "10"}, "\n"), 0);
    QVERIFY(clock.stop());

    const ProgramRun history = runProgram({"history", "--json"}, {}, 60000, setup);
    QCOMPARE(history.exitCode, 0);
    QList<QJsonObject> entries;
    for (const QByteArray &line : history.out.trimmed().split('\n'))
        entries << QJsonDocument::fromJson(line).object();
    QStringList commands;
    for (const QJsonObject &entry : entries)
        commands << entry.value("command").toString();
    QCOMPARE(commands, (QStringList{"read-serial", "settings", "logo", "logo", "scan", "read-serial", "scan", "renumber", "settings", "logo",
                                    "read-serial"}));
    QCOMPARE(entries.at(0).value("serial").toString(), "0A1B2C");
    QVERIFY(entries.at(0).value("settings").isNull());
    QVERIFY(entries.at(0).value("logo_source").isNull());
    QCOMPARE(entries.at(1).value("settings").toString(), "mode=bell picture=true delay=7 font=simplified");
    QCOMPARE(entries.at(2).value("logo_source").toString(), QFileInfo(files.logo).absoluteFilePath());
    QCOMPARE(entries.at(3).value("logo_source").toString(), "text:欢迎");
    QVERIFY(!entries.at(3).value("logo_sha256").toString().isEmpty());
    // provision's scans are recorded as scan records them: the whole line, then the new number.
    QCOMPARE(entries.at(4).value("machines").toString(), "0-255");
    QCOMPARE(entries.at(4).value("answers").toArray().size(), 1);
    QVERIFY2(entries.at(6).value("machines").toString().startsWith("1"), qPrintable(entries.at(6).value("machines").toString()));
    QCOMPARE(entries.at(6).value("answers").toArray().size(), 0);
    QCOMPARE(entries.at(8).value("settings").toString(), "mode=door picture=true delay=5 font=traditional");
    QCOMPARE(entries.at(9).value("logo_source").toString(), QFileInfo(files.logo).absoluteFilePath());
    // What the batch sent names the unit it read at the factory number, so the inventory joins it.
    const QString unit = entries.at(5).value("serial").toString();
    QVERIFY(!unit.isEmpty());
    for (const int sent : {7, 8, 9})
        QCOMPARE(entries.at(sent).value("serial").toString(), unit);
    const ProgramRun inventory = runProgram({"inventory", "--offline", "--json"}, {}, 60000, setup);
    QCOMPARE(inventory.exitCode, 0);
    QJsonObject unitRow;
    for (const QByteArray &line : inventory.out.trimmed().split('\n')) {
        if (const QJsonObject row = QJsonDocument::fromJson(line).object(); row.value("port").toString() == port)
            unitRow = row;
    }
    QCOMPARE(unitRow.value("serial").toString(), unit);
    QCOMPARE(unitRow.value("machine").toInt(), 1);
    QCOMPARE(unitRow.value("settings").toString(), "mode=door picture=true delay=5 font=traditional");
    QCOMPARE(unitRow.value("logo_source").toString(), QFileInfo(files.logo).absoluteFilePath());
    QCOMPARE(unitRow.value("confirmed").toBool(), true);
    for (const int plain : {4, 5, 6, 7, 10})
        QVERIFY2(entries.at(plain).value("settings").isNull() && entries.at(plain).value("logo_source").isNull(),
                 qPrintable(entries.at(plain).value("command").toString()));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
