#include "command_history.h"
#include "remembered_choices.h"
#include "scan_command.h"
#include "serial_server.h"
#include "site_bounds.h"
#include "sim_process.h"
#include "tst_cli_process.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

// A site's lines scanned side by side by `scan` with several --port, against one simulator serving several
// lines (--lines): rows by port then number, a line that does not open or is lost beside the others, a
// number two terminals share, --port all, the JSON shape and the history; and the simulator's own bounds.
class TestSiteScan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void linesScannedSideBySide_data();
    void linesScannedSideBySide();
    void portAllTakesEveryMappedPort_data();
    void portAllTakesEveryMappedPort();
    void jsonHasPortsAndASummaryEach();
    void networkLineBesideLocalOnes();
    void linesBehindOneSerialServer();
    void oneHistoryEntryPerPort();
    void progressSaysEveryLine();
    void portsNamedOnceInPortOrder_data();
    void portsNamedOnceInPortOrder();
    void simulatorServesManyLines_data();
    void simulatorServesManyLines();
    void boundsSaidBeforeAnyPortOpens_data();
    void boundsSaidBeforeAnyPortOpens();
    void memoryFlatOverALongScan();
};

namespace {

// /dev/pts/N by N, as the scan sorts its ports.
bool byPtsNumber(const QString &a, const QString &b)
{
    return a.section(u'/', -1).toInt() < b.section(u'/', -1).toInt();
}

// "LINE\tMACHINE\tSERIAL" rows, LINE the simulator's line from 1, as the scan prints them: the line's device
// in place of its number (none with `withPort` false), sorted by device, then number. Any row may end in
// "\tslow": whether an answer came within its short wait belongs to the machine's load.
QRegularExpression expectedRows(const QStringList &rows, const QStringList &devices, bool withPort)
{
    QList<std::pair<QString, int>> keyed;
    QStringList printed;
    for (const QString &row : rows) {
        const QStringList fields = row.split(u'\t');
        const QString device = devices.at(fields.at(0).toInt() - 1);
        keyed.append({device, fields.at(1).toInt()});
        printed << (withPort ? QStringList{device} + fields.mid(1) : fields.mid(1)).join(u'\t');
    }
    QList<qsizetype> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        if (keyed.at(a).first != keyed.at(b).first)
            return byPtsNumber(keyed.at(a).first, keyed.at(b).first);
        return keyed.at(a).second < keyed.at(b).second;
    });
    QString pattern;
    for (const qsizetype index : order)
        pattern += QRegularExpression::escape(printed.at(index)) + QStringLiteral("(\tslow)?\n");
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

const QString MissingDevice = QStringLiteral("/dev/timeclock-no-such-line");

// A run of the program for its peak resident memory (ru_maxrss from wait4), its output thrown away.
struct PeakMemoryRun
{
    int exitCode = -1;
    long peakKb = 0;
};

// The strings as a C list ending in a null pointer, for posix_spawn; `held` keeps them (each its own buffer,
// which stays where it is as the list grows).
std::vector<char *> cStrings(const QStringList &strings, QList<QByteArray> &held)
{
    std::vector<char *> list;
    for (const QString &string : strings)
        list.push_back(held.emplaceBack(string.toLocal8Bit()).data());
    list.push_back(nullptr);
    return list;
}

