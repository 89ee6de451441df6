#include "tst_cli_process.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

// inventory --offline reads this PC's history alone: each case writes a history into the test's own data
// folder and reads the table back as the program prints it.
class TestInventory : public QObject
{
    Q_OBJECT

private slots:
    void terminalsFollowedBySerial_data();
    void terminalsFollowedBySerial();
    void jsonKeysAreStable();
    void csvIsSpreadsheetSafe();
    void textFitsEightyColumns();
    void withoutOfflineRefused();

private:
    // A data folder whose history holds `lines` (tab-separated fields, one entry each).
    struct History
    {
        QTemporaryDir home;
        ChildSetup setup;
        explicit History(const QStringList &lines)
        {
            setup.environment.insert("XDG_DATA_HOME", home.path());
            QDir().mkpath(home.filePath("timeclock-setup"));
            QFile file(home.filePath("timeclock-setup/history.tsv"));
            if (file.open(QIODevice::WriteOnly))
                file.write((lines.join(u'\n') + u'\n').toUtf8());
        }
        ProgramRun inventory(const QStringList &options = {}) const
        {
            return runProgram(QStringList{"inventory", "--offline"} + options, {}, 60000, setup);
        }
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
    const QStringList keys{"collision",   "confirmed", "last_answered", "logo_confirmed", "logo_lines_confirmed",
                           "logo_sha256", "logo_source", "logo_time",   "machine",        "port",
                           "serial",      "settings",  "settings_confirmed", "settings_time"};
    for (const QJsonObject &object : list)
        QCOMPARE(object.keys(), keys);
    QCOMPARE(list.at(1)["logo_lines_confirmed"].toInt(), 4);
    QCOMPARE(list.at(1)["last_answered"].toString(), "2026-12-01T09:00:00+08:00");
    QVERIFY(list.at(0)["settings"].isNull());
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
                        entry("09:03", "/dev/ttyUSB1", "3", "logo", "ok", {}, QString(64, u'b'), {}, "text:" + QString(60, u'欢'))});
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
    }
}

void TestInventory::withoutOfflineRefused()
{
    const History site({entry("09:00", "/dev/ttyUSB0", "18", "read-serial", "ok", "0A1B2C")});
    // The offline table needs no port, and no port is opened: none is named, and none may be.
    QCOMPARE(site.inventory().exitCode, 0);
    QCOMPARE(site.inventory({"--port", "/dev/no-such-port"}).exitCode, 2);
    const ProgramRun live = runProgram({"inventory"}, {}, 60000, site.setup);
    QCOMPARE(live.exitCode, 2);
    QVERIFY2(live.errText().contains("--offline"), qPrintable(live.errText()));
    QVERIFY(live.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestInventory)
#include "tst_inventory.moc"
