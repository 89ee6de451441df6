#include "batch_report.h"
#include "command_history.h"
#include "remembered_choices.h"
#include "sim_process.h"
#include "test_shares.h"
#include "tst_cli_process.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// apply PROFILE against one simulator serving several lines (--lines): what each terminal holds afterwards,
// what went on each line, the report and --redo-failed, --only-differing, the question asked once, a lost
// line beside the others, and a blank logo refused.
class TestApply : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void everyLineGetsTheProfile_data();
    void everyLineGetsTheProfile();
    void redoFailedTouchesOnlyTheFailed();
    void resumePassesOverRowsDone();
    void onlyDifferingSkipsByRecord_data();
    void onlyDifferingSkipsByRecord();
    void askedOnceBeforeAnythingIsSent_data();
    void askedOnceBeforeAnythingIsSent();
    void lostLineDoesNotStopTheOthers();
    void stopSignalStopsEveryLine();
    void blankLogoRefused_data();
    void blankLogoRefused();
    void numbersSaidAsRuns_data();
    void numbersSaidAsRuns();

private:
    // A profile in its own folder, with its logo text file beside it.
    QString writeProfile(const QString &settings, const QByteArray &logo);
    QByteArray logoBytes() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// The address byte of a terminal's frames as the simulator prints it.
QString addressOf(int machine)
{
    return QStringLiteral("%1").arg(machine, 2, 16, QChar(u'0'));
}

// The frames a line received, by address: "FRAME <index> <address> <frame> handled|ignored".
QMap<QString, int> framesByAddress(const QStringList &frames)
{
    QMap<QString, int> count;
    for (const QString &frame : frames)
        ++count[frame.split(u' ').value(2)];
    return count;
}

// The report's rows (header left out), each as its fields with the spreadsheet's leading tab taken off.
QList<QStringList> reportRows(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(1)) {
        QStringList fields = line.split(u',');
        for (QString &field : fields) {
            if (field.startsWith(u'\t'))
                field.remove(0, 1);
        }
        rows << fields;
    }
    return rows;
}

// "PORT NUMBER RESULT SETTINGS LOGO" of each row, sorted.
QStringList rowWords(const QList<QStringList> &rows, const QStringList &devices)
{
    QStringList words;
    for (const QStringList &row : rows)
        words << QStringLiteral("%1 %2 %3 %4 %5").arg(devices.indexOf(row.at(4)) + 1).arg(row.at(1), row.at(2), row.at(10), row.at(11));
    words.sort();
    return words;
}

const QString Settings = QStringLiteral("[settings]\nmode=door\npicture=true\ndelay=5\nfont=traditional\n");

} // namespace

void TestApply::init()
{
    QFile::remove(CommandHistory::filePath());
    RememberedChoices().setPortMappings({});
    m_dir = std::make_unique<QTemporaryDir>();
}

QByteArray TestApply::logoBytes() const
{
    QByteArray bytes;
    for (int index = 0; index < 512; ++index)
        bytes += char((index * 7 + index / 16) & 0xff);
    return bytes;
}

QString TestApply::writeProfile(const QString &settings, const QByteArray &logo)
{
    QString text = settings;
    if (!logo.isEmpty()) {
        QFile logoFile(m_dir->filePath(QStringLiteral("logo.txt")));
        if (!logoFile.open(QIODevice::WriteOnly))
            return {};
        for (int line = 0; line < 32; ++line)
            logoFile.write(logo.mid(line * 16, 16).toHex() + "\n");
        text += QStringLiteral("[logo]\nfile=logo.txt\n");
    }
    const QString path = m_dir->filePath(QStringLiteral("profile.ini"));
    QFile profile(path);
    if (!profile.open(QIODevice::WriteOnly))
        return {};
    profile.write(text.toUtf8());
    return path;
}

void TestApply::everyLineGetsTheProfile_data()
{
    QTest::addColumn<QStringList>("how");  // the options that choose the terminals
    QTest::newRow("found by a scan") << QStringList{};
    QTest::newRow("numbers given") << QStringList{"--machines", "3-9"};
}