PeakMemoryRun runForPeakMemory(const QStringList &arguments)
{
    QList<QByteArray> held;
    std::vector<char *> argv = cStrings(QStringList{QStringLiteral(TIMECLOCK_SETUP_PATH)} + arguments, held);
    std::vector<char *> envp = cStrings(scriptEnvironment().toStringList(), held);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv.front(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    PeakMemoryRun run;
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    // The event loop goes on meanwhile, so that the simulator's output is read.
    if (!QTest::qWaitFor([&] { return ::wait4(pid, &status, WNOHANG, &usage) == pid; }, 60000)) {
        ::kill(pid, SIGKILL);
        ::wait4(pid, &status, 0, &usage);
        return run;
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKb = usage.ru_maxrss;
    return run;
}

} // namespace

void TestSiteScan::init()
{
    // Each case starts with nothing remembered: no mappings, no history.
    QFile::remove(CommandHistory::filePath());
    RememberedChoices().setPortMappings({});
}

void TestSiteScan::linesScannedSideBySide_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<bool>("withMissing");     // a device that does not exist given among the real ones
    QTest::addColumn<QStringList>("rows");     // "LINE\tMACHINE\tSERIAL" on standard output
    // On standard error, "LINE:TEXT": a line that starts with the line's device (0: the missing one; "-": any
    // line) and holds TEXT.
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("three lines, terminals at known numbers")
        << QStringList{"--lines", "3", "--line-bus", "1:3:000003", "--line-bus", "2:7:000007,9:000009",
                       "--line-bus", "3:20:000014"}
        << false << QStringList{"1\t3\t000003", "2\t7\t000007", "2\t9\t000009", "3\t20\t000014"}
        << QStringList{"1:找到 1 台考勤机", "2:找到 2 台考勤机", "3:找到 1 台考勤机"} << 0;
    QTest::newRow("one line empty") << QStringList{"--lines", "2", "--line-bus", "1:5:000005", "--line-bus", "2:40:000028"}
                                    << false << QStringList{"1\t5\t000005"}
                                    << QStringList{"1:找到 1 台考勤机", "2:没有考勤机回答（机号 0-30）"} << 0;
    QTest::newRow("nothing on any line") << QStringList{"--lines", "2", "--machine", "100"} << false << QStringList{}
                                         << QStringList{"1:没有考勤机回答", "2:没有考勤机回答"} << 1;
    // The others go on, and the missing line is a row of its own; the exit says a port failed.
    QTest::newRow("a line that does not exist")
        << QStringList{"--lines", "2", "--line-bus", "1:3:000003", "--line-bus", "2:12:00000C"} << true
        << QStringList{"1\t3\t000003", "2\t12\t00000C"} << QStringList{"0:" + MissingDevice, "1:找到 1 台考勤机"} << 3;
    // Line 2 closes at its 10th frame (number 9): its terminal at 20 is never asked; 3's answer before is kept.
    QTest::newRow("a line lost mid-scan")
        << QStringList{"--lines", "3", "--line-bus", "1:3:000003", "--line-bus", "2:3:000103,20:000114",
                       "--line-bus", "3:25:000019", "--line-hangup-at", "2:10"}
        << false << QStringList{"1\t3\t000003", "2\t3\t000103", "3\t25\t000019"}
        << QStringList{"1:找到 1 台考勤机", "2:已查机号 0-", "3:找到 1 台考勤机"} << 3;
    // Two terminals at 18, the second answering 5 ms after the first has begun (4 bytes take 4.2 ms at 9600):
    // its answer follows the first whole, with another serial.
    QTest::newRow("two terminals at one number")
        << QStringList{"--lines", "2", "--line-bus", "1:18:0A1B2C,18:445566:delay=5", "--line-bus", "2:4:000004"}
        << false << QStringList{"1\t18\t0A1B2C", "2\t4\t000004"}
        << QStringList{"1:机号 18：可能有两台考勤机同号", "1:找到 1 台考勤机"} << 0;
    // The most lines the simulator serves, all scanned at once by one process.
    QStringList everyLine;
    for (int line = 1; line <= 64; ++line)
        everyLine << QStringLiteral("%1\t2\t000002").arg(line);
    QTest::newRow("64 lines at once") << QStringList{"--lines", "64", "--machine", "2", "--serial", "000002"} << false
                              << everyLine << QStringList{"64:找到 1 台考勤机"} << 0;
    QTest::newRow("one line with a collision, as one --port")
        << QStringList{"--bus", "18:0A1B2C,18:445566:delay=5,19:000013"} << false
        << QStringList{"1\t18\t0A1B2C", "1\t19\t000013"} << QStringList{"-:机号 18：可能有两台考勤机同号"} << 0;
}

