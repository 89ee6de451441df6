#include "status_messages.h"
#include "test_shares.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// provision as an operator drives it: at a terminal (standard input a pseudo-terminal, terminals swapped on
// the line between questions), from a pipe, and stopped by a signal; and the report it leaves, read back
// with Python's csv module.
class TestProvision : public QObject
{
    Q_OBJECT

private slots:
    void atATerminal();
    void fromAPipe_data();
    void fromAPipe();
    void reportAppendedAndResumed();
    void reportThatCannotGrowStopsTheBatch_data();
    void reportThatCannotGrowStopsTheBatch();
    void summaryCountsInEachLanguage_data();
    void summaryCountsInEachLanguage();
    void halfSetUpFinished_data();
    void halfSetUpFinished();
    void sharedLineNeverRenumbered_data();
    void sharedLineNeverRenumbered();
    void reportWithACutRowIsStillOurs_data();
    void reportWithACutRowIsStillOurs();
    void stopSignal_data();
    void stopSignal();
    void stopSignalAtTheQuestion();
};

namespace {

// The start's scan of the whole line with a short wait: a simulator answers at once.
const char *const ScanTimeout = "--scan-timeout";
const char *const ScanMs = "10";

const QByteArray Profile = "[settings]\nmode=door\npicture=true\ndelay=5\nfont=traditional\n[logo]\nfile=logo.txt ; beside the profile\n";

// timeclock-setup with its standard input on a pseudo-terminal the test types into, its output read as it comes.
class Operator : public QObject
{
public:
    ~Operator() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
        for (int fd : {master, slave}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    // `terminal`: standard input is a pseudo-terminal; otherwise a pipe fed with `piped` and closed.
    bool start(const QStringList &arguments, bool terminal, const QByteArray &piped = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        process.setProcessEnvironment(environment);
        if (terminal) {
            if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
                return false;
            termios modes{};
            ::tcgetattr(slave, &modes);
            modes.c_lflag &= ~tcflag_t(ECHO);
            ::tcsetattr(slave, TCSANOW, &modes);
            const int input = slave;
            process.setChildProcessModifier([input] { ::dup2(input, STDIN_FILENO); });
        }
        connect(&process, &QProcess::readyReadStandardOutput, this, [this] { out += process.readAllStandardOutput(); });
        connect(&process, &QProcess::readyReadStandardError, this, [this] { err += process.readAllStandardError(); });
        process.start(TIMECLOCK_SETUP_PATH, arguments);
        if (!process.waitForStarted(5000))
            return false;
        if (!terminal) {
            process.write(piped);
            process.closeWriteChannel();
        }
        return true;
    }

    void type(const QByteArray &keys) const { [[maybe_unused]] const auto written = ::write(master, keys.constData(), size_t(keys.size())); }
    bool finish(int timeoutMs = 60000)
    {
        QSignalSpy finished(&process, &QProcess::finished);
        if (process.state() == QProcess::NotRunning || finished.wait(timeoutMs)) {
            out += process.readAllStandardOutput();
            err += process.readAllStandardError();
            return process.exitStatus() == QProcess::NormalExit;
        }
        return false;
    }
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }

    QProcess process;
    QByteArray out;
    QByteArray err;
    int master = -1;
    int slave = -1;
};

struct BatchFiles
{
    QTemporaryDir dir;
    QString logo = writeCountingLogoFile(dir, LogoLineCount);
    QString profile = dir.filePath("shop.ini");
    QString report = dir.filePath("report.csv");
    QString link = dir.filePath("ttyTERMINAL");

