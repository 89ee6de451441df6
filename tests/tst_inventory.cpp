#include "sim_process.h"
#include "tst_cli_process.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

// inventory --offline reads this PC's history alone: each case writes a history into the test's own data
// folder and reads the table back as the program prints it. The live form scans simulated lines first, and
// the commands before it name in the history the terminal they went to, by the serial the last scan heard.
class TestInventory : public QObject
{
    Q_OBJECT

private slots:
    void terminalsFollowedBySerial_data();
    void terminalsFollowedBySerial();
    void jsonKeysAreStable();
    void csvIsSpreadsheetSafe();
    void textFitsEightyColumns();
    void offlineOpensNoPort();
    void liveTableScansFirst_data();
    void liveTableScansFirst();
    void commandsNameTheScannedTerminal_data();
    void commandsNameTheScannedTerminal();

private:
    // A data folder whose history holds `lines` (tab-separated fields, one entry each), and a settings store of
    // its own.
    struct History
    {
        QTemporaryDir home;
        ChildSetup setup;
        explicit History(const QStringList &lines)
        {
            setup.environment.insert("XDG_DATA_HOME", home.path());
            setup.environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
            QDir().mkpath(home.filePath("timeclock-setup"));
            QFile file(home.filePath("timeclock-setup/history.tsv"));
            if (file.open(QIODevice::WriteOnly))
                file.write((lines.join(u'\n') + u'\n').toUtf8());
        }
        ProgramRun inventory(const QStringList &options = {}) const
        {
            return runProgram(QStringList{"inventory", "--offline"} + options, {}, 60000, setup);
        }
        ProgramRun run(const QStringList &arguments) const { return runProgram(arguments, {}, 60000, setup); }
    };

    static QList<QJsonObject> objects(const ProgramRun &run)
    {
        QList<QJsonObject> list;
        for (const QByteArray &line : run.out.split('\n')) {
            if (!line.isEmpty())
                list.append(QJsonDocument::fromJson(line).object());
        }
        return list;
    }
};

namespace {

QString entry(const QString &time, const QString &port, const QString &machine, const QString &command,
              const QString &outcome, const QString &serial = {}, const QString &hash = {}, const QString &settings = {},
              const QString &source = {})
{
    return QStringList{"2026-12-01T" + time + ":00+08:00", port, machine, command, outcome, serial, hash, settings, source}
        .join(u'\t');
}

const QString Door = QStringLiteral("mode=door picture=true delay=5 font=traditional");
const QString Bell = QStringLiteral("mode=bell picture=false delay=0 font=simplified");

// One terminal as the test compares it: "port machine serial collision settings/confirmed logo/confirmed all".
QString summary(const QJsonObject &o)
{
    const auto text = [](const QJsonValue &value) {
        return value.isNull() ? QStringLiteral("-") : value.isBool() ? QString(value.toBool() ? "yes" : "no")
                                                                     : value.toVariant().toString();
    };
    return QStringList{text(o["port"]), text(o["machine"]), text(o["serial"]), o["collision"].toBool() ? "collision" : "single",
                       text(o["settings"]) + "/" + text(o["settings_confirmed"]),
                       text(o["logo_source"]) + "/" + text(o["logo_confirmed"]), text(o["confirmed"])}
        .join(u' ');
}

} // namespace