void TestSiteScan::linesScannedSideBySide()
{
    QFETCH(QStringList, simOptions);
    QFETCH(bool, withMissing);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, notes);
    QFETCH(int, exitCode);
    sim::SimProcess site(simOptions);
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    QStringList arguments{"scan", "--machines", "0-30"};
    for (const QString &device : devices)
        arguments << "--port" << device;
    if (withMissing)
        arguments << "--port" << MissingDevice;
    const ProgramRun run = runProgram(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    // One --port: the rows as they always were, without the port.
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(expectedRows(rows, devices, devices.size() > 1).match(out).hasMatch(), qPrintable(out));
    for (const QString &note : notes) {
        const QString line = note.section(u':', 0, 0);
        const QString text = note.section(u':', 1);
        const QString port = line == u"-" ? QString() : line == u"0" ? MissingDevice : devices.at(line.toInt() - 1);
        const QStringList said = run.errText().split(u'\n');
        const bool told = std::any_of(said.cbegin(), said.cend(), [&](const QString &printed) {
            return (port.isEmpty() || printed.startsWith(port + QStringLiteral("："))) && printed.contains(text);
        });
        QVERIFY2(told, qPrintable(note + u'\n' + run.errText()));
    }
    // A collision is not said to be a wrong answer.
    QVERIFY2(!run.errText().contains("回答错误"), qPrintable(run.errText()));
    QVERIFY(site.stop());
    // Each line's events come apart: the line that hung up, and only it, says so.
    for (int line = 1; line <= devices.size() && devices.size() > 1; ++line) {
        const bool lost = simOptions.contains(QStringLiteral("%1:10").arg(line));
        QCOMPARE(site.reader().line(line).hungUp(), lost);
        QVERIFY(site.reader().line(line).finalState().has_value());
    }
}

void TestSiteScan::portAllTakesEveryMappedPort_data()
{
    QTest::addColumn<QStringList>("remembered");  // mappings, "N=LINE" with LINE the simulator's (0: missing)
    QTest::addColumn<QStringList>("given");       // --port values after --port all, same form
    QTest::addColumn<QStringList>("scanned");     // the lines scanned, each once, in port order
    QTest::addColumn<int>("exitCode");
    QTest::newRow("remembered mappings") << QStringList{"5=1", "6=2"} << QStringList{} << QStringList{"1", "2"} << 0;
    QTest::newRow("a mapping given now and one remembered") << QStringList{"5=1"} << QStringList{"7=3"}
                                                            << QStringList{"1", "3"} << 0;
    QTest::newRow("given now wins over remembered") << QStringList{"5=1"} << QStringList{"5=2"} << QStringList{"2"} << 0;
    QTest::newRow("a mapped line named twice is scanned once") << QStringList{"5=1"} << QStringList{"5", "LINE1"}
                                                               << QStringList{"1"} << 0;
    // A mapping to a device that is gone: its own row, and nothing else opened in its place.
    QTest::newRow("a remembered device that is gone") << QStringList{"5=1", "9=0"} << QStringList{}
                                                      << QStringList{"0", "1"} << 3;
    QTest::newRow("nothing mapped") << QStringList{} << QStringList{} << QStringList{} << 2;
}