    bool writeProfile() const
    {
        QFile file(profile);
        return file.open(QIODevice::WriteOnly) && file.write(Profile) == Profile.size();
    }
};

// The report as Python's csv module reads it: the rows, fields as they are in the file.
QList<QStringList> reportThroughPython(const QString &path)
{
    QProcess python;
    python.start("python3", {"-c", "import csv, json, sys\n"
                                   "data = open(sys.argv[1], 'rb').read()\n"
                                   "assert data.startswith(b'\\xef\\xbb\\xbf'), 'no byte-order mark'\n"
                                   "assert data.count(b'\\xef\\xbb\\xbf') == 1, 'a second byte-order mark'\n"
                                   "rows = list(csv.reader(data.decode('utf-8-sig').splitlines(), strict=True))\n"
                                   "print(json.dumps(rows))\n",
                             path});
    if (!python.waitForFinished(20000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        rows << row.toVariant().toStringList();
    return rows;
}

int renumberFrames(const QByteArray &received)
{
    // The renumbering address 0x63 and its frame 05 07 NEW: one per terminal renumbered.
    return int(received.count(QByteArray::fromHex("630507")));
}

} // namespace

void TestProvision::atATerminal()
{
    BatchFiles files;
    QVERIFY(files.writeProfile());
    SimulatedTimeClock first({"--link", files.link, "--serial", "0a0001"});
    SimulatedTimeClock second({"--link", files.link, "--serial", "001e05"});
    QVERIFY(first.start());

    Operator tech;
    QVERIFY(tech.start({"provision", files.profile, "--numbers", "1-4", "--port", files.link, "--report", files.report, ScanTimeout, ScanMs},
                       true));
    QTRY_VERIFY_WITH_TIMEOUT(tech.errText().contains("接上第 1 台考勤机（机号 18）"), 10000);
    // Enter, and Enter twice more while terminal 1 is being set up: those two are thrown away.
    tech.type("\n\n\n");
    QTRY_VERIFY_WITH_TIMEOUT(tech.outText().contains("  1  serial 0A0001  done"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(tech.errText().contains("接上第 2 台考勤机"), 10000);
    // The operator swaps the terminals and presses Enter.
    QVERIFY(first.stop());
    QVERIFY(second.start());
    tech.type("\n");
    QTRY_VERIFY_WITH_TIMEOUT(tech.outText().contains("  2  serial 001E05  done"), 30000);
    // Enter for terminal 3 with terminal 2 still on the line: nothing is written to it.
    QTRY_VERIFY_WITH_TIMEOUT(tech.errText().contains("接上第 3 台考勤机"), 10000);
    tech.type("\n");
    QTRY_VERIFY_WITH_TIMEOUT(tech.errText().contains("（s 跳过，q 结束）"), 20000);
    tech.type("q\n");
    QVERIFY(tech.finish());
    QCOMPARE(tech.process.exitCode(), 1);  // terminal 3 failed: no answer at the factory number

    const QStringList lines = tech.outText().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QVERIFY2(lines.at(2).startsWith("  3  serial ------  failed: check no-reply: 上一台考勤机（机号 2）还接在线上"), qPrintable(lines.at(2)));
    QCOMPARE(lines.at(3), "  4  serial ------  not-reached");
    QCOMPARE(lines.at(4), "共 4 台：完成 2 台；失败 1 台（3）；没轮到 1 台（4）");

    QCOMPARE(first.machineNumber(), 1);
    QCOMPARE(renumberFrames(first.received()), 1);
    QVERIFY(second.stop());
    QCOMPARE(second.machineNumber(), 2);
    QCOMPARE(renumberFrames(second.received()), 1);
    QCOMPARE(second.mode(), 3);
    QCOMPARE(second.delay(), 5);
    QCOMPARE(second.font(), 1);
    QCOMPARE(second.logo().toHex(), std::get<LogoPicture>(readLogoFile(files.logo)).bytes.toHex());

    // The report, as Python reads its bytes: every number a row, text kept text.
    const QList<QStringList> rows = reportThroughPython(files.report);
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows.at(0), (QStringList{"time", "number", "result", "serial", "port", "profile", "logo_file", "logo_sha256", "check",
                                      "renumber", "settings", "logo", "confirm", "seconds", "message"}));
    const QRegularExpression isoTime("^\t\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$");
    const QStringList results{"done", "done", "failed", "not-reached"};
    const QStringList serials{"\t0A0001", "\t001E05", "", ""};
    for (int i = 1; i < rows.size(); ++i) {
        const QStringList &row = rows.at(i);
        QCOMPARE(row.size(), 15);
        QVERIFY2(isoTime.match(row.at(0)).hasMatch(), qPrintable(row.at(0)));
        QCOMPARE(row.at(1), QString::number(i));
        QCOMPARE(row.at(2), results.at(i - 1));
        // A leading tab keeps a spreadsheet from reading 001E05 as 1.00E+05; nothing else is added.
        QCOMPARE(row.at(3), serials.at(i - 1));
        QCOMPARE(row.at(4), files.link);
        QCOMPARE(row.at(5), files.profile);
        QCOMPARE(row.at(6), "logo.txt");
        QVERIFY2(QRegularExpression("^\t[0-9a-f]{12}$").match(row.at(7)).hasMatch(), qPrintable(row.at(7)));
    }
    QCOMPARE(rows.at(1).mid(8, 5), (QStringList{"ok", "ok", "ok", "ok", "ok"}));
    QCOMPARE(rows.at(3).mid(8, 5), (QStringList{"no-reply", "not-run", "not-run", "not-run", "not-run"}));
}

void TestProvision::fromAPipe_data()
{
    QTest::addColumn<QStringList>("options");  // the simulator's and the program's
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("results");  // per number, then the summary
    QTest::addColumn<int>("renumbered");        // renumbering frames on the line

    // One terminal on the line and an answer for every question: it is set up once, then each further
    // answer finds it still there; when the answers end, the batch ends.
    QTest::newRow("one terminal, four answers")
        << QStringList() << QByteArray("\n\n\n\n") << 1
        << QStringList{"  1  serial 0A1B2C  done", "  2  serial ------  failed: check no-reply: 上一台考勤机（机号 1）还接在线上",
                       "  2  serial ------  failed: check", "  2  serial ------  failed: check", "  3  serial ------  not-reached",
                       "共 3 台：完成 1 台；失败 1 台（2）；没轮到 1 台（3）"}
        << 1;
    QTest::newRow("no answers at all") << QStringList() << QByteArray() << 6
                                       << QStringList{"  1  serial ------  not-reached", "  2  serial ------  not-reached",
                                                      "  3  serial ------  not-reached", "共 3 台：完成 0 台；没轮到 3 台（1, 2, 3）"}
                                       << 0;
    QTest::newRow("s, then q") << QStringList() << QByteArray("s\nq\n") << 6
                               << QStringList{"  1  serial ------  skipped: 跳过", "  2  serial ------  not-reached",
                                              "  3  serial ------  not-reached", "共 3 台：完成 0 台；跳过 1 台（1）；没轮到 2 台（2, 3）"}
                               << 0;
    // Only Enter sets a terminal up; another key asks again.
    QTest::newRow("x, then the input ends") << QStringList() << QByteArray("x\n") << 6
                                            << QStringList{"  1  serial ------  not-reached", "  2  serial ------  not-reached",
                                                           "  3  serial ------  not-reached", "共 3 台：完成 0 台；没轮到 3 台（1, 2, 3）"}
                                            << 0;
    QTest::newRow("x, then Enter") << QStringList() << QByteArray("x\n\n") << 6
                                   << QStringList{"  1  serial 0A1B2C  done", "  2  serial ------  not-reached",
                                                  "  3  serial ------  not-reached", "共 3 台：完成 1 台；没轮到 2 台（2, 3）"}
                                   << 1;
    // --machine is the factory number: terminals answer there before they are set up.
    QTest::newRow("factory number 7") << QStringList{"--machine", "7"} << QByteArray("\n") << 6
                                      << QStringList{"  1  serial 0A1B2C  done", "  2  serial ------  not-reached",
                                                     "  3  serial ------  not-reached", "共 3 台：完成 1 台；没轮到 2 台（2, 3）"}
                                      << 1;
}

void TestProvision::fromAPipe()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QStringList, results);
    QFETCH(int, renumbered);

    BatchFiles files;
    QVERIFY(files.writeProfile());
    SimulatedTimeClock clock(QStringList{"--serial", "0a1b2c"} + options);
    QVERIFY(clock.start());
    const ProgramRun run = runProgram(
        QStringList{"provision", files.profile, "--numbers", "1-3", "--port", clock.devicePath(), "--report", files.report, ScanTimeout, ScanMs}
            + options,
        input);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), results.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(results.at(i)), qPrintable(lines.at(i)));
    QVERIFY(clock.stop());
    QCOMPARE(renumberFrames(clock.received()), renumbered);
    const QList<QStringList> rows = reportThroughPython(files.report);
    QCOMPARE(rows.size(), 4);
    // Every row names the picture of the batch, also a number skipped or not reached.
    for (int i = 1; i < rows.size(); ++i)
        QVERIFY2(QRegularExpression("^\t[0-9a-f]{12}$").match(rows.at(i).at(7)).hasMatch(), qPrintable(rows.at(i).join(',')));
}