void TestInventory::terminalsFollowedBySerial_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QStringList>("terminals");

    // Settings at its first number, renumbered, the logo sent to the new number before any answer named the
    // terminal there, then a scan finds it: one terminal with both.
    QTest::newRow("renumbered, followed by serial")
        << QStringList{entry("09:00", "/dev/ttyUSB0", "1-255", "scan", "ok 5:0A1B2C"),
                       entry("09:01", "/dev/ttyUSB0", "5", "settings", "ok", {}, {}, Door),
                       entry("09:02", "/dev/ttyUSB0", "7", "renumber", "ok"),
                       entry("09:03", "/dev/ttyUSB0", "7", "logo", "ok", {}, "ab12", {}, "shop.png"),
                       entry("09:04", "/dev/ttyUSB0", "1-255", "scan", "ok 7:0a1b2c")}
        << QStringList{"/dev/ttyUSB0 7 0A1B2C single " + Door + "/yes shop.png/yes yes"};
    QTest::newRow("two lines, the same number on each")
        << QStringList{entry("09:00", "/dev/ttyUSB1", "1-255", "scan", "ok 3:222222"),
                       entry("09:01", "/dev/ttyUSB0", "1-255", "scan", "ok 3:111111"),
                       entry("09:02", "/dev/ttyUSB1", "3", "settings", "ok", {}, {}, Bell)}
        << QStringList{"/dev/ttyUSB0 3 111111 single -/- -/- -", "/dev/ttyUSB1 3 222222 single " + Bell + "/yes -/- yes"};
    QTest::newRow("a number two terminals answer")
        << QStringList{entry("09:00", "/dev/ttyUSB0", "1-255", "scan", "ok 18:445566 collision:18:778899 20:000020")}
        << QStringList{"/dev/ttyUSB0 18 445566 collision -/- -/- -", "/dev/ttyUSB0 18 778899 collision -/- -/- -",
                       "/dev/ttyUSB0 20 000020 single -/- -/- -"};
    QTest::newRow("the last settings and the last logo")
        << QStringList{entry("09:00", "/dev/ttyUSB0", "18", "read-serial", "ok", "0A1B2C"),
                       entry("09:01", "/dev/ttyUSB0", "18", "settings", "ok", {}, {}, Door),
                       entry("09:02", "/dev/ttyUSB0", "18", "logo", "ok", {}, "ab12", {}, "old.png"),
                       entry("09:03", "/dev/ttyUSB0", "18", "settings", "ok", {}, {}, Bell),
                       entry("09:04", "/dev/ttyUSB0", "18", "logo", "ok", {}, "cd34", {}, "text:欢迎"),
                       entry("09:05", "/dev/ttyUSB0", "18", "settings", "port-open-failed", {}, {}, Door)}
        << QStringList{"/dev/ttyUSB0 18 0A1B2C single " + Bell + "/yes text:欢迎/yes yes"};
    QTest::newRow("a step the terminal did not confirm")
        << QStringList{entry("09:00", "/dev/ttyUSB0", "18", "read-serial", "ok", "0A1B2C"),
                       entry("09:01", "/dev/ttyUSB0", "18", "settings", "ok", {}, {}, Door),
                       entry("09:02", "/dev/ttyUSB0", "18", "logo", "no-reply lines=12", {}, "ab12", {}, "shop.png")}
        << QStringList{"/dev/ttyUSB0 18 0A1B2C single " + Door + "/yes shop.png/no no"};
    QTest::newRow("a new serial written keeps the terminal's record")
        << QStringList{entry("09:00", "/dev/ttyUSB0", "18", "read-serial", "ok", "000001"),
                       entry("09:01", "/dev/ttyUSB0", "18", "settings", "ok", {}, {}, Door),
                       entry("09:02", "/dev/ttyUSB0", "18", "write-serial", "ok", "0A1B2C")}
        << QStringList{"/dev/ttyUSB0 18 0A1B2C single " + Door + "/yes -/- yes"};
    // A batch's entries name the unit it read first: renumbered with nothing read back yet, it is still one.
    QTest::newRow("entries that name their terminal")
        << QStringList{entry("09:00", "/dev/ttyUSB0", "0-255", "scan", "ok 0:00ABCD"),
                       entry("09:01", "/dev/ttyUSB0", "0", "read-serial", "ok", "00ABCD"),
                       entry("09:02", "/dev/ttyUSB0", "4", "renumber", "ok", "00ABCD"),
                       entry("09:03", "/dev/ttyUSB0", "4", "settings", "ok", "00ABCD", {}, Door),
                       entry("09:04", "/dev/ttyUSB0", "4", "logo", "no-reply lines=3", "00ABCD", "ab12", {}, "shop.png")}
        << QStringList{"/dev/ttyUSB0 4 00ABCD single " + Door + "/yes shop.png/no no"};
    // Sent unconfirmed to the number it was to take: still the unit the batch read, not an unknown one there.
    QTest::newRow("an unconfirmed step that names its terminal")
        << QStringList{entry("09:00", "/dev/ttyUSB0", "0", "read-serial", "ok", "00ABCD"),
                       entry("09:01", "/dev/ttyUSB0", "4", "renumber", "no-reply", "00ABCD"),
                       entry("09:02", "/dev/ttyUSB0", "4", "settings", "no-reply", "00ABCD", {}, Door)}
        << QStringList{"/dev/ttyUSB0 0 00ABCD single " + Door + "/no -/- no"};
    // Seven fields, before the settings and the logo's source were kept, and a scan line with no word.
    QTest::newRow("lines of earlier versions")
        << QStringList{"2026-12-01T09:00:00+08:00\t/dev/ttyUSB0\t18\tread-serial\tok\t0A1B2C\t",
                       "2026-12-01T09:01:00+08:00\t/dev/ttyUSB0\t1-255\tscan\t3:000003\t\t",
                       "2026-12-01T09:02:00+08:00\t/dev/ttyUSB0\t3\tlogo\tok\t\tab12"}
        << QStringList{"/dev/ttyUSB0 3 000003 single -/- -/yes yes", "/dev/ttyUSB0 18 0A1B2C single -/- -/- -"};
}

