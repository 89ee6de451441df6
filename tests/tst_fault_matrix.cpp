#include "command_history.h"
#include "line_echo.h"
#include "status_messages.h"
#include "test_shares.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QDir>
#include <QFile>
#include <QTest>

// Every command against every fault of the line: the operator always gets one clear message, the port
// and the file are closed, the buttons work, and nothing but whole frames reached the terminal. The rows are
// tests/fault_matrix.tsv, which the Windows check runs under Wine as well.
class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void faultInTheWindow_data();
    void faultInTheWindow();
    void faultOnTheCommandLine_data();
    void faultOnTheCommandLine();
};

namespace {
// One command of the table, as the window and the command line run it here.
struct CommandOnLine
{
    const char *button;
    QString machine;          // the machine-number box: the terminal's number, or 改号's new one
    QStringList arguments;    // the same command on the command line (the logo file is added)
    QList<QByteArray> frames; // what its clean run puts on the line, frame by frame
    int machineAfter;         // the terminal's number once the frame has reached it, answered or not
};

// The terminal's serial number; the window's serial box is typed 000000 before each command.
const QString HeldSerial = QStringLiteral("123456");
const QString TypedSerial = QStringLiteral("000000");

QList<QByteArray> countingLogoFrames()
{
    QList<QByteArray> frames;
    const QByteArray all = countingLogoOnLine(18, LogoLineCount);
    for (qsizetype line = 0; line < LogoLineCount; ++line)
        frames << all.mid(line * all.size() / LogoLineCount, all.size() / LogoLineCount);
    return frames;
}

const QHash<QString, CommandOnLine> &commands()
{
    static const QHash<QString, CommandOnLine> table = {
        {"renumber", {"Cmd2", "12", {"renumber", "12"}, {QByteArray::fromHex("6305070c0000")}, 12}},
        {"settings", {"Command1", "18", {"settings", "--machine", "18"}, {QByteArray::fromHex("120520000000")}, 18}},
        {"read-serial", {"Command4", "18", {"read-serial", "--machine", "18"}, {QByteArray::fromHex("12021f")}, 18}},
        // 写序列号 reads the terminal's own number first. --force: the typed number may be in the history.
        {"write-serial",
         {"Command5", "18", {"write-serial", TypedSerial, "--force", "--machine", "18"},
          {QByteArray::fromHex("12021f"), QByteArray::fromHex("12050f000000")}, 18}},
        {"logo", {"DOWNLOG", "18", {"logo", "--machine", "18"}, countingLogoFrames(), 18}},
    };
    return table;
}

// One row of tests/fault_matrix.tsv.
struct MatrixRow
{
    QString command;
    QString fault;
    QStringList simOptions;
    QStringList programOptions;
    int exitCode = -1;
    QString words;
    int frames = 0;  // of the command's clean run; -1: all of them
};

QStringList optionsOf(const QString &column)
{
    return column == u"-" ? QStringList() : column.split(u' ', Qt::SkipEmptyParts);
}

QList<MatrixRow> matrixRows()
{
    QFile file(QStringLiteral(FAULT_MATRIX_PATH));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", FAULT_MATRIX_PATH);
    QList<MatrixRow> rows;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList columns = line.split(u'\t');
        bool exitRead = false;
        bool framesRead = columns.value(6) == u"all";
        MatrixRow row{.command = columns.value(0),
                      .fault = columns.value(1),
                      .simOptions = optionsOf(columns.value(2)),
                      .programOptions = optionsOf(columns.value(3)),
                      .exitCode = columns.value(4).toInt(&exitRead),
                      .words = columns.value(5),
                      .frames = framesRead ? -1 : columns.value(6).toInt(&framesRead)};
        if (columns.size() != 7 || !commands().contains(row.command) || !exitRead || !framesRead)
            qFatal("%s: a row this test cannot read: %s", FAULT_MATRIX_PATH, qPrintable(line));
        rows << row;
    }
    return rows;
}

// The table's rows as test data; `onLine` is what reaches the terminal.
void addMatrixRows()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QStringList>("programOptions");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QByteArray>("onLine");
    for (const MatrixRow &row : matrixRows()) {
        const QList<QByteArray> &frames = commands().value(row.command).frames;
        QByteArray onLine;
        for (const QByteArray &frame : frames.first(row.frames < 0 ? frames.size() : std::min(row.frames, int(frames.size()))))
            onLine += frame;
        QTest::addRow("%s: %s", qPrintable(row.command), qPrintable(row.fault))
            << row.command << row.simOptions << row.programOptions << row.exitCode << row.words << onLine;
    }
}

// The current row of that data.
struct FetchedRow
{
    QString command;
    QStringList simOptions;
    QStringList programOptions;
    int exitCode;
    QString words;
    QByteArray onLine;
};

FetchedRow fetchedRow()
{
    QFETCH(QString, command);
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, programOptions);
    QFETCH(int, exitCode);
    QFETCH(QString, words);
    QFETCH(QByteArray, onLine);
    return {command, simOptions, programOptions, exitCode, words, onLine};
}

// The program's options a row may give: only --echo, which the window takes at its start.
bool applyProgramOptions(const QStringList &options)
{
    if (options.isEmpty())
        return true;
    const auto mode = options.size() == 2 && options.front() == u"--echo" ? echoModeFromWord(options.back()) : std::nullopt;
    if (mode)
        setEchoMode(*mode);
    return mode.has_value();
}