void TestProvision::reportAppendedAndResumed()
{
    BatchFiles files;
    QVERIFY(files.writeProfile());
    {
        SimulatedTimeClock clock({"--serial", "000123"});
        QVERIFY(clock.start());
        const ProgramRun run = runProgram(
            {"provision", files.profile, "--numbers", "1", "--port", clock.devicePath(), "--report", files.report, ScanTimeout, ScanMs}, "\n");
        QCOMPARE(run.exitCode, 0);
    }
    // The next run resumes: 1 is done already; the terminal offered as 2 is the same unit (its serial is in the report).
    SimulatedTimeClock clock({"--serial", "000123"});
    QVERIFY(clock.start());
    const ProgramRun run = runProgram({"provision", files.profile, "--numbers", "1-2", "--port", clock.devicePath(), "--report",
                                       files.report, "--resume", "--json", ScanTimeout, ScanMs},
                                      "\n");
    QCOMPARE(run.exitCode, 6);
    const QList<QByteArray> objects = run.out.trimmed().split('\n');
    QCOMPARE(objects.size(), 3);
    // Done before: its serial number is the report's, and this run timed nothing of it.
    QCOMPARE(QJsonDocument::fromJson(objects.at(0)).object().value("serial").toString(), "000123");
    QVERIFY(QJsonDocument::fromJson(objects.at(0)).object().value("elapsed_ms").isNull());
    const QJsonObject two = QJsonDocument::fromJson(objects.at(1)).object();
    QCOMPARE(two.value("status").toString(), "duplicate-serial");
    QCOMPARE(two.value("step").toString(), "check");
    QVERIFY2(two.value("message").toString().contains("000123"), qPrintable(two.value("message").toString()));
    const QJsonObject summary = QJsonDocument::fromJson(objects.at(2)).object();
    QCOMPARE(summary.value("not_done").toArray(), QJsonArray{"2"});
    QVERIFY(clock.stop());
    QCOMPARE(renumberFrames(clock.received()), 0);

    const QList<QStringList> rows = reportThroughPython(files.report);
    QCOMPARE(rows.size(), 3);  // the header once, run 1's row, run 2's row for number 2
    QCOMPARE(rows.at(1).mid(1, 4), (QStringList{"1", "done", "\t000123", clock.devicePath().isEmpty() ? "" : rows.at(1).at(4)}));
    QCOMPARE(rows.at(2).mid(1, 3), (QStringList{"2", "failed", "\t000123"}));
}