void TestSiteScan::portAllTakesEveryMappedPort()
{
    QFETCH(QStringList, remembered);
    QFETCH(QStringList, given);
    QFETCH(QStringList, scanned);
    QFETCH(int, exitCode);
    sim::SimProcess site({"--lines", "3", "--machine", "4"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    const auto device = [&devices](const QString &line) { return line == u"0" ? MissingDevice : devices.at(line.toInt() - 1); };
    const auto resolved = [&](QString value) {
        if (value.startsWith("LINE"))
            return device(value.mid(4));
        return value.contains(u'=') ? value.section(u'=', 0, 0) + u'=' + device(value.section(u'=', 1)) : value;
    };
    QStringList mappings;
    for (const QString &mapping : remembered)
        mappings << resolved(mapping);
    RememberedChoices().setPortMappings(mappings);
    QStringList arguments{"scan", "--machines", "0-8", "--json", "--port", "all"};
    for (const QString &value : given)
        arguments << "--port" << resolved(value);
    const ProgramRun run = runProgram(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == ExitCode::BadUsage) {
        QVERIFY2(run.out.contains("--port all"), run.out.constData());
        QVERIFY(site.stop());
        return;
    }
    QStringList summaries;
    for (const QJsonObject &object : jsonLines(run.out)) {
        if (object.value("machine").isNull())
            summaries << object.value("port").toString();
    }
    QStringList expected;
    for (const QString &line : scanned)
        expected << device(line);
    std::sort(expected.begin(), expected.end(), [](const QString &a, const QString &b) {
        return a.startsWith("/dev/pts/") && b.startsWith("/dev/pts/") ? byPtsNumber(a, b) : a < b;
    });
    QCOMPARE(summaries, expected);
    QVERIFY(site.stop());
}

// One object per terminal with its port, then one summary per port, all in the same keys.
void TestSiteScan::jsonHasPortsAndASummaryEach()
{
    sim::SimProcess site({"--lines", "2", "--line-bus", "1:3:000003,5:000005", "--line-bus", "2:18:0A1B2C,18:445566:delay=5"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();  // A: line 1, B: line 2, given the other way round
    const ProgramRun run = runProgram({"scan", "--machines", "0-20", "--json", "--port", devices.at(1), "--port", devices.at(0)});
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> objects = jsonLines(run.out);
    QStringList shape;
    for (const QJsonObject &object : objects) {
        QCOMPARE(object.keys(), objects.constFirst().keys());
        shape << QStringLiteral("%1 %2 %3")
                     .arg(object.value("port").toString() == devices.at(0) ? "A" : "B",
                          object.value("machine").isNull() ? QStringLiteral("-") : QString::number(object.value("machine").toInt()),
                          object.value("status").toString());
    }
    const bool aFirst = byPtsNumber(devices.at(0), devices.at(1));
    const QStringList rowsOfA{"A 3 ok", "A 5 ok"};
    const QStringList rowsOfB{"B 18 ok", "B 18 collision"};
    const QStringList summaries = aFirst ? QStringList{"A - ok", "B - ok"} : QStringList{"B - ok", "A - ok"};
    QCOMPARE(shape, (aFirst ? rowsOfA + rowsOfB : rowsOfB + rowsOfA) + summaries);
    QCOMPARE(objects.at(shape.indexOf("B 18 collision")).value("message").toString(), "机号 18：可能有两台考勤机同号");
    QVERIFY(site.stop());
}

// A line behind a serial server, given by its address beside a device and a mapped number: each its row.
void TestSiteScan::networkLineBesideLocalOnes()
{
    if (SerialServer::program().isEmpty())
        QSKIP("ser2net is not installed: the line through a serial server needs it");
    sim::SimProcess site({"--lines", "3", "--line-bus", "1:3:000003", "--line-bus", "2:7:000007", "--line-bus", "3:9:000009"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    SerialServer server(SerialServer::Kind::Rfc2217NoCharDelay, devices.at(1));
    QVERIFY2(server.start(), qPrintable(server.errors()));
    const ProgramRun run = runProgram({"scan", "--machines", "0-12", "--port", server.url(), "--port", devices.at(0),
                                       "--port", "4=" + devices.at(2)});
    QCOMPARE(run.exitCode, 0);
    const QString out = QString::fromUtf8(run.out);
    QStringList local{QRegularExpression::escape(devices.at(0)) + "\\t3\\t000003(\\tslow)?\\n",
                      QRegularExpression::escape(devices.at(2)) + "\\t9\\t000009(\\tslow)?\\n"};
    if (byPtsNumber(devices.at(2), devices.at(0)))
        std::swap(local[0], local[1]);
    const QString rows = local.join(QString()) + QRegularExpression::escape(server.url()) + "\\t7\\t000007(\\tslow)?\\n";
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(rows)).match(out).hasMatch(), qPrintable(out));
    server.stop();
    QVERIFY(site.stop());
}

// A device server with eight ports, each in front of its own line with terminals at known numbers, and a
// ninth port whose device is gone: every line found through its address, the gone one said as its own row.
// The last line's terminal answers 60 ms late, beyond the short wait and the line's round trip: it is
// still found (said slow, unless the machine is so busy that the round trip measured covers it).
void TestSiteScan::linesBehindOneSerialServer()
{
    if (SerialServer::program().isEmpty())
        QSKIP("ser2net is not installed: the lines through a serial server need it");
    constexpr int Lines = 8;
    QStringList options{"--lines", QString::number(Lines)};
    QStringList rows;  // by line: "MACHINE\tSERIAL"
    for (int line = 1; line <= Lines; ++line) {
        const int machine = 3 * line;
        const QString serial = QStringLiteral("%1").arg(0x100 * line + machine, 6, 16, QChar(u'0')).toUpper();
        options << "--line-bus" << QStringLiteral("%1:%2:%3%4").arg(line).arg(machine).arg(serial, line == Lines ? ":delay=60" : "");
        rows << QStringLiteral("%1\t%2").arg(machine).arg(serial);
    }
    sim::SimProcess site(options);
    QVERIFY(site.start());
    SerialServer server(SerialServer::Kind::Rfc2217NoCharDelay, site.devicePaths() << MissingDevice);
    QVERIFY2(server.start(), qPrintable(server.errors()));
    const QStringList urls = server.urls();
    QCOMPARE(urls.size(), Lines + 1);
    QStringList arguments{"scan", "--machines", "0-30"};
    for (const QString &url : urls)
        arguments << "--port" << url;
    const ProgramRun run = runProgram(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitCode::PortFailed);
    // Rows in port order, each naming its address.
    QList<qsizetype> order(Lines);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return server.port(a) < server.port(b); });
    QString pattern;
    for (const qsizetype line : std::as_const(order))
        pattern += QRegularExpression::escape(urls.at(line) + u'\t' + rows.at(line)) + QStringLiteral("(\tslow)?\n");
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(out).hasMatch(), qPrintable(out));
    const QStringList said = run.errText().split(u'\n');
    for (qsizetype line = 0; line < urls.size(); ++line) {
        const QString text = line < Lines ? QStringLiteral("找到 1 台考勤机") : QStringLiteral("串口打开失败");
        const bool told = std::any_of(said.cbegin(), said.cend(), [&](const QString &printed) {
            return printed.startsWith(urls.at(line) + QStringLiteral("：")) && printed.contains(text);
        });
        QVERIFY2(told, qPrintable(urls.at(line) + u' ' + text + u'\n' + run.errText()));
    }
    server.stop();
    QVERIFY(site.stop());
}

void TestSiteScan::oneHistoryEntryPerPort()
{
    sim::SimProcess site({"--lines", "3", "--line-bus", "2:18:0A1B2C,18:445566:delay=5", "--machine", "6"});
    QVERIFY(site.start());
    QStringList arguments{"scan", "--machines", "0-20", "--port", MissingDevice};
    for (const QString &device : site.devicePaths())
        arguments << "--port" << device;
    QCOMPARE(runProgram(arguments).exitCode, 3);
    const QList<QJsonObject> entries = jsonLines(runProgram({"history", "--json"}).out);
    QStringList devices;
    for (const QJsonObject &entry : entries) {
        QCOMPARE(entry.value("command").toString(), "scan");
        devices << entry.value("device").toString();
        if (entry.value("device").toString() == site.devicePaths().at(1)) {
            const QJsonArray answers = entry.value("answers").toArray();
            QCOMPARE(answers.size(), 2);
            QCOMPARE(answers.at(1).toObject().value("answer").toString(), "collision");
        }
    }
    QStringList expected = site.devicePaths() << MissingDevice;
    std::sort(devices.begin(), devices.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(devices, expected);
    QVERIFY(site.stop());
}

void TestSiteScan::progressSaysEveryLine()
{
    QCOMPARE(siteProgressText(3, 8, 1234, 2048), "3/8 串口，1234/2048 个机号");
}

void TestSiteScan::portsNamedOnceInPortOrder_data()
{
    QTest::addColumn<QStringList>("values");      // --port values
    QTest::addColumn<QStringList>("remembered");  // the window's mappings
    QTest::addColumn<QStringList>("ports");       // the lines scanned, as each row names it; empty: refused
    QTest::newRow("digits by value") << QStringList{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyACM0"} << QStringList{}
                                     << QStringList{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10"};
    QTest::newRow("a network address beside devices") << QStringList{"rfc2217://127.0.0.1:4001", "/dev/ttyUSB0"}
                                                      << QStringList{} << QStringList{"/dev/ttyUSB0", "rfc2217://127.0.0.1:4001"};
    QTest::newRow("a number through a remembered mapping") << QStringList{"3", "/dev/ttyUSB9"} << QStringList{"3=/dev/ttyUSB4"}
                                                           << QStringList{"/dev/ttyUSB4", "/dev/ttyUSB9"};
    QTest::newRow("all: every mapping, given and remembered") << QStringList{"all", "7=/dev/ttyUSB1"}
                                                              << QStringList{"3=/dev/ttyUSB4", "5=/dev/ttyUSB3"}
                                                              << QStringList{"/dev/ttyUSB1", "/dev/ttyUSB3", "/dev/ttyUSB4"};
    QTest::newRow("one line named three ways") << QStringList{"all", "3", "/dev/ttyUSB4"} << QStringList{"3=/dev/ttyUSB4"}
                                               << QStringList{"/dev/ttyUSB4"};
    QTest::newRow("all with nothing mapped") << QStringList{"all"} << QStringList{} << QStringList{};
    QTest::newRow("a bad number") << QStringList{"/dev/ttyUSB0", "1.5"} << QStringList{} << QStringList{};
    QTest::newRow("a bad network address") << QStringList{"/dev/ttyUSB0", "rfc2217://127.0.0.1:99999"} << QStringList{}
                                           << QStringList{};
    QStringList most;
    for (int port = 0; port < MaxSiteLines; ++port)
        most << QStringLiteral("/dev/ttyUSB%1").arg(port);
    QTest::newRow("64 lines") << most << QStringList{} << most;
    QTest::newRow("65 lines") << most + QStringList{QStringLiteral("/dev/ttyUSB%1").arg(MaxSiteLines)} << QStringList{}
                              << QStringList{};
}

void TestSiteScan::portsNamedOnceInPortOrder()
{
    QFETCH(QStringList, values);
    QFETCH(QStringList, remembered);
    QFETCH(QStringList, ports);
    QVERIFY(scansSeveralPorts(values));
    const auto named = sitePorts(values, remembered);
    if (ports.isEmpty()) {
        QVERIFY(std::holds_alternative<Problem>(named));
        QCOMPARE(std::get<Problem>(named).status, ResultStatus::BadInput);
        return;
    }
    QVERIFY(std::holds_alternative<QList<PortChoice>>(named));
    QStringList labels;
    for (const PortChoice &port : std::get<QList<PortChoice>>(named))
        labels << port.label();
    QCOMPARE(labels, ports);
}

void TestSiteScan::simulatorServesManyLines_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("descriptorLimit");  // RLIMIT_NOFILE of the simulator; 0: as it is
    QTest::addColumn<int>("devices");          // DEVICE lines printed; -1: it ends with `exitCode`
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    QTest::newRow("64 lines") << QStringList{"--lines", "64"} << 0 << 64 << 0 << QString();
    QTest::newRow("65 lines") << QStringList{"--lines", "65"} << 0 << -1 << 2 << "--lines";
    QTest::newRow("a line beyond --lines") << QStringList{"--lines", "2", "--line-bus", "3:5:000005"} << 0 << -1 << 2
                                           << "beyond --lines";
    QTest::newRow("--link with several lines") << QStringList{"--lines", "2", "--link", "/tmp/x"} << 0 << -1 << 2 << "--link";
    // 64 lines take 128 descriptors: said before any is opened.
    QTest::newRow("descriptors too few") << QStringList{"--lines", "64"} << 100 << -1 << 1 << "64 lines need";
}

void TestSiteScan::simulatorServesManyLines()
{
    QFETCH(QStringList, options);
    QFETCH(int, descriptorLimit);
    QFETCH(int, devices);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    if (devices > 0) {
        sim::SimProcess site(options);
        QVERIFY(site.start());
        QCOMPARE(site.devicePaths().size(), devices);
        QCOMPARE(QSet<QString>(site.devicePaths().cbegin(), site.devicePaths().cend()).size(), devices);
        QVERIFY(site.stop());
        return;
    }
    QProcess process;
    if (descriptorLimit > 0) {
        process.setChildProcessModifier([descriptorLimit] {
            const rlimit limit{rlim_t(descriptorLimit), rlim_t(descriptorLimit)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    process.start(sim::SimProcess::programPath(), options);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    const QString said = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(said.contains(error), qPrintable(said));
}

void TestSiteScan::boundsSaidBeforeAnyPortOpens_data()
{
    QTest::addColumn<int>("lines");            // the simulator's lines, each given as a --port
    QTest::addColumn<bool>("withMissing");     // and a device that does not exist
    QTest::addColumn<int>("softLimit");        // RLIMIT_NOFILE of the scan
    QTest::addColumn<int>("hardLimit");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");         // on standard error; empty: the scan went on
    QTest::newRow("65 lines") << 64 << true << 0 << 0 << 2 << QStringLiteral("最多同时 64 个串口，给了 65 个");
    // 8 lines need 3 each and 32 more: 56. With 20, some of them could not even be opened.
    QTest::newRow("descriptors too few, the ceiling too") << 8 << false << 20 << 20 << 2
                                                          << QStringLiteral("8 个串口同时打开要 56 个文件描述符，这个进程最多 20 个");
    QTest::newRow("descriptors too few, raised up to the ceiling") << 8 << false << 20 << 4096 << 1 << QString();
}

// More lines than one process works at once, or than its descriptors allow, are said before any port is
// opened: nothing reaches a line, and no history entry is written.
void TestSiteScan::boundsSaidBeforeAnyPortOpens()
{
    QFETCH(int, lines);
    QFETCH(bool, withMissing);
    QFETCH(int, softLimit);
    QFETCH(int, hardLimit);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    sim::SimProcess site({"--lines", QString::number(lines), "--machine", "100"});
    QVERIFY(site.start());
    QStringList arguments{"scan", "--machines", "0-3"};
    for (const QString &device : site.devicePaths())
        arguments << "--port" << device;
    if (withMissing)
        arguments << "--port" << MissingDevice;
    QProcess process;
    process.setProcessEnvironment(scriptEnvironment());
    if (softLimit > 0) {
        process.setChildProcessModifier([softLimit, hardLimit] {
            const rlimit limit{rlim_t(softLimit), rlim_t(hardLimit)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    process.start(QStringLiteral(TIMECLOCK_SETUP_PATH), arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), exitCode);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    if (said.isEmpty()) {
        QCOMPARE(CommandHistory::read().size(), lines);
        QVERIFY(site.stop());
        return;
    }
    QVERIFY2(error.contains(said), qPrintable(error));
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QVERIFY(CommandHistory::read().isEmpty());
    QVERIFY(site.stop());
    for (int line = 1; line <= lines; ++line)
        QVERIFY(site.reader().line(line).received().isEmpty());
}

// A scan of 64 lines at once keeps its memory flat: four times the numbers take no more, and each line
// costs far less than a quarter of a megabyte (some 45 KB here). The bounds are generous: the peak of a
// process moves a little with what the system gives it.
void TestSiteScan::memoryFlatOverALongScan()
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer holds every freed block back for a while: a sanitized program's peak measures that.
    QSKIP("peak memory of an AddressSanitizer build measures its quarantine, not the scan");
#endif
    sim::SimProcess site({"--lines", QString::number(MaxSiteLines), "--silence", "all"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    const auto scan = [&devices](qsizetype lines, const QString &machines) {
        QStringList arguments{"scan", "--machines", machines};
        for (const QString &device : devices.first(lines))
            arguments << "--port" << device;
        return runForPeakMemory(arguments);
    };
    const PeakMemoryRun few = scan(8, "0-31");
    const PeakMemoryRun every = scan(MaxSiteLines, "0-31");
    const PeakMemoryRun longer = scan(MaxSiteLines, "0-127");
    for (const PeakMemoryRun &run : {few, every, longer})
        QCOMPARE(run.exitCode, ExitCode::NoAnswer);
    const QString peaks = QStringLiteral("8 lines %1 KB, 64 lines %2 KB, 64 lines and 4 times the numbers %3 KB")
                              .arg(few.peakKb)
                              .arg(every.peakKb)
                              .arg(longer.peakKb);
    QVERIFY2(longer.peakKb <= every.peakKb + 4096, qPrintable(peaks));
    QVERIFY2(every.peakKb <= few.peakKb + (MaxSiteLines - 8) * 256, qPrintable(peaks));
    QVERIFY(site.stop());
}

QTEST_GUILESS_MAIN(TestSiteScan)
#include "tst_site_scan.moc"