// Three lines, the first with two terminals: each gets the settings and the logo, those of one line one
// after another; every history entry names the terminal's serial where the scan read it.
void TestApply::everyLineGetsTheProfile()
{
    QFETCH(QStringList, how);
    const QString profile = writeProfile(Settings, logoBytes());
    sim::SimProcess site({"--lines", "3", "--line-bus", "1:3:000003,5:000005", "--line-bus", "2:7:000007", "--line-bus", "3:9:000009"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    QStringList arguments{"apply", profile, "--yes", "--report", m_dir->filePath("report.csv")};
    for (const QString &device : devices)
        arguments << "--port" << device;
    const ProgramRun run = runProgram(arguments + how, {}, 120000);
    QVERIFY(run.finished);
    QVERIFY(site.stop());
    const bool scanned = how.isEmpty();
    // Numbers given that no terminal has fail; the terminals there are set all the same.
    QCOMPARE(run.exitCode, scanned ? 0 : 1);
    for (int line = 1; line <= 3; ++line) {
        const auto state = site.reader().line(line).finalState();
        QVERIFY(state.has_value());
        QCOMPARE(state->delay, 5);
        QCOMPARE(state->font, 1);
        QCOMPARE(state->logo, logoBytes());
    }
    // The second terminal of line 1 received what the first did.
    const QMap<QString, int> frames = framesByAddress(site.reader().line(1).frameLines());
    QVERIFY(frames.value(addressOf(3)) > 32);
    if (scanned)
        QCOMPARE(frames.value(addressOf(5)), frames.value(addressOf(3)));
    QStringList done;
    for (const QStringList &row : reportRows(m_dir->filePath("report.csv"))) {
        if (row.at(2) == u"done")
            done << QStringLiteral("%1 %2 %3 %4").arg(devices.indexOf(row.at(4)) + 1).arg(row.at(1), row.at(10), row.at(11));
    }
    done.sort();
    QCOMPARE(done, (QStringList{"1 3 ok ok", "1 5 ok ok", "2 7 ok ok", "3 9 ok ok"}));
    if (!scanned)
        return;
    // What was sent joins the terminal it reached.
    QSet<QString> sentTo;
    for (const HistoryEntry &entry : CommandHistory::read()) {
        if (entry.command == u"settings" || entry.command == u"logo") {
            QCOMPARE(entry.serial, QStringLiteral("%1").arg(entry.machine.toInt(), 6, 10, QChar(u'0')));
            sentTo << entry.command + u' ' + entry.serial;
            if (entry.command == u"settings")
                QCOMPARE(entry.settings, QStringLiteral("mode=door picture=true delay=5 font=traditional"));
            else
                QVERIFY(entry.logoSource.endsWith("logo.txt"));
        }
    }
    QCOMPARE(sentTo.size(), 8);
}

// One terminal does not answer: the report says so, and --redo-failed sends to that one only.
void TestApply::redoFailedTouchesOnlyTheFailed()
{
    const QString profile = writeProfile(Settings, logoBytes());
    sim::SimProcess site({"--lines", "2", "--line-bus", "1:3:000003,5:000005:silence", "--line-bus", "2:7:000007"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    const QString first = m_dir->filePath("first.csv");
    const ProgramRun run = runProgram({"apply", profile, "--yes", "--machines", "3-7", "--port", devices.at(0), "--port",
                                       devices.at(1), "--report", first},
                                      {}, 120000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    // 4, 6 and 7 have nobody on line 1, 3 to 6 nobody on line 2.
    QStringList expected{"1 3 done ok ok", "1 4 failed no-reply not-run", "1 5 failed no-reply not-run",
                         "1 6 failed no-reply not-run", "1 7 failed no-reply not-run", "2 3 failed no-reply not-run",
                         "2 4 failed no-reply not-run", "2 5 failed no-reply not-run", "2 6 failed no-reply not-run",
                         "2 7 done ok ok"};
    QCOMPARE(rowWords(reportRows(first), devices), expected);

    // Now only the failed rows of line 1's terminal at 5 are asked again: a report of that one failure.
    const QString onlyFive = m_dir->filePath("only-five.csv");
    QFile in(first);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QList<QByteArray> kept;
    for (const QByteArray &line : in.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        if (kept.isEmpty() || !line.contains(",failed,") || (line.contains(",5,failed,") && line.contains(',' + devices.at(0).toUtf8() + ',')))
            kept << line;
    }
    QFile out(onlyFive);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(kept.join('\n') + '\n');
    out.close();
    const qsizetype line1Before = site.reader().line(1).frameLines().size();
    const qsizetype line2Before = site.reader().line(2).frameLines().size();
    const QString second = m_dir->filePath("second.csv");
    const ProgramRun redo = runProgram({"apply", profile, "--yes", "--redo-failed", onlyFive, "--report", second}, {}, 60000);
    QVERIFY(redo.finished);
    QCOMPARE(redo.exitCode, 1);
    QCOMPARE(rowWords(reportRows(second), devices), QStringList{"1 5 failed no-reply not-run"});
    QVERIFY(site.waitUntil([&] { return site.reader().line(1).frameLines().size() > line1Before; }, 5000));
    QVERIFY(site.stop());
    const QStringList sent = site.reader().line(1).frameLines().mid(line1Before);
    QCOMPARE(framesByAddress(sent).keys(), QStringList{addressOf(5)});
    QCOMPARE(site.reader().line(2).frameLines().size(), line2Before);
}

// --resume with the same report: the terminal done there is passed over, the one that failed is sent to again.
void TestApply::resumePassesOverRowsDone()
{
    const QString profile = writeProfile(Settings, logoBytes());
    sim::SimProcess site({"--bus", "3:000003,4:000004:silence"});
    QVERIFY(site.start());
    const QString report = m_dir->filePath("report.csv");
    const QStringList arguments{"apply", profile, "--yes", "--machines", "3-4", "--port", site.devicePath(), "--report", report};
    QCOMPARE(runProgram(arguments, {}, 60000).exitCode, 1);
    const qsizetype before = site.reader().frameLines().size();
    const ProgramRun resumed = runProgram(arguments + QStringList{"--resume"}, {}, 60000);
    QCOMPARE(resumed.exitCode, 1);
    QVERIFY2(resumed.outText().contains(QRegularExpression("  3  serial ------  done: 报告中已完成")), qPrintable(resumed.outText()));
    QVERIFY(site.stop());
    QCOMPARE(framesByAddress(site.reader().frameLines().mid(before)).keys(), QStringList{addressOf(4)});
    // The report grew by the one row sent again.
    const QList<QStringList> rows = reportRows(report);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.last().at(1), "4");
}

void TestApply::onlyDifferingSkipsByRecord_data()
{
    QTest::addColumn<QString>("secondSettings");
    QTest::addColumn<QStringList>("rows");  // "NUMBER TEXT" on standard output
    QTest::newRow("same profile") << Settings << QStringList{"3:按记录已相同", "4:done"};
    QTest::newRow("delay changed") << QString(Settings).replace("delay=5", "delay=6") << QStringList{"3:done", "4:done"};
}

// The first run sets 3; the second asks for 3 and 4 with --only-differing and passes 3 over when the
// records say it holds the profile already.
void TestApply::onlyDifferingSkipsByRecord()
{
    QFETCH(QString, secondSettings);
    QFETCH(QStringList, rows);
    sim::SimProcess site({"--bus", "3:000003,4:000004"});
    QVERIFY(site.start());
    const QString port = site.devicePath();
    const ProgramRun first = runProgram({"apply", writeProfile(Settings, logoBytes()), "--yes", "--machines", "3", "--port", port}, {}, 60000);
    QCOMPARE(first.exitCode, 0);
    const qsizetype before = site.reader().frameLines().size();
    const ProgramRun second = runProgram(
        {"apply", writeProfile(secondSettings, logoBytes()), "--yes", "--only-differing", "--machines", "3-4", "--port", port}, {}, 60000);
    QVERIFY(second.finished);
    QCOMPARE(second.exitCode, 0);
    for (const QString &row : rows) {
        const QRegularExpression shown(QStringLiteral("^%1 +%2 .*%3").arg(QRegularExpression::escape(port), row.section(u':', 0, 0),
                                                                         row.section(u':', 1)),
                                       QRegularExpression::MultilineOption);
        QVERIFY2(shown.match(second.outText()).hasMatch(), qPrintable(row + u'\n' + second.outText()));
    }
    QVERIFY(site.stop());
    const QMap<QString, int> sent = framesByAddress(site.reader().frameLines().mid(before));
    QCOMPARE(sent.contains(addressOf(3)), rows.contains("3:done"));
    QVERIFY(sent.contains(addressOf(4)));
}

void TestApply::askedOnceBeforeAnythingIsSent_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("sent");
    QTest::newRow("input closed at once") << QByteArray() << 6 << false;
    QTest::newRow("q") << QByteArray("q\n") << 6 << false;
    QTest::newRow("Enter") << QByteArray("\n") << 0 << true;
}

// Without --yes the change is listed and asked about once; nothing goes out without a yes.
void TestApply::askedOnceBeforeAnythingIsSent()
{
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(bool, sent);
    sim::SimProcess site({"--lines", "2", "--line-bus", "1:3:000003,4:000004", "--line-bus", "2:3:000103,4:000104"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    const ProgramRun run = runProgram({"apply", writeProfile(Settings, logoBytes()), "--machines", "3-4", "--port", devices.at(0),
                                       "--port", devices.at(1)},
                                      input, 60000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.errText().contains("2 个串口上的 4 台考勤机"), qPrintable(run.errText()));
    QVERIFY2(run.errText().contains(devices.at(1) + "：机号 3-4"), qPrintable(run.errText()));
    QCOMPARE(run.errText().contains("没有发送任何命令"), !sent);
    // Listed once, for the one question (shown only where someone reads it at a terminal).
    QCOMPARE(run.errText().count("台考勤机："), 1);
    QVERIFY(site.stop());
    QCOMPARE(!site.reader().line(1).received().isEmpty(), sent);
    QCOMPARE(!site.reader().line(2).received().isEmpty(), sent);
}

// Line 1 goes away in the middle of its logo: line 2 is set all the same, and the exit says a port was lost.
void TestApply::lostLineDoesNotStopTheOthers()
{
    sim::SimProcess site({"--lines", "2", "--machine", "3", "--line-hangup-at", "1:10"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    const QString report = m_dir->filePath("report.csv");
    const ProgramRun run = runProgram({"apply", writeProfile(Settings, logoBytes()), "--yes", "--machines", "3", "--port",
                                       devices.at(0), "--port", devices.at(1), "--report", report},
                                      {}, 60000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 3);
    QVERIFY(site.stop());
    QVERIFY(site.reader().line(1).hungUp());
    QCOMPARE(site.reader().line(2).finalState()->logo, logoBytes());
    QCOMPARE(rowWords(reportRows(report), devices), (QStringList{"1 3 failed ok port-lost", "2 3 done ok ok"}));
}

// Ctrl-C in the middle of the logos: every line stops after the answer it waits for, and nothing more goes
// out on any line (the second terminal of each is never begun).
void TestApply::stopSignalStopsEveryLine()
{
    sim::SimProcess site({"--lines", "2", "--bus", "3:000003,4:000004", "--delay-ms", "60"});
    QVERIFY(site.start());
    const QStringList devices = site.devicePaths();
    const QString report = m_dir->filePath("report.csv");
    QProcess program;
    program.setProcessEnvironment(scriptEnvironment());
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(QStringLiteral(TIMECLOCK_SETUP_PATH), {"apply", writeProfile(Settings, logoBytes()), "--yes", "--machines", "3-4",
                                                          "--port", devices.at(0), "--port", devices.at(1), "--report", report});
    program.closeWriteChannel();
    // Some logo lines in on both lines (a logo line's frame starts 1C 55), then the signal.
    const auto logoLines = [&site](int line) { return site.reader().line(line).received().count(QByteArray::fromHex("1c55")); };
    QVERIFY(site.waitUntil([&] { return logoLines(1) >= 5 && logoLines(2) >= 5; }, 20000));
    ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(finished.wait(20000) || !finished.isEmpty());
    QCOMPARE(program.exitCode(), 128 + SIGINT);
    QVERIFY(site.stop());
    for (int line = 1; line <= 2; ++line) {
        QVERIFY(logoLines(line) < 32);
        QVERIFY(!framesByAddress(site.reader().line(line).frameLines()).contains(addressOf(4)));
    }
    QCOMPARE(rowWords(reportRows(report), devices),
             (QStringList{"1 3 interrupted ok interrupted", "1 4 not-reached not-run not-run", "2 3 interrupted ok interrupted",
                          "2 4 not-reached not-run not-run"}));
}

void TestApply::blankLogoRefused_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("refused") << QStringList{} << 2;
    QTest::newRow("--allow-blank") << QStringList{"--allow-blank"} << 0;
}

void TestApply::blankLogoRefused()
{
    QFETCH(QStringList, extra);
    QFETCH(int, exitCode);
    sim::SimProcess site({"--machine", "3"});
    QVERIFY(site.start());
    const ProgramRun run = runProgram(QStringList{"apply", writeProfile(Settings, QByteArray(512, '\0')), "--yes", "--machines", "3",
                                                 "--port", site.devicePath()}
                                          + extra,
                                      {}, 60000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(site.stop());
    QCOMPARE(site.reader().received().isEmpty(), exitCode != 0);
}


void TestApply::numbersSaidAsRuns_data()
{
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QString>("said");
    QTest::newRow("one") << QList<int>{7} << "7";
    QTest::newRow("a run") << QList<int>{100, 101, 102, 103} << "100-103";
    QTest::newRow("runs and gaps, out of order") << QList<int>{30, 4, 5, 6, 9, 0, 255} << "0, 4-6, 9, 30, 255";
    QTest::newRow("a number twice") << QList<int>{3, 3, 4} << "3-4";
    QTest::newRow("none") << QList<int>{} << "";
}

// A site batch stopped early leaves many numbers not done: each line says them as runs, not one by one.
void TestApply::numbersSaidAsRuns()
{
    QFETCH(QList<int>, numbers);
    QFETCH(QString, said);
    QCOMPARE(numberRuns(numbers), said);
}

TIMECLOCK_TEST_MAIN_IN_SHARES(TestApply, QTEST_QAPP_SETUP(QCoreApplication))
#include "tst_apply.moc"