void TestProvision::reportThatCannotGrowStopsTheBatch_data()
{
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<QString>("summary");

    QTest::newRow("three numbers") << "1-3" << "共 3 台：完成 1 台；没轮到 2 台（2, 3）；报告少了 1 的一行";
    // The one unit is set up, but its record is not: the batch is not all done.
    QTest::newRow("one number") << "1" << "共 1 台：完成 1 台；报告少了 1 的一行";
}

void TestProvision::reportThatCannotGrowStopsTheBatch()
{
    QFETCH(QString, numbers);
    QFETCH(QString, summary);
    BatchFiles files;
    QVERIFY(files.writeProfile());
    SimulatedTimeClock clock({"--serial", "000123"});
    QVERIFY(clock.start());
    // A report of an earlier batch that nobody answered: the batch below reads it and adds rows.
    QCOMPARE(runProgram({"provision", files.profile, "--numbers", "1", "--port", clock.devicePath(), "--report", files.report}).exitCode, 6);
    QFile earlier(files.report);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    const QByteArray before = earlier.readAll();
    // The report may not grow by a row: terminal 1 is set up, its row cannot be written, and the batch
    // ends there, though there are answers for two more.
    ChildSetup setup;
    setup.fileSizeLimit = before.size() + 8;
    const ProgramRun run = runProgram({"provision", files.profile, "--numbers", numbers, "--port", clock.devicePath(), "--report",
                                       files.report},
                                      "\n\n\n", 60000, setup);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 4);
    // Said as the row is lost, naming the unit whose record is missing; never "全部完成" after it.
    QVERIFY2(run.errText().contains("机号 1（序列号 000123）的一行没有写进报告：文件保存失败！（文件超出大小限制：" + files.report + "）"),
             qPrintable(run.errText()));
    QVERIFY2(run.out.startsWith("  1  serial 000123  done"), qPrintable(run.outText()));
    QVERIFY2(run.outText().endsWith(summary), qPrintable(run.outText()));
    QVERIFY(clock.stop());
    // Only terminal 1 was asked for at the factory number: once by the scan of the line, once by its check.
    QCOMPARE(clock.received().count(QByteArray::fromHex("12021f")), 2);
    QFile report(files.report);
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll(), before);
}