void TestInventory::terminalsFollowedBySerial()
{
    QFETCH(QStringList, history);
    QFETCH(QStringList, terminals);
    const History site(history);
    const ProgramRun run = site.inventory({"--json"});
    QCOMPARE(run.exitCode, 0);
    QStringList found;
    for (const QJsonObject &object : objects(run))
        found << summary(object);
    QCOMPARE(found, terminals);
}

void TestInventory::jsonKeysAreStable()
{
    const History site({entry("09:00", "/dev/ttyUSB0", "1-255", "scan", "ok 3:000003 18:0A1B2C"),
                        entry("09:01", "/dev/ttyUSB0", "18", "logo", "no-reply lines=4", {}, "ab12", {}, "a.png")});
    const QList<QJsonObject> list = objects(site.inventory({"--json"}));
    QCOMPARE(list.size(), 2);
    const QStringList keys{"answered_now", "collision",   "confirmed", "last_answered", "logo_confirmed", "logo_lines_confirmed",
                           "logo_sha256", "logo_source", "logo_time",   "machine",        "port",
                           "serial",      "settings",  "settings_confirmed", "settings_time"};
    for (const QJsonObject &object : list)
        QCOMPARE(object.keys(), keys);
    QCOMPARE(list.at(1)["logo_lines_confirmed"].toInt(), 4);
    QCOMPARE(list.at(1)["last_answered"].toString(), "2026-12-01T09:00:00+08:00");
    QVERIFY(list.at(0)["settings"].isNull());
    // No scan was made: whether it answers now is not known.
    QVERIFY(list.at(0)["answered_now"].isNull());
}

