#include "line_echo.h"
#include "line_identity.h"
#include "remembered_choices.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// Which line a port name reaches: the names of one line, however spelt, get one answer to every question
// asked of it (the scan's count, its echo, its device for the latency timer and the holder), and different
// lines never share one.
class TestLineIdentity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void namesOfLines_data();
    void namesOfLines();
    void storeOfTheVersionBeforeIsRead();
    void serialsOfTheLastScans_data();
    void serialsOfTheLastScans();
    void serialsKeptForTheLinesChangedLast();

private:
    // "DIR/…" in a row is a file in this folder: a device and links to it.
    QString named(const QString &name) const { return QString(name).replace(QStringLiteral("DIR"), m_dir.path()); }

    QTemporaryDir m_dir;
};

void TestLineIdentity::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *device : {"ttyUSB7", "ttyUSB8"}) {
        QFile file(m_dir.filePath(QString::fromLatin1(device)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // As /dev/serial/by-id/… leads to /dev/ttyUSB7.
    QVERIFY(QFile::link(m_dir.filePath("ttyUSB7"), m_dir.filePath("usb-FTDI_FT232R-if00-port0")));
}

void TestLineIdentity::namesOfLines_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("oneLine");

    QTest::newRow("localhost beside 127.0.0.1") << "rfc2217://127.0.0.1:7103" << "rfc2217://localhost:7103" << true;
    QTest::newRow("[::1] beside 127.0.0.1") << "rfc2217://[::1]:7103" << "rfc2217://127.0.0.1:7103" << true;
    QTest::newRow("[::1] beside localhost") << "socket://[::1]:7104" << "socket://localhost:7104" << true;
    QTest::newRow("letter case of the host") << "rfc2217://LocalHost:7103" << "rfc2217://127.0.0.1:7103" << true;
    QTest::newRow("letter case of a name") << "socket://Terminals.Example:7104" << "socket://terminals.example:7104" << true;
    QTest::newRow("letter case of the scheme") << "RFC2217://terminals.example:7103" << "rfc2217://terminals.example:7103" << true;
    QTest::newRow("tcp beside socket") << "tcp://terminals.example:7104" << "socket://terminals.example:7104" << true;
    QTest::newRow("a trailing slash") << "rfc2217://127.0.0.1:7103/" << "rfc2217://127.0.0.1:7103" << true;
    QTest::newRow("all at once") << "TCP://LOCALHOST:7104/" << "socket://127.0.0.1:7104" << true;
    QTest::newRow("Telnet's port left out") << "rfc2217://terminals.example" << "rfc2217://terminals.example:23" << true;
    // One TCP port of a server is one listener in front of one serial port, whatever is spoken to it.
    QTest::newRow("rfc2217 beside socket, one server port") << "rfc2217://127.0.0.1:7103" << "socket://localhost:7103" << true;
    QTest::newRow("a device and its link") << "DIR/usb-FTDI_FT232R-if00-port0" << "DIR/ttyUSB7" << true;
    QTest::newRow("a device by a path with a dot") << "DIR/./ttyUSB7" << "DIR/ttyUSB7" << true;

    QTest::newRow("another port") << "rfc2217://127.0.0.1:7103" << "rfc2217://127.0.0.1:7104" << false;
    QTest::newRow("another host") << "socket://terminals-a.example:7104" << "socket://terminals-b.example:7104" << false;
    QTest::newRow("another loopback address") << "rfc2217://localhost:7103" << "rfc2217://127.0.0.2:7103" << false;
    QTest::newRow("another IPv6 address") << "rfc2217://[fe80::1]:7103" << "rfc2217://[::1]:7103" << false;
    QTest::newRow("Telnet's port beside another") << "rfc2217://terminals.example" << "rfc2217://terminals.example:2217" << false;
    QTest::newRow("another device") << "DIR/ttyUSB7" << "DIR/ttyUSB8" << false;
    QTest::newRow("a device beside a server") << "DIR/ttyUSB7" << "socket://localhost:7104" << false;
    QTest::newRow("a device not there beside another") << "DIR/ttyUSB90" << "DIR/ttyUSB91" << false;
}

void TestLineIdentity::namesOfLines()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, oneLine);
    const LineIdentity a = LineIdentity::of(named(first));
    const LineIdentity b = LineIdentity::of(named(second));
    QCOMPARE(a.name(), named(first));
    QCOMPARE(a == b, oneLine);
    QCOMPARE(a.key() == b.key(), oneLine);
    // The latency timer and the holder are asked of the device itself; a server's port has none.
    if (oneLine)
        QCOMPARE(a.deviceFile(), b.deviceFile());
    if (a.kind() == LineIdentity::Kind::Network)
        QVERIFY(a.deviceFile().isEmpty());

    // The scan's count: found under one name, known under the other.
    RememberedChoices::forgetAll();
    RememberedChoices().noteTerminalsFound(a, 2, true);
    QCOMPARE(RememberedChoices().terminalsFound(b), oneLine ? 2 : 0);
    // The serials it heard, the same.
    RememberedChoices().noteSerialsFound(a, {0, 9}, {{.machine = 3, .reply = QByteArray::fromHex("030a1b2c")}});
    QCOMPARE(RememberedChoices().serialsFound(b).value(3), oneLine ? "0A1B2C" : "");

    // The echo: learned under one name, known under the other.
    noteEcho(b, false);
    noteEcho(a, true);
    QCOMPARE(learnedEcho(b), std::optional<bool>(oneLine));
}