void TestProvision::summaryCountsInEachLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<QString>("summary");  // the last line; nobody answers, so no number is reached

    QTest::newRow("en, one") << "en" << "1" << "1 terminal: 0 done; 1 not reached (1)";
    QTest::newRow("en, two") << "en" << "1-2" << "2 terminals: 0 done; 2 not reached (1, 2)";
    QTest::newRow("zh, one") << "zh" << "1" << "共 1 台：完成 0 台；没轮到 1 台（1）";
}

void TestProvision::summaryCountsInEachLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, numbers);
    QFETCH(QString, summary);

    BatchFiles files;
    QVERIFY(files.writeProfile());
    const ProgramRun run =
        runProgram({"provision", files.profile, "--numbers", numbers, "--port", "/nonexistent/port", "--lang", language});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 6);
    QCOMPARE(run.outText().split('\n').last(), summary);
}

// The simulator's frames, counted from the renumber (--count-from 630507), so that however often the scan
// of the line asked the unit: the renumber (0), the settings (1), the logo's 32 lines (2-33) and the read at
// the new number (34).
void TestProvision::halfSetUpFinished_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("fault");     // the simulator's, in the first run
    QTest::addColumn<QByteArray>("input");      // the first run's answers
    QTest::addColumn<QStringList>("lines");     // its output, line by line (their starts)
    QTest::addColumn<QStringList>("steps");     // its report row: result, check, renumber, settings, logo, confirm
    QTest::addColumn<QString>("held");          // what the row's message says the terminal holds
    QTest::addColumn<int>("settingsResent");    // --resume's settings frames; -1: no second run

    QTest::newRow("settings unanswered after the renumber, Enter")
        << 51 << QStringList{"--silence", "1"} << QByteArray("\n\n")
        << QStringList{" 51  serial 0A1B2C  failed: settings no-reply: 通讯失败！（没有回答）（已确认：改号 51）", " 51  serial 0A1B2C  done",
                       "共 1 台，全部完成"}
        << QStringList{"done", "ok", "ok", "ok", "ok", "ok"} << "" << -1;
    QTest::newRow("renumber done though unanswered, Enter") << 51 << QStringList{"--silence", "0"} << QByteArray("\n\n")
                                                            << QStringList{" 51  serial 0A1B2C  failed: renumber no-reply",
                                                                           " 51  serial 0A1B2C  done", "共 1 台，全部完成"}
                                                            << QStringList{"done", "ok", "ok", "ok", "ok", "ok"} << "" << -1;
    QTest::newRow("settings unanswered, q, --resume")
        << 51 << QStringList{"--silence", "1"} << QByteArray("\nq\n")
        << QStringList{" 51  serial 0A1B2C  failed: settings no-reply", "共 1 台：完成 0 台；失败 1 台（51）"}
        << QStringList{"failed", "ok", "ok", "no-reply", "not-run", "not-run"} << "（已确认：改号 51）" << 1;
    // The line hangs up at the logo's 8th line; Enter finds no port, and the row still says what the unit holds.
    QTest::newRow("hang-up in the logo, Enter, q, --resume")
        << 71 << QStringList{"--hangup-at", "9"} << QByteArray("\n\nq\n")
        << QStringList{" 71  serial 0A1B2C  failed: logo port-lost", " 71  serial 0A1B2C  failed: check port-open-failed",
                       "共 1 台：完成 0 台；失败 1 台（71）"}
        << QStringList{"failed", "ok", "ok", "ok", "port-lost", "not-run"} << "（已确认：改号 71、设置、图片前 7 行）" << 0;
}