// The frames on the line are the row's. A row whose every answer comes late (--delay-ms past the second)
// may, on a busy machine, see one answer taken as in time: it was there when the program looked, which
// the program cannot tell from one just come. The next frame then goes out and its late answer ends the
// command as the row says; so the row's frames must begin what was sent.
void verifySentAsTheRowSays(const QByteArray &received, const QByteArray &onLine, const QStringList &simOptions)
{
    if (simOptions.contains(QStringLiteral("--delay-ms")) && received != onLine && received.startsWith(onLine)) {
        qInfo("an answer past the second was taken as in time on this busy machine: %s", received.toHex().constData());
        return;
    }
    QCOMPARE(received.toHex(), onLine.toHex());
}
} // namespace

// 写序列号 asks about, and write-serial refuses, a number this PC wrote before: each case starts with no history.
void TestFaultMatrix::init()
{
    QFile::remove(CommandHistory::filePath());
}

void TestFaultMatrix::cleanup()
{
    setEchoMode(EchoMode::Auto);
}

void TestFaultMatrix::faultInTheWindow_data()
{
    addMatrixRows();
}

void TestFaultMatrix::faultInTheWindow()
{
    const auto [command, simOptions, programOptions, exitCode, words, onLine] = fetchedRow();
    const CommandOnLine &run = commands().value(command);
    const bool succeeded = exitCode == 0;

    QString message = words;
    // A fault in the read before 写序列号 ends it with nothing written, and says so.
    if (command == u"write-serial" && !succeeded)
        message = StatusText::withDetail(words, "读不出这台考勤机的序列号，没有写入");
    // The typed number in the box is not known to be this terminal's, and the line says so.
    if (command == u"read-serial" && !succeeded)
        message = StatusText::withDetail(words, "序列号框里的 000000 不是从这台考勤机读出的");

    QVERIFY2(applyProgramOptions(programOptions), qPrintable(programOptions.join(u' ')));
    QTemporaryDir dir;
    WindowBench bench(simOptions + QStringList{"--serial", HeldSerial});
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.setText("ADDRESS", run.machine);
    bench.setText("xlh", TypedSerial);  // typed: the start-up placeholder is never written
    const QStringList openBefore = openFilesAndDevices();

    QVERIFY(bench.press(run.button, 45000));
    QCOMPARE(bench.status(), message);
    // With surplus answers the program can finish before the terminal has read the last frame.
    bench.clock.waitForReceived(int(onLine.size()));
    verifySentAsTheRowSays(bench.clock.received(), onLine, simOptions);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(bench.idle());
    for (QPushButton *each : bench.form->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(each->isEnabled(), qPrintable(each->objectName()));
    // Neither the port nor the logo file is left open.
    const QStringList openAfter = openFilesAndDevices();
    QVERIFY2(openAfter.size() <= openBefore.size(), qPrintable(openAfter.join(u' ') + " were " + openBefore.join(u' ')));
    // A vanished device is reported once or twice by Qt, not in a storm.
    QVERIFY2(bench.form->session().link().portErrorCount() <= 3,
             qPrintable(QString::number(bench.form->session().link().portErrorCount())));
    // Only a confirmed read fills the serial box.
    QCOMPARE(bench.control<QLineEdit>("xlh")->text(), command == u"read-serial" && succeeded ? HeldSerial : TypedSerial);
    QVERIFY(bench.clock.stop());
    QCOMPARE(bench.clock.machineNumber(), run.machineAfter);
}

void TestFaultMatrix::faultOnTheCommandLine_data()
{
    addMatrixRows();
}

// The same rows as a script runs them: the exit code, the words printed, and the frames on the line.
void TestFaultMatrix::faultOnTheCommandLine()
{
    const auto [command, simOptions, programOptions, exitCode, words, onLine] = fetchedRow();
    const CommandOnLine &run = commands().value(command);

    QTemporaryDir dir;
    QStringList arguments = run.arguments;
    if (command == u"logo")
        arguments.insert(1, writeCountingLogoFile(dir, LogoLineCount));
    SimulatedTimeClock clock(simOptions + QStringList{"--serial", HeldSerial});
    QVERIFY(clock.start());
    const ProgramRun result = runProgram(arguments + programOptions + QStringList{"--port", clock.devicePath()});
    QVERIFY(result.finished);
    // read-serial prints the serial number it read where the window says 通讯成功！.
    const QString printed = command == u"read-serial" && exitCode == 0 ? HeldSerial : words;
    QVERIFY2(result.exitCode == exitCode && (result.outText() + result.errText()).contains(printed),
             qPrintable(QStringLiteral("exit %1: %2 %3").arg(result.exitCode).arg(result.outText(), result.errText())));
    clock.waitForReceived(int(onLine.size()));
    verifySentAsTheRowSays(clock.received(), onLine, simOptions);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(clock.stop());
    QCOMPARE(clock.machineNumber(), run.machineAfter);
}

TIMECLOCK_TEST_MAIN_IN_SHARES(TestFaultMatrix, QTEST_MAIN_SETUP())
#include "tst_fault_matrix.moc"