// A store the version before wrote: a device's count under its real path, a server port's under its name as
// it was written then.
void TestLineIdentity::storeOfTheVersionBeforeIsRead()
{
    RememberedChoices::forgetAll();
    const QString device = m_dir.filePath("ttyUSB8");
    const QString server = QStringLiteral("rfc2217://127.0.0.1:7103");
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("timeclock-setup"),
                        QStringLiteral("timeclock-setup"));
        store.setValue("scan/" + QString::fromLatin1(QUrl::toPercentEncoding(device)), 3);
        store.setValue("scan/" + QString::fromLatin1(QUrl::toPercentEncoding(server)), 2);
        store.sync();
        QCOMPARE(store.status(), QSettings::NoError);
    }
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(device)), 3);
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(server)), 2);
    // A scan since is what counts.
    RememberedChoices().noteTerminalsFound(LineIdentity::of(QStringLiteral("rfc2217://localhost:7103")), 1, true);
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(server)), 1);
}

namespace {

// "18:0A1B2C" a terminal found, "collision:18:445566" a second serial at its number, "wrong:9".
QList<ScanAnswer> answersOf(const QStringList &words)
{
    QList<ScanAnswer> answers;
    for (const QString &word : words) {
        const QStringList fields = word.split(u':');
        ScanAnswer answer;
        answer.kind = fields.at(0) == u"wrong"       ? ScanAnswer::Kind::Wrong
                      : fields.at(0) == u"collision" ? ScanAnswer::Kind::Collision
                                                     : ScanAnswer::Kind::Found;
        answer.machine = fields.at(answer.kind == ScanAnswer::Kind::Found ? 0 : 1).toInt();
        if (answer.kind != ScanAnswer::Kind::Wrong)
            answer.reply = QByteArray(1, char(answer.machine)) + QByteArray::fromHex(fields.constLast().toLatin1());
        answers << answer;
    }
    return answers;
}

} // namespace

void TestLineIdentity::serialsOfTheLastScans_data()
{
    // Each step: "scan FIRST-LAST ANSWER...", "at NUMBER SERIAL" (read, written or renumbered to), "forget".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("known");  // "NUMBER:SERIAL ..." afterwards
    QTest::newRow("a scan") << QStringList{"scan 0-30 3:000003 18:0A1B2C"} << "3:000003 18:0A1B2C";
    QTest::newRow("a later scan replaces only the numbers it asked")
        << QStringList{"scan 0-30 3:000003 18:0A1B2C", "scan 0-10 5:000005"} << "5:000005 18:0A1B2C";
    QTest::newRow("two serials at a number: none")
        << QStringList{"scan 0-30 18:0A1B2C collision:18:445566 20:000014"} << "20:000014";
    QTest::newRow("a wrong answer: nobody known there") << QStringList{"scan 0-30 9:000009", "scan 9-9 wrong:9"} << "";
    QTest::newRow("renumbered: the serial moves") << QStringList{"scan 0-30 3:000003 18:0A1B2C", "at 7 0a1b2c"}
                                                  << "3:000003 7:0A1B2C";
    QTest::newRow("a new serial at a number") << QStringList{"scan 0-30 3:000003", "at 3 123456"} << "3:123456";
    QTest::newRow("a shared line renumbered") << QStringList{"scan 0-30 3:000003 4:000004", "forget"} << "";
}

void TestLineIdentity::serialsOfTheLastScans()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, known);
    RememberedChoices::forgetAll();
    const LineIdentity line = LineIdentity::of(m_dir.filePath("ttyUSB7"));
    for (const QString &step : steps) {
        const QStringList words = step.split(u' ');
        if (words.at(0) == u"scan")
            RememberedChoices().noteSerialsFound(line, {words.at(1).section(u'-', 0, 0).toInt(), words.at(1).section(u'-', 1).toInt()},
                                                 answersOf(words.mid(2)));
        else if (words.at(0) == u"at")
            RememberedChoices().noteSerialAt(line, words.at(1).toInt(), words.at(2));
        else
            RememberedChoices().forgetSerials(line);
    }
    QStringList found;
    const QMap<int, QString> serials = RememberedChoices().serialsFound(line);
    for (auto it = serials.cbegin(); it != serials.cend(); ++it)
        found << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
    QCOMPARE(found.join(u' '), known);
    // Another line knows nothing of it.
    QVERIFY(RememberedChoices().serialsFound(LineIdentity::of(m_dir.filePath("ttyUSB8"))).isEmpty());
}

// A PC that meets many lines keeps the serials of those changed last, and the store stays small.
void TestLineIdentity::serialsKeptForTheLinesChangedLast()
{
    RememberedChoices::forgetAll();
    const int lines = RememberedChoices::RememberedSerialLines + 6;
    const auto lineNumbered = [](int n) { return LineIdentity::of(QStringLiteral("rfc2217://127.0.0.1:%1").arg(7000 + n)); };
    for (int n = 0; n < lines; ++n) {
        RememberedChoices remembered;
        remembered.noteSerialsFound(lineNumbered(n), {}, answersOf({"3:000003"}));
        // The first line is used again after the others: it is not among the oldest.
        if (n == lines - 1)
            remembered.noteSerialAt(lineNumbered(0), 3, "0A1B2C");
    }
    // One change more than lines: the oldest seven went, and line 0 came back with the last change.
    const int forgotten = lines + 1 - RememberedChoices::RememberedSerialLines;
    QCOMPARE(RememberedChoices().serialsFound(lineNumbered(0)).value(3), "0A1B2C");
    for (int n = 1; n < lines; ++n)
        QCOMPARE(RememberedChoices().serialsFound(lineNumbered(n)).isEmpty(), n < forgotten);
}

QTEST_GUILESS_MAIN(TestLineIdentity)
#include "tst_line_identity.moc"