void TestProvision::halfSetUpFinished()
{
    QFETCH(int, number);
    QFETCH(QStringList, fault);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, steps);
    QFETCH(QString, held);
    QFETCH(int, settingsResent);

    BatchFiles files;
    QVERIFY(files.writeProfile());
    const QStringList batch{"provision", files.profile, "--numbers", QString::number(number), "--report", files.report};
    {
        SimulatedTimeClock clock(QStringList{"--serial", "0a1b2c", "--count-from", "630507"} + fault);
        QVERIFY(clock.start());
        const ProgramRun run = runProgram(batch + QStringList{"--port", clock.devicePath(), ScanTimeout, ScanMs}, input);
        QVERIFY(run.finished);
        const QStringList said = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(said.size(), lines.size());
        for (int i = 0; i < said.size(); ++i)
            QVERIFY2(said.at(i).startsWith(lines.at(i)), qPrintable(said.at(i)));
        QVERIFY(clock.stop());
        // Renumbered once: a retry finds the unit at its new number.
        QCOMPARE(renumberFrames(clock.received()), 1);
        QCOMPARE(clock.machineNumber(), number);
    }
    const QList<QStringList> rows = reportThroughPython(files.report);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(QStringList{rows.at(1).at(2)} + rows.at(1).mid(8, 5), steps);
    QCOMPARE(rows.at(1).at(3), "\t0A1B2C");
    QVERIFY2(rows.at(1).at(14).endsWith(held), qPrintable(rows.at(1).at(14)));
    if (settingsResent < 0)
        return;

    // The next day the unit is on the line at the number it was given: --resume asks it there, checks its
    // serial and sends only what was not confirmed.
    SimulatedTimeClock clock({"--serial", "0a1b2c", "--machine", QString::number(number)});
    QVERIFY(clock.start());
    const ProgramRun run = runProgram(batch + QStringList{"--port", clock.devicePath(), "--resume", ScanTimeout, ScanMs}, "\n");
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.outText().startsWith(QString("%1  serial 0A1B2C  done").arg(number)), qPrintable(run.outText()));
    QVERIFY(clock.stop());
    QCOMPARE(renumberFrames(clock.received()), 0);
    QCOMPARE(clock.frameLines().filter(QRegularExpression(" 0520[0-9a-f]+ handled")).size(), settingsResent);
    if (settingsResent > 0)
        QCOMPARE(clock.delay(), 5);
    QCOMPARE(clock.logo().toHex(), std::get<LogoPicture>(readLogoFile(files.logo)).bytes.toHex());
    const QList<QStringList> after = reportThroughPython(files.report);
    QCOMPARE(after.size(), 3);
    QCOMPARE(after.at(2).mid(2, 2), (QStringList{"done", "\t0A1B2C"}));
}

// Terminals on one RS-485 line all obey the renumber address: a terminal already set up would take the
// new number with the new one.
void TestProvision::sharedLineNeverRenumbered_data()
{
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<bool>("halfSetUp");  // a first run left 0A0001 at 1, its settings unanswered; this one resumes
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("said"); // on standard output and error

    QTest::newRow("one set up, one new")
        << "1:0A0001,18:0A0002" << "2" << false << QByteArray("\n")
        << QStringList{"  2  serial ------  failed: check number-taken: 线上已有设置好的考勤机：机号 1（序列号 0A0001）。先取下它们再成批设置",
                       // Turned away, not failed: the summary says so, as the exit code 6 does.
                       "共 1 台：完成 0 台；机号已有考勤机 1 台（2）"};
    QTest::newRow("two set up, both named") << "1:0A0001,5:0A0003,18:0A0002" << "2" << false << QByteArray("\n")
                                            << QStringList{"机号 1（序列号 0A0001）、机号 5（序列号 0A0003）"};
    QTest::newRow("set up at the number to give") << "2:0A0001,18:0A0002" << "2" << false << QByteArray("\n") << QStringList{"机号 2（序列号 0A0001）"};
    // The half set-up unit answers at its number and is finished there; the next new unit's renumber would
    // reach it, so that one stops.
    QTest::newRow("resumed, then the next one") << "1:0A0001,18:0A0002" << "1-2" << true << QByteArray("\n\n")
                                                << QStringList{"  1  serial 0A0001  done",
                                                               "  2  serial 0A0002  failed: renumber number-taken: 机号 1 已有考勤机回答：先取下已设置好的考勤机",
                                                               "共 2 台：完成 1 台；机号已有考勤机 1 台（2）"};
    // Skipped, the half set-up unit stays on the line at the number it took: the next renumber would reach it.
    QTest::newRow("resumed, skipped, the next one") << "1:0A0001,18:0A0002" << "1-2" << true << QByteArray("s\n\n")
                                                    << QStringList{"  1  serial ------  skipped",
                                                                   "  2  serial 0A0002  failed: renumber number-taken: 机号 1 已有考勤机回答"};
}