void TestInventory::csvIsSpreadsheetSafe()
{
    // A port name a spreadsheet would take for a formula, and a serial and hash it would take for numbers.
    const History site({entry("09:00", "=HYPERLINK(1)", "18", "read-serial", "ok", "001E05"),
                        entry("09:01", "=HYPERLINK(1)", "18", "logo", "ok", {}, "0012", {}, "a,\"b\".png")});
    const ProgramRun run = site.inventory({"--csv"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith("\xEF\xBB\xBFport,machine,serial,"));
    const QList<QByteArray> rows = run.out.split('\n');
    QCOMPARE(rows.size(), 3);  // header, one terminal, and nothing after the last CRLF
    QVERIFY(rows.at(0).endsWith('\r'));
    QVERIFY2(rows.at(1).startsWith("\t=HYPERLINK(1),18,\t001E05,\t2026-12-01T09:01:00+08:00,no,"), rows.at(1).constData());
    QVERIFY2(rows.at(1).contains(",\"a,\"\"b\"\".png\",\t0012,"), rows.at(1).constData());
    QVERIFY(rows.at(2).isEmpty());
    QVERIFY(site.inventory({"--csv", "--json"}).exitCode == 2);
}

void TestInventory::textFitsEightyColumns()
{
    const QString longPath = "/home/operator/pictures/" + QString(60, u'x') + "/shop-front.png";
    const History site({entry("09:00", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "1-255",
                              "scan", "ok 18:0A1B2C collision:18:445566"),
                        entry("09:01", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "18", "settings",
                              "ok", {}, {}, Door),
                        entry("09:02", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "18", "logo",
                              "no-reply lines=12", {}, QString(64, u'a'), {}, longPath),
                        entry("09:03", "/dev/ttyUSB1", "3", "logo", "ok", {}, QString(64, u'b'), {}, "text:" + QString(60, u'欢')),
                        entry("09:04", "rfc2217://192.168.10.20:4001", "7", "read-serial", "ok", "0C0D0E")});
    for (const char *language : {"zh", "zh_TW", "en"}) {
        const ProgramRun run = site.inventory({"--lang", language});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.errText().isEmpty());
        const QStringList lines = run.outText().split(u'\n');
        QVERIFY(lines.size() >= 6);
        for (const QString &line : lines) {
            int columns = 0;
            for (const QChar c : line)
                columns += c.unicode() >= 0x1100 ? 2 : 1;
            QVERIFY2(columns <= 80, qPrintable(line));
        }
        // The file's name is what is left of a long path; the hash's start names the picture.
        QVERIFY2(run.outText().contains("shop-front.png"), qPrintable(run.outText()));
        QVERIFY(run.outText().contains("aaaaaaaaaaaa"));
        QVERIFY(run.outText().contains("0A1B2C") && run.outText().contains("445566"));
        // A server's line keeps its host and port whole: the scheme is what gives way.
        QVERIFY2(run.outText().contains("\n192.168.10.20:4001 "), qPrintable(run.outText()));
    }
}

void TestInventory::offlineOpensNoPort()
{
    const History site({entry("09:00", "/dev/ttyUSB0", "18", "read-serial", "ok", "0A1B2C")});
    // The offline table needs no port, and no port is opened: none may be named, nor what a scan takes.
    QCOMPARE(site.inventory().exitCode, 0);
    for (const QStringList &scanning : {QStringList{"--port", "/dev/no-such-port"}, QStringList{"--machines", "0-3"}}) {
        const ProgramRun run = site.inventory(scanning);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errText().contains(scanning.constFirst()), qPrintable(run.errText()));
    }
}

namespace {

// The devices of a simulator's lines in a history written before it started: "LINE1" for its first, and so on.
QStringList onLines(QStringList lines, const QStringList &devices)
{
    for (QString &line : lines) {
        for (qsizetype i = devices.size(); i >= 1; --i)
            line.replace(QStringLiteral("LINE%1").arg(i), devices.at(i - 1));
    }
    return lines;
}

const QString MissingLine = QStringLiteral("/dev/timeclock-no-such-line");

} // namespace