void TestProvision::sharedLineNeverRenumbered()
{
    QFETCH(QString, bus);
    QFETCH(QString, numbers);
    QFETCH(bool, halfSetUp);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, said);

    BatchFiles files;
    QVERIFY(files.writeProfile());
    const QStringList batch{"provision", files.profile, "--report", files.report, ScanTimeout, ScanMs};
    if (halfSetUp) {
        SimulatedTimeClock clock({"--serial", "0a0001", "--count-from", "630507", "--silence", "1"});
        QVERIFY(clock.start());
        const ProgramRun run = runProgram(batch + QStringList{"--numbers", "1", "--port", clock.devicePath()}, "\nq\n");
        QCOMPARE(run.exitCode, 1);
        QVERIFY(clock.stop());
        QCOMPARE(clock.machineNumber(), 1);
    }
    SimulatedTimeClock clock({"--bus", bus});
    QVERIFY(clock.start());
    const QStringList resume = halfSetUp ? QStringList{"--resume"} : QStringList();
    const ProgramRun run = runProgram(batch + QStringList{"--numbers", numbers, "--port", clock.devicePath()} + resume, input);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 6);
    const QString text = QString::fromUtf8(run.out + run.err);
    for (const QString &part : said)
        QVERIFY2(text.contains(part), qPrintable(text));
    QVERIFY(clock.stop());
    QCOMPARE(renumberFrames(clock.received()), 0);
}

void TestProvision::reportWithACutRowIsStillOurs_data()
{
    QTest::addColumn<int>("cutBytes");  // taken off the end of the report after the first run

    // The power went while the last row was being written: in its seconds, in its logo's columns,
    // just before its line end.
    QTest::newRow("cut in the seconds") << 5;
    QTest::newRow("cut in the logo's columns") << 40;
    QTest::newRow("cut before the line end") << 1;
}

void TestProvision::reportWithACutRowIsStillOurs()
{
    QFETCH(int, cutBytes);
    BatchFiles files;
    QVERIFY(files.writeProfile());
    {
        SimulatedTimeClock clock({"--serial", "000123"});
        QVERIFY(clock.start());
        QCOMPARE(runProgram({"provision", files.profile, "--numbers", "1", "--port", clock.devicePath(), "--report", files.report, ScanTimeout,
                             ScanMs},
                            "\n")
                     .exitCode,
                 0);
    }
    {
        QFile report(files.report);
        QVERIFY(report.resize(report.size() - cutBytes));
    }

    // The next terminal goes where the cut row was; the cut row is named once, and the report goes on.
    SimulatedTimeClock clock({"--serial", "000456"});
    QVERIFY(clock.start());
    const ProgramRun run = runProgram({"provision", files.profile, "--numbers", "2", "--port", clock.devicePath(), "--report",
                                       files.report, "--resume", ScanTimeout, ScanMs},
                                      "\n");
    QCOMPARE(run.exitCode, 0);
    const QStringList cutLines = run.errText().split('\n').filter("最后一行没有写完");
    QCOMPARE(cutLines.size(), 1);
    QVERIFY2(cutLines.front().contains(files.report), qPrintable(cutLines.front()));
    QVERIFY(!run.errText().contains("不是本程序的报告"));
    QVERIFY(clock.stop());

    const QList<QStringList> rows = reportThroughPython(files.report);
    QCOMPARE(rows.size(), 2);  // the header, and number 2's row in place of the cut one
    QCOMPARE(rows.at(1).mid(1, 4), (QStringList{"2", "done", "\t000456", rows.at(1).at(4)}));
}

void TestProvision::stopSignal_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal");

    QTest::newRow("logo, Ctrl-C") << "logo" << SIGINT;
    QTest::newRow("logo, SIGTERM") << "logo" << SIGTERM;
    QTest::newRow("provision, SIGTERM") << "provision" << SIGTERM;
}

void TestProvision::stopSignal()
{
    QFETCH(QString, command);
    QFETCH(int, signal);

    BatchFiles files;
    QVERIFY(files.writeProfile());
    // Slow answers, so the signal comes in the middle of the picture.
    SimulatedTimeClock clock({"--delay-ms", "80"});
    QVERIFY(clock.start());
    const QStringList arguments = command == "logo"
                                      ? QStringList{"logo", files.logo, "--json", "--port", clock.devicePath()}
                                      : QStringList{"provision", files.profile, "--numbers", "1-2", "--json", "--port", clock.devicePath(),
                                                    "--report", files.report, ScanTimeout, ScanMs};
    Operator tech;
    QVERIFY(tech.start(arguments, false, "\n"));
    // Ten logo lines in (the logo's frames start 1C 55), then the signal.
    QVERIFY(clock.waitUntil([&clock] { return clock.received().count(QByteArray::fromHex("1c55")) >= 10; }, 20000));
    ::kill(pid_t(tech.process.processId()), signal);
    QVERIFY(tech.finish());
    QCOMPARE(tech.process.exitCode(), 128 + signal);
    QVERIFY(clock.stop());
    const int linesOnTheLine = int(clock.received().count(QByteArray::fromHex("1c55")));
    QVERIFY(linesOnTheLine < LogoLineCount);

    const QList<QByteArray> objects = tech.out.trimmed().split('\n');
    const QJsonObject first = QJsonDocument::fromJson(objects.front()).object();
    QCOMPARE(first.value("status").toString(), "interrupted");
    // Every line sent was answered before the program stopped: the terminal holds the picture up to there.
    QCOMPARE(first.value("lines_confirmed").toInt(), linesOnTheLine);
    QVERIFY2(first.value("message").toString().contains(QString("第 %1 行").arg(linesOnTheLine)), qPrintable(first.value("message").toString()));
    if (command == "provision") {
        QCOMPARE(first.value("step").toString(), "logo");
        QCOMPARE(objects.size(), 3);
        QCOMPARE(QJsonDocument::fromJson(objects.at(1)).object().value("status").toString(), "not-reached");
        QVERIFY(QJsonDocument::fromJson(objects.at(1)).object().value("elapsed_ms").isNull());
        const QList<QStringList> rows = reportThroughPython(files.report);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(1).at(2), "interrupted");
        QCOMPARE(rows.at(2).at(2), "not-reached");
    } else {
        QCOMPARE(objects.size(), 1);
    }
}

void TestProvision::stopSignalAtTheQuestion()
{
    BatchFiles files;
    QVERIFY(files.writeProfile());
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    Operator tech;
    QVERIFY(tech.start({"provision", files.profile, "--numbers", "1-2", "--port", clock.devicePath(), "--report", files.report, ScanTimeout, ScanMs},
                       true));
    QTRY_VERIFY_WITH_TIMEOUT(tech.errText().contains("接上第 1 台考勤机"), 10000);
    ::kill(pid_t(tech.process.processId()), SIGINT);
    QVERIFY(tech.finish());
    QCOMPARE(tech.process.exitCode(), 128 + SIGINT);
    // What the shell shows next starts on a line of its own, not after the question.
    QVERIFY2(tech.err.endsWith("q 结束 \n"), tech.err.constData());
    QVERIFY(tech.outText().endsWith("共 2 台：完成 0 台；没轮到 2 台（1, 2）\n"));
    QCOMPARE(reportThroughPython(files.report).size(), 3);
    QVERIFY(clock.stop());
    QCOMPARE(clock.received(), QByteArray());
}

TIMECLOCK_TEST_MAIN_IN_SHARES(TestProvision, QTEST_QAPP_SETUP(QCoreApplication))
#include "tst_provision.moc"