void TestInventory::liveTableScansFirst_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QStringList>("history");  // before the scan, LINE1... for the simulator's lines
    QTest::addColumn<bool>("withMissing");     // a line that does not exist given too
    // "LINE MACHINE SERIAL now|TIME collision|single SETTINGS": a row per terminal of the lines scanned.
    QTest::addColumn<QStringList>("terminals");
    QTest::addColumn<int>("exitCode");
    // 5 answered yesterday and is gone: its row keeps when it last answered. A terminal of another port is
    // not the lines' scanned.
    QTest::newRow("a known terminal that no longer answers")
        << QStringList{"--lines", "2", "--line-bus", "1:3:000003", "--line-bus", "2:4:000004"}
        << QStringList{entry("09:00", "LINE1", "0-20", "scan", "ok 3:000003 5:000005"),
                       entry("09:01", "LINE1", "5", "settings", "ok", {}, {}, Door),
                       entry("09:02", "/dev/ttyUSB7", "0-20", "scan", "ok 2:000002")}
        << false
        << QStringList{"1 3 000003 now single -", "1 5 000005 2026-12-01T09:01:00+08:00 single " + Door,
                       "2 4 000004 now single -"}
        << 0;
    // Set up at 5, renumbered to 7 by another PC: the same terminal, answering at 7, with what was sent at 5.
    QTest::newRow("a renumbered terminal followed by serial")
        << QStringList{"--bus", "7:0A1B2C"}
        << QStringList{entry("09:00", "LINE1", "0-20", "scan", "ok 5:0A1B2C"),
                       entry("09:01", "LINE1", "5", "settings", "ok", {}, {}, Bell)}
        << false << QStringList{"1 7 0A1B2C now single " + Bell} << 0;
    // A collision from this scan, not from an older one: 20's of yesterday is gone, 18's is new.
    QTest::newRow("a collision")
        << QStringList{"--bus", "18:0A1B2C,18:445566:delay=5,20:000014"}
        << QStringList{entry("09:00", "LINE1", "0-20", "scan", "ok 20:000014 collision:20:778899")}
        << false
        << QStringList{"1 18 0A1B2C now collision -", "1 18 445566 now collision -", "1 20 000014 now single -",
                       "1 20 778899 2026-12-01T09:00:00+08:00 single -"}
        << 0;
    // The line that does not open is said, and the exit says so; the table holds the others.
    QTest::newRow("a line that does not open")
        << QStringList{"--bus", "3:000003"}
        << QStringList{entry("09:00", MissingLine, "0-20", "scan", "ok 9:000009")} << true
        << QStringList{"1 3 000003 now single -", "0 9 000009 2026-12-01T09:00:00+08:00 single -"} << 3;
}

void TestInventory::liveTableScansFirst()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, history);
    QFETCH(bool, withMissing);
    QFETCH(QStringList, terminals);
    QFETCH(int, exitCode);
    sim::SimProcess lines(simOptions);
    QVERIFY(lines.start());
    const QStringList devices = lines.devicePaths();
    const History site(onLines(history, devices));
    QStringList arguments{"inventory", "--machines", "0-20"};
    for (const QString &device : devices)
        arguments << "--port" << device;
    if (withMissing)
        arguments << "--port" << MissingLine;
    const ProgramRun run = site.run(arguments + QStringList{"--json"});
    QCOMPARE(run.exitCode, exitCode);
    if (withMissing)
        QVERIFY2(run.errText().contains(MissingLine + QStringLiteral("：")), qPrintable(run.errText()));
    QStringList found;
    for (const QJsonObject &object : objects(run)) {
        const QString port = object["port"].toString();
        const QString line = port == MissingLine ? QStringLiteral("0") : QString::number(devices.indexOf(port) + 1);
        // Answered now: its last answer is this scan's, not one of the history written before.
        const bool now = object["answered_now"].toBool();
        QCOMPARE(now, !object["last_answered"].toString().startsWith("2026-12-01"));
        found << QStringList{line, QString::number(object["machine"].toInt()), object["serial"].toString(),
                             now ? QStringLiteral("now") : object["last_answered"].toString(),
                             object["collision"].toBool() ? "collision" : "single",
                             object["settings"].isNull() ? QStringLiteral("-") : object["settings"].toString()}
                     .join(u' ');
    }
    // Compared as a set: the lines' devices sort by their number, the missing one by its name.
    std::sort(found.begin(), found.end());
    std::sort(terminals.begin(), terminals.end());
    QCOMPARE(found, terminals);

    // The text says the same: "answered now" in place of a time, the time where it did not answer.
    const ProgramRun text = site.run(arguments + QStringList{"--lang", "en"});
    QCOMPARE(text.exitCode, exitCode);
    const QStringList rows = text.outText().split(u'\n');
    for (const QString &terminal : std::as_const(terminals)) {
        const QStringList fields = terminal.split(u' ');
        const QString when = fields.at(3) == u"now" ? QStringLiteral("answered now")
                                                    : QDateTime::fromString(fields.at(3), Qt::ISODate).toString("yyyy-MM-dd HH:mm");
        const bool shown = std::any_of(rows.cbegin(), rows.cend(), [&](const QString &row) {
            return row.contains(u' ' + fields.at(2) + u' ') && row.contains(when);
        });
        QVERIFY2(shown, qPrintable(terminal + u'\n' + text.outText()));
    }
    // --csv: the same column at the end.
    const ProgramRun csv = site.run(arguments + QStringList{"--csv"});
    QCOMPARE(csv.exitCode, exitCode);
    QVERIFY2(csv.out.split('\n').at(0).endsWith(",confirmed,answered_now\r"), csv.out.constData());
    QVERIFY(csv.out.contains(",yes\r\n"));
    QVERIFY(lines.stop());
}

void TestInventory::commandsNameTheScannedTerminal_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QList<QStringList>>("commands");  // each run with --port LINE
    QTest::addColumn<QString>("serial");                // the last history entry's
    QTest::addColumn<QStringList>("terminals");         // inventory --offline: "MACHINE SERIAL"
    const QStringList scan{"scan", "--machines", "0-20"};
    // Every number asked: a renumber needs to know the line holds one terminal, or --all.
    const QStringList wholeScan{"scan"};
    const QStringList settingsAt3{"settings", "--machine", "3", "--mode", "door"};
    QTest::newRow("settings to a number the scan heard")
        << QStringList{"--bus", "3:0A1B2C,4:000004"} << QList<QStringList>{scan, settingsAt3} << "0A1B2C"
        << QStringList{"3 0A1B2C", "4 000004"};
    QTest::newRow("settings to a number nobody answered")
        << QStringList{"--bus", "3:0A1B2C"} << QList<QStringList>{scan, {"settings", "--machine", "5"}} << ""
        << QStringList{"3 0A1B2C", "5 "};
    // The line's only terminal takes the new number: the renumber names it, and so does what follows.
    QTest::newRow("a renumber carries the serial")
        << QStringList{"--bus", "3:0A1B2C"}
        << QList<QStringList>{wholeScan, {"renumber", "9"}, {"settings", "--machine", "9", "--mode", "door"}} << "0A1B2C"
        << QStringList{"9 0A1B2C"};
    // Both terminals now answer at 9: which one the settings reached, nobody knows.
    QTest::newRow("a shared line renumbered")
        << QStringList{"--bus", "3:0A1B2C,4:000004"}
        << QList<QStringList>{wholeScan, {"renumber", "9", "--all"}, {"settings", "--machine", "9"}} << ""
        << QStringList{"3 0A1B2C", "4 000004", "9 "};
    QTest::newRow("a new serial written")
        << QStringList{"--bus", "3:0A1B2C"}
        << QList<QStringList>{scan, {"write-serial", "123456", "--machine", "3"}, settingsAt3} << "123456"
        << QStringList{"3 123456"};
    QTest::newRow("a scan of one number")
        << QStringList{"--bus", "3:0A1B2C"}
        << QList<QStringList>{{"renumber", "3"}, {"scan", "--machines", "3"}, settingsAt3} << "0A1B2C"
        << QStringList{"3 0A1B2C"};
}

void TestInventory::commandsNameTheScannedTerminal()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QList<QStringList>, commands);
    QFETCH(QString, serial);
    QFETCH(QStringList, terminals);
    sim::SimProcess line(simOptions);
    QVERIFY(line.start());
    const History site({});
    // Whether each command was answered is the simulator's; what the history names is the test's.
    for (const QStringList &command : commands)
        QVERIFY(site.run(command + QStringList{"--port", line.devicePath()}).finished);
    const ProgramRun history = site.run({"history", "--json"});
    const QList<QJsonObject> entries = objects(history);
    QVERIFY(!entries.isEmpty());
    QCOMPARE(entries.constLast()["command"].toString(), commands.constLast().constFirst());
    QCOMPARE(entries.constLast()["serial"].toString(), serial);
    QStringList found;
    for (const QJsonObject &object : objects(site.inventory({"--json"})))
        found << QStringLiteral("%1 %2").arg(object["machine"].toInt()).arg(object["serial"].toString());
    QCOMPARE(found, terminals);
    QVERIFY(line.stop());
}

QTEST_GUILESS_MAIN(TestInventory)
#include "tst_inventory.moc"
