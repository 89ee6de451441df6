#include "command_history.h"
#include "command_values.h"
#include "file_writing.h"
#include "full_disk.h"
#include "image_files.h"
#include "logo_source.h"
#include "logo_picture.h"
#include "progress_bar.h"
#include "provision_report.h"
#include "remembered_choices.h"
#include "status_messages.h"
#include "test_shares.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// What the command line does with the files and the words it is given: it never writes where it was not
// asked to, never replaces its input, reads every number and profile strictly, and says why it refused.
class TestCliSafety : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fileSystemAfterEachCommand_data();
    void fileSystemAfterEachCommand();
    void writeErrorsFail_data();
    void writeErrorsFail();
    void writesCutShortKeepTheOldFile_data();
    void writesCutShortKeepTheOldFile();
    void savedWholeOrNotAtAll_data();
    void savedWholeOrNotAtAll();
    void closedStandardStreams_data();
    void closedStandardStreams();
    void oneMessageOnStandardError_data();
    void oneMessageOnStandardError();
    void profilesReadStrictly_data();
    void profilesReadStrictly();
    void oversizedInputsRefused_data();
    void oversizedInputsRefused();
    void wordsAndNumbersChecked_data();
    void wordsAndNumbersChecked();
    void textThatCannotBeDrawnIsRefused_data();
    void textThatCannotBeDrawnIsRefused();
    void windowOptionsReachTheWindow_data();
    void windowOptionsReachTheWindow();
    void portMappingsRemembered_data();
    void portMappingsRemembered();
    void rememberedStoreKeepsWhatItIs_data();
    void rememberedStoreKeepsWhatItIs();
    void rememberedOnceForACommandsUse();
    void rememberedChangesOfSeveralProcessesAllKept();
    void damagedRememberedChoicesNeverStopTheWindow_data();
    void damagedRememberedChoicesNeverStopTheWindow();
    void oneJsonShape_data();
    void oneJsonShape();
    void progressLineFitsTheTerminal_data();
    void progressLineFitsTheTerminal();
};

namespace {

const QStringList JsonKeys{"command", "port", "machine", "ok", "status", "message", "serial", "lines_confirmed",
                           "elapsed_ms", "step", "not_done"};

// One block of a disk, full to the last byte: a line more needs a block more.
QByteArray aBlock()
{
    return QByteArray(4095, '#') + '\n';
}

// Remembered settings of one block, as the program writes them: a key more needs a block more.
QByteArray settingsBlock()
{
    const QByteArray start = "[logo]\nfile=";
    return start + QByteArray(4096 - start.size() - 1, 'a') + '\n';
}

// A folder with a picture, a logo text file, a profile and whatever a row asks for, and a record of each
// file's kind and bytes to compare with after the run.
struct Sandbox
{
    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    // The profile the rows name as @shop.ini.
    static QByteArray profile() { return "[settings]\nmode=door\n"; }

    // The picture and the profile the rows name.
    bool holdsInputs() const
    {
        return QFile::copy(TIMECLOCK_WINDOW_PICTURE, path("picture.png")) && write("shop.ini", profile());
    }

    bool write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    bool prepare(const QString &what) const
    {
        const QString name = what.section(':', 1);
        if (what.startsWith("file:"))
            return write(name, "earlier contents\n");
        if (what.startsWith("empty:"))
            return write(name, {});
        if (what.startsWith("report:"))
            return write(name, reportStart());
        if (what.startsWith("block:"))
            return write(name, aBlock());
        if (what.startsWith("settings:"))
            return write(name, settingsBlock());
        if (what.startsWith("fifo:"))
            return ::mkfifo(QFile::encodeName(path(name)).constData(), 0600) == 0;
        if (what.startsWith("folder:"))
            return QDir(dir.path()).mkdir(name);
        if (what.startsWith("hardlink:"))
            return ::link(QFile::encodeName(path("picture.png")).constData(), QFile::encodeName(path(name)).constData()) == 0;
        return false;
    }

    // "missing", "fifo", "folder", "logo" (a logo text file of the picture) or the bytes' hash.
    QString state(const QString &name) const
    {
        const QFileInfo info(path(name));
        if (!info.exists())
            return "missing";
        if (info.isDir())
            return "folder";
        if (!info.isFile())
            return "fifo";
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return "unreadable";
        const QByteArray bytes = file.readAll();
        if (bytes == "earlier contents\n")
            return "earlier";
        if (bytes.isEmpty())
            return "empty";
        if (bytes == aBlock())
            return "block";
        if (bytes == settingsBlock())
            return "settings";
        if (bytes.startsWith("\xEF\xBB\xBFtime,number,result,"))
            return "report";
        if (std::holds_alternative<LogoPicture>(readLogoFile(path(name))))
            return "logo";
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(8);
    }
};

QString pictureHash()
{
    QFile file(TIMECLOCK_WINDOW_PICTURE);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex().left(8);
}

// A row's expected state of a file, PICTURE and PROFILE standing for the hashes of the sandbox's inputs.
QString expectedState(QString state)
{
    state.replace("PICTURE", pictureHash());
    state.replace("PROFILE", QCryptographicHash::hash(Sandbox::profile(), QCryptographicHash::Sha256).toHex().left(8));
    return state;
}

QStringList placed(QStringList arguments, const Sandbox &box)
{
    for (QString &argument : arguments) {
        if (argument.startsWith("@"))
            argument = box.path(argument.mid(1));
    }
    return arguments;
}

} // namespace

// 写序列号 asks about, and write-serial refuses, a number this PC wrote before: each case starts with no history.
void TestCliSafety::init()
{
    QFile::remove(CommandHistory::filePath());
}

void TestCliSafety::fileSystemAfterEachCommand_data()
{
    QTest::addColumn<QStringList>("before");     // kind:name made first (picture.png is always there)
    QTest::addColumn<QStringList>("arguments");  // @name: the file in the sandbox
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");           // on standard error, for a failure
    QTest::addColumn<QStringList>("after");      // name=state after the run

    const QString saveFailed = StatusText::FileSaveFailed.toString();
    const QString picture = "picture.png=PICTURE";
    QTest::newRow("-o the input itself") << QStringList() << QStringList{"convert-logo", "@picture.png", "-o", "@picture.png", "--force"}
                                         << 4 << saveFailed + "（这是输入文件：" << QStringList{picture};
    QTest::newRow("-o the input by another name")
        << QStringList{"folder:sub"} << QStringList{"convert-logo", "@picture.png", "-o", "@sub/../picture.png", "--force"} << 4
        << "这是输入文件" << QStringList{picture};
    QTest::newRow("-o a hard link to the input") << QStringList{"hardlink:twin.png"}
                                                 << QStringList{"convert-logo", "@picture.png", "-o", "@twin.png", "--force"} << 4
                                                 << "这是输入文件" << QStringList{picture, "twin.png=PICTURE"};
    QTest::newRow("-o an existing file") << QStringList{"file:old.txt"} << QStringList{"convert-logo", "@picture.png", "-o", "@old.txt"}
                                         << 4 << "--force" << QStringList{"old.txt=earlier"};
    QTest::newRow("-o an existing file, --force") << QStringList{"file:old.txt"}
                                                  << QStringList{"convert-logo", "@picture.png", "-o", "@old.txt", "--force"} << 0 << ""
                                                  << QStringList{"old.txt=logo", picture};
    QTest::newRow("-o a named pipe") << QStringList{"fifo:pipe"} << QStringList{"convert-logo", "@picture.png", "-o", "@pipe", "--force"}
                                     << 4 << "不是普通文件" << QStringList{"pipe=fifo"};
    QTest::newRow("-o a folder") << QStringList{"folder:out"} << QStringList{"convert-logo", "@picture.png", "-o", "@out"} << 4
                                 << saveFailed + "（这是文件夹：" << QStringList{"out=folder"};
    QTest::newRow("-o into a missing folder") << QStringList() << QStringList{"convert-logo", "@picture.png", "-o", "@no-such-folder/x.txt"}
                                              << 4 << saveFailed + "（文件夹不存在：" << QStringList{"no-such-folder=missing"};
    QTest::newRow("-o a device") << QStringList() << QStringList{"convert-logo", "@picture.png", "-o", "/dev/full", "--force"} << 4
                                 << "不是普通文件：/dev/full" << QStringList{picture};
    QTest::newRow("-o - is standard output") << QStringList() << QStringList{"convert-logo", "@picture.png", "-o", "-"} << 0 << ""
                                             << QStringList{"-=missing", picture};
    QTest::newRow("a new file") << QStringList() << QStringList{"convert-logo", "@picture.png", "-o", "@new.txt"} << 0 << ""
                                << QStringList{"new.txt=logo"};
    QTest::newRow("--report is the profile") << QStringList() << QStringList{"provision", "@shop.ini", "--numbers", "1", "--report", "@shop.ini"}
                                             << 4 << "这是输入文件" << QStringList{"shop.ini=PROFILE"};
    // Nobody answers (standard input is empty), so nothing is set up, but every number gets its row.
    QTest::newRow("--report an empty file") << QStringList{"empty:new.csv"}
                                            << QStringList{"provision", "@shop.ini", "--numbers", "1", "--report", "@new.csv"}
                                            << 6 << "" << QStringList{"new.csv=report"};
    QTest::newRow("--report is a completion slip") << QStringList{"file:slip.csv"}
                                                   << QStringList{"provision", "@shop.ini", "--numbers", "1", "--report", "@slip.csv"}
                                                   << 4 << "不是本程序的报告" << QStringList{"slip.csv=earlier"};
}

void TestCliSafety::fileSystemAfterEachCommand()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, after);

    Sandbox box;
    QVERIFY(box.holdsInputs());
    for (const QString &thing : before)
        QVERIFY2(box.prepare(thing), qPrintable(thing));
    // No terminal is needed: every row is refused, or needs no port, before a port is opened.
    if (arguments.front() == "provision")
        arguments += QStringList{"--port", "/nonexistent/port"};
    const ProgramRun run = runProgram(placed(arguments, box), {}, 20000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    if (!said.isEmpty()) {
        QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
        QCOMPARE(run.err.count('\n'), 1);
        QCOMPARE(run.out, QByteArray());
    }
    if (arguments.contains("-"))
        QVERIFY(run.out.startsWith("0000000000"));  // the logo text, and nothing else
    for (const QString &expected : after) {
        QCOMPARE(box.state(expected.section('=', 0, 0)), expectedState(expected.section('=', 1)));
    }
    // Nothing is left behind: no temporary file beside the target.
    for (const QString &entry : QDir(box.dir.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(!entry.contains(".tmp") && !entry.startsWith("."), qPrintable(entry));
}

void TestCliSafety::writeErrorsFail_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("read-serial > /dev/full") << QStringList{"read-serial"} << 5;
    QTest::newRow("read-serial --json > /dev/full") << QStringList{"read-serial", "--json"} << 5;
    QTest::newRow("convert-logo -o - > /dev/full") << QStringList{"convert-logo", TIMECLOCK_WINDOW_PICTURE, "-o", "-"} << 5;
    QTest::newRow("--help > /dev/full") << QStringList{"--help"} << 5;
    // A failure keeps its own code: the output could not tell more than that.
    QTest::newRow("no answer > /dev/full") << QStringList{"read-serial", "--machine", "9"} << 1;
}

void TestCliSafety::writeErrorsFail()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);

    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    QProcess process;
    process.setStandardOutputFile("/dev/full");
    QSignalSpy finished(&process, &QProcess::finished);
    if (arguments.front() != "convert-logo" && arguments.front() != "--help")
        arguments += QStringList{"--port", clock.devicePath()};
    process.start(TIMECLOCK_SETUP_PATH, arguments);
    QVERIFY(finished.wait(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    if (exitCode == 5)
        QVERIFY(process.readAllStandardError().contains("无法写入标准输出！"));
}


void TestCliSafety::writesCutShortKeepTheOldFile_data()
{
    QTest::addColumn<bool>("fullDisk");          // a full file system, or a file-size limit on the program
    QTest::addColumn<QStringList>("before");     // as fileSystemAfterEachCommand's
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");           // on standard error, after the reason
    QTest::addColumn<QStringList>("after");

    const QString history = "data/timeclock-setup/history.tsv";
    for (const bool fullDisk : {false, true}) {
        const QString reason = fullDisk ? "磁盘已满" : "文件超出大小限制";
        const char *fault = fullDisk ? "full disk: " : "size limit: ";
        const auto row = [fault](const char *name) -> QTestData & { return QTest::newRow(qPrintable(fault + QString::fromLatin1(name))); };
        const QString saveFailed = StatusText::FileSaveFailed.toString() + "（" + reason + "：";
        row("-o an existing file, --force")
            << fullDisk << QStringList{"file:keep.txt"} << QStringList{"convert-logo", "@picture.png", "-o", "@keep.txt", "--force"}
            << 5 << saveFailed << QStringList{"keep.txt=earlier"};
        row("-o a new file") << fullDisk << QStringList() << QStringList{"convert-logo", "@picture.png", "-o", "@new.txt"} << 5
                             << saveFailed << QStringList{"new.txt=missing"};
        row("--report a new file") << fullDisk << QStringList()
                                   << QStringList{"provision", "@shop.ini", "--numbers", "1", "--report", "@new.csv"} << 4
                                   << saveFailed << QStringList{"new.csv=missing"};
        // The report is there and read; the first row cannot be added, so the batch ends on it.
        row("--report a row more") << fullDisk << QStringList{"report:old.csv"}
                                   << QStringList{"provision", "@shop.ini", "--numbers", "1-2", "--report", "@old.csv"} << 4
                                   << saveFailed << QStringList{"old.csv=report"};
        // The history is a record beside the command: the command's own result stands, the file keeps its lines.
        row("the history a line more") << fullDisk << QStringList{"block:" + history} << QStringList{"read-serial"} << 3
                                       << "历史记录写不进" << QStringList{history + "=block"};
        // A scan remembers how many terminals answered; the settings it cannot write whole stay as they were.
        row("the settings a key more") << fullDisk << QStringList{"settings:config/timeclock-setup/timeclock-setup.conf"}
                                       << QStringList{"scan", "--port", "@SIM", "--machines", "18"} << 0 << ""
                                       << QStringList{"config/timeclock-setup/timeclock-setup.conf=settings"};
    }
}

void TestCliSafety::writesCutShortKeepTheOldFile()
{
    QFETCH(bool, fullDisk);
    QFETCH(QStringList, before);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, after);

    Sandbox box;
    const FullDisk disk(box.dir.path());
    if (fullDisk && !disk.mounted)
        QSKIP("mounting a small file system needs root");
    QVERIFY(box.holdsInputs());
    for (const QString &thing : before)
        QVERIFY2(box.prepare(thing), qPrintable(thing));
    SimulatedTimeClock clock;
    const bool simulated = arguments.contains("@SIM");
    if (simulated) {
        QVERIFY(clock.start());
        arguments.replace(arguments.indexOf("@SIM"), clock.devicePath());
    } else if (arguments.front() != "convert-logo") {
        arguments += QStringList{"--port", "/nonexistent/port"};
    }
    ChildSetup setup;
    setup.environment.insert("XDG_DATA_HOME", box.path("data"));
    setup.environment.insert("XDG_CONFIG_HOME", box.path("config"));
    QDir().mkpath(box.path("data/timeclock-setup"));
    if (fullDisk) {
        QVERIFY(disk.fill());
    } else {
        // The files the row made may be written again as they are, but none may grow by more than a few
        // bytes (the picture is only read, and reading is not limited).
        qint64 largest = QFileInfo(box.path("shop.ini")).size();
        for (const QString &thing : before)
            largest = std::max(largest, QFileInfo(box.path(thing.section(':', 1))).size());
        setup.fileSizeLimit = largest + 8;
    }
    const ProgramRun run = runProgram(placed(arguments, box), {}, 20000, setup);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
    if (exitCode == 4 || exitCode == 5)  // the failing file is named
        QVERIFY2(run.errText().contains(QFileInfo(box.path(after.front().section('=', 0, 0))).fileName() + "）"),
                 qPrintable(run.errText()));
    for (const QString &expected : after)
        QCOMPARE(box.state(expected.section('=', 0, 0)), expected.section('=', 1));
    for (const QString &entry : QDir(box.dir.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(!entry.contains(".tmp") && !entry.startsWith("."), qPrintable(entry));
    if (simulated)
        QVERIFY(clock.stop());
}

void TestCliSafety::savedWholeOrNotAtAll_data()
{
    QTest::addColumn<bool>("fullDisk");  // a full file system, or a file-size limit on this process
    QTest::addColumn<bool>("earlier");   // a file of one block is there before
    QTest::addColumn<QString>("reason");

    for (const bool fullDisk : {false, true}) {
        const QString reason = fullDisk ? "磁盘已满" : "文件超出大小限制";
        const QString fault = fullDisk ? "full disk, " : "size limit, ";
        QTest::newRow(qPrintable(fault + "a file there")) << fullDisk << true << reason;
        QTest::newRow(qPrintable(fault + "a new file")) << fullDisk << false << reason;
    }
}

// The writers the window shares with the command line (另存为文本文件…, the history's line): a file is
// written whole or left as it was, and the reason comes back.
void TestCliSafety::savedWholeOrNotAtAll()
{
    QFETCH(bool, fullDisk);
    QFETCH(bool, earlier);
    QFETCH(QString, reason);

    Sandbox box;
    const FullDisk disk(box.dir.path());
    if (fullDisk && !disk.mounted)
        QSKIP("mounting a small file system needs root");
    const QString text = box.path("logo.txt");
    const QString lines = box.path("lines.tsv");
    if (earlier) {
        QVERIFY(box.write("logo.txt", aBlock()));
        QVERIFY(box.write("lines.tsv", aBlock()));
    }
    QFile appended(lines);
    QVERIFY(appended.open(QIODevice::WriteOnly | QIODevice::Append));

    std::optional<FileWriteFailure> saved;
    std::optional<FileWriteFailure> added;
    if (fullDisk) {
        QVERIFY(disk.fill());
        saved = saveLogoTextFile(text, QByteArray(512, '\x5a'));
        added = appendWhole(appended, QByteArray(1000, 'x') + '\n');
    } else {
        // Only this process's own writes are limited, and only while the two are written.
        rlimit before{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
        const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{rlim_t(512), before.rlim_max};  // less than a logo text file or the line
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        saved = saveLogoTextFile(text, QByteArray(512, '\x5a'));
        added = appendWhole(appended, QByteArray(1000, 'x') + '\n');
        ::setrlimit(RLIMIT_FSIZE, &before);
        ::signal(SIGXFSZ, previousHandler);
    }
    QVERIFY(saved);
    QCOMPARE(saved->reason, reason);
    QVERIFY(added);
    QCOMPARE(added->reason, reason);
    QCOMPARE(box.state("logo.txt"), earlier ? "block" : "missing");
    QCOMPARE(box.state("lines.tsv"), earlier ? "block" : "empty");
    for (const QString &entry : QDir(box.dir.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(entry == "logo.txt" || entry == "lines.tsv" || entry == "filler", qPrintable(entry));
}

void TestCliSafety::closedStandardStreams_data()
{
    QTest::addColumn<QList<int>>("closed");     // the descriptors the program starts without
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");          // on standard error, when it is open
    QTest::addColumn<QStringList>("after");

    // No answers can come: the batch ends at once, its numbers not reached.
    QTest::newRow("provision <&-") << QList<int>{0} << QStringList{"provision", "@shop.ini", "--numbers", "1-3", "--report", "@r.csv"}
                                   << 6 << "" << QStringList{"r.csv=report"};
    QTest::newRow("provision <&- 2>&-") << QList<int>{0, 2}
                                        << QStringList{"provision", "@shop.ini", "--numbers", "1-3", "--report", "@r.csv"} << 6 << ""
                                        << QStringList{"r.csv=report"};
    // The path that was to be printed must not end up in the file being written, nor be taken for printed.
    QTest::newRow("convert-logo -o FILE >&-") << QList<int>{1} << QStringList{"convert-logo", "@picture.png", "-o", "@new.txt"} << 5
                                              << "无法写入标准输出！" << QStringList{"new.txt=logo"};
    QTest::newRow("convert-logo -o - >&-") << QList<int>{1} << QStringList{"convert-logo", "@picture.png", "-o", "-"} << 5
                                           << "无法写入标准输出！" << QStringList{};
    QTest::newRow("convert-logo -o FILE 2>&-") << QList<int>{2} << QStringList{"convert-logo", "@picture.png", "-o", "@new.txt"} << 0
                                               << "" << QStringList{"new.txt=logo"};
    QTest::newRow("a failure 2>&-") << QList<int>{2} << QStringList{"convert-logo", "@picture.png", "-o", "@shop.ini"} << 4 << ""
                                    << QStringList{"shop.ini=PROFILE"};
    QTest::newRow("all three closed") << QList<int>{0, 1, 2} << QStringList{"convert-logo", "@picture.png", "-o", "@new.txt"} << 5
                                      << "" << QStringList{"new.txt=logo"};
}

void TestCliSafety::closedStandardStreams()
{
    QFETCH(QList<int>, closed);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, after);

    Sandbox box;
    QVERIFY(box.holdsInputs());
    if (arguments.front() == "provision")
        arguments += QStringList{"--port", "/nonexistent/port"};
    ChildSetup setup;
    setup.closed = closed;
    const ProgramRun run = runProgram(placed(arguments, box), {}, 20000, setup);
    QVERIFY2(run.finished, "the program waited for answers that cannot come");
    QCOMPARE(run.exitCode, exitCode);
    if (!said.isEmpty())
        QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
    if (closed.contains(1))
        QCOMPARE(run.out, QByteArray());
    if (closed.contains(2))
        QCOMPARE(run.err, QByteArray());
    for (const QString &expected : after) {
        QCOMPARE(box.state(expected.section('=', 0, 0)), expectedState(expected.section('=', 1)));
    }
}

void TestCliSafety::oneMessageOnStandardError_data()
{
    QTest::addColumn<QByteArray>("picture");     // the bytes of @picture.png
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("runtimeFolder");     // XDG_RUNTIME_DIR set
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");        // the one line on standard error; @: the sandbox

    QFile whole(TIMECLOCK_WINDOW_PICTURE);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray png = whole.readAll();
    // libpng says "Read Error" on its own; the program's message is the one that stays.
    QTest::newRow("a PNG cut short") << png.left(png.size() / 2) << QStringList{"convert-logo", "@picture.png", "-o", "-"} << true
                                     << 4 << "图片无法读取！（@picture.png）";
    QTest::newRow("a PNG of 8200 × 8200") << pngClaiming(8200, 8200) << QStringList{"convert-logo", "@picture.png", "-o", "-"}
                                          << true << 4 << "图片无法读取！（图片太大，8200 × 8200：@picture.png）";
    QTest::newRow("a PNG of 8200 × 8200 to send")
        << pngClaiming(8200, 8200) << QStringList{"logo", "@picture.png", "--port", "/nonexistent/port"} << true << 4
        << "图片无法读取！（图片太大，8200 × 8200：@picture.png）";
    // QStandardPaths would add a line about the runtime folder when the window's platform starts.
    QTest::newRow("the window, no runtime folder")
        << png << QStringList{"--lang", "fr", "-platform", "offscreen"} << false << 2 << "--lang takes zh, zh_TW or en, not \"fr\"";
}

void TestCliSafety::oneMessageOnStandardError()
{
    QFETCH(QByteArray, picture);
    QFETCH(QStringList, arguments);
    QFETCH(bool, runtimeFolder);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    Sandbox box;
    QVERIFY(box.write("picture.png", picture));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        environment.remove(QString::fromLatin1(name));
    if (runtimeFolder) {
        QVERIFY(QDir(box.dir.path()).mkdir("runtime"));
        QVERIFY(QFile::setPermissions(box.path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        environment.insert("XDG_RUNTIME_DIR", box.path("runtime"));
    }
    process.setProcessEnvironment(environment);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(TIMECLOCK_SETUP_PATH, placed(arguments, box));
    QVERIFY(finished.wait(20000));
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), message.replace("@", box.dir.path() + "/") + "\n");
}

void TestCliSafety::profilesReadStrictly_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");  // the one line on standard error
    QTest::addColumn<int>("delay");     // the terminal's delay afterwards; -1: nothing was sent

    const QByteArray good = "; a batch for the shop\n[settings]\nmode=door\ndelay=5\n";
    const QString utf16 = QString::fromUtf8(good);
    QByteArray le("\xFF\xFE");
    le.append(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
    QByteArray be("\xFE\xFF");
    for (const QChar c : utf16)
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xff));

    QTest::newRow("UTF-8") << good << 0 << "" << 5;
    QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xEF\xBB\xBF") + good << 0 << "" << 5;
    QTest::newRow("UTF-16 LE with a byte-order mark") << le << 0 << "" << 5;
    QTest::newRow("UTF-16 BE with a byte-order mark") << be << 0 << "" << 5;
    QTest::newRow("UTF-16 without one") << le.mid(2) << 2 << "shop.ini 第 1 行：" << -1;
    QTest::newRow("a misspelt key") << QByteArray("[settings]\nmdoe=door\n") << 2 << "shop.ini 第 2 行：未知的键 mdoe" << -1;
    QTest::newRow("a misspelt section") << QByteArray("[setings]\nmode=door\n") << 2 << "shop.ini 第 1 行：未知的节 [setings]" << -1;
    QTest::newRow("a section in capitals") << QByteArray("[settings]\n[Logo]\nfile=x.txt\n") << 2 << "shop.ini 第 2 行：未知的节 [Logo]" << -1;
    QTest::newRow("a line of garbage") << QByteArray("[settings]\nmode=door\nqwerty\n") << 2 << "shop.ini 第 3 行：" << -1;
    QTest::newRow("a key twice") << QByteArray("[settings]\ndelay=5\n\ndelay=6\n") << 2 << "shop.ini 第 4 行：键 delay 重复" << -1;
    QTest::newRow("a key before any section") << QByteArray("mode=door\n") << 2 << "shop.ini 第 1 行：" << -1;
    QTest::newRow("delay=5.5") << QByteArray("[settings]\ndelay=5.5\n") << 2 << "shop.ini 第 2 行：" + StatusText::BadDelay.toString() + "（delay=5.5）" << -1;
    QTest::newRow("mode=Door") << QByteArray("[settings]\nmode=Door\n") << 2 << "（mode=Door）" << -1;
    QTest::newRow("factory machine=18.6") << QByteArray("[factory]\nmachine=18.6\n") << 2 << "shop.ini 第 2 行：" << -1;
    QTest::newRow("backslashes are the path's") << QByteArray("[logo]\nfile=C:\\logos\\bmp.txt\n") << 4 << "C:\\logos\\bmp.txt" << -1;
    QTest::newRow("a comma is the path's") << QByteArray("[logo]\nfile=a,b.txt\n") << 4 << "a,b.txt" << -1;
    // A [logo] section asks for a logo: without a file it is no batch that sends none and reports done.
    QTest::newRow("an empty [logo]") << QByteArray("[settings]\nmode=door\n[logo]\n") << 2 << "shop.ini 第 3 行：[logo] 缺少 file=" << -1;
    QTest::newRow("[logo] with only invert") << QByteArray("[logo]\n\ninvert=true\n") << 2 << "shop.ini 第 3 行：[logo] 缺少 file=" << -1;
}

void TestCliSafety::profilesReadStrictly()
{
    QFETCH(QByteArray, profile);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(int, delay);

    Sandbox box;
    QVERIFY(box.write("shop.ini", profile));
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const ProgramRun run =
        runProgram({"provision", box.path("shop.ini"), "--numbers", "7", "--port", clock.devicePath(), "--scan-timeout", "10"}, "\n");
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    if (!said.isEmpty()) {
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
    }
    QVERIFY(clock.stop());
    if (delay < 0) {
        QCOMPARE(clock.received(), QByteArray());
    } else {
        QCOMPARE(clock.delay(), delay);
        QCOMPARE(clock.mode(), 1);  // door access
        QCOMPARE(clock.machineNumber(), 7);
    }
}

void TestCliSafety::oversizedInputsRefused_data()
{
    QTest::addColumn<QString>("file");       // shop.ini or report.csv
    QTest::addColumn<QByteArray>("start");   // its first bytes
    QTest::addColumn<qint64>("size");        // made this large with a hole after the start; -1: as it is
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    constexpr qint64 MB = 1024 * 1024;
    const QByteArray tenMegabyteLine = "[settings]\nmode=" + QByteArray(10 * MB, 'd') + "\n";
    QTest::newRow("a profile of 100 MB") << "shop.ini" << QByteArray("[settings]\nmode=door\n") << 100 * MB << 2 << "配置文件太大";
    QTest::newRow("a profile with a line of 10 MB") << "shop.ini" << tenMegabyteLine << qint64(-1) << 2 << "配置文件太大";
    QTest::newRow("a report of 100 MB") << "report.csv" << reportStart() << 100 * MB << 4 << "报告太大";
    // Within the report's bound, read and refused for what it is.
    QTest::newRow("a report with a row of 10 MB")
        << "report.csv" << reportStart() + QByteArray(10 * MB, 'x') + "\r\n" << qint64(-1) << 4 << "不是本程序的报告";
}

void TestCliSafety::oversizedInputsRefused()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, start);
    QFETCH(qint64, size);
    QFETCH(int, exitCode);
    QFETCH(QString, said);

    Sandbox box;
    QVERIFY(box.write("shop.ini", "[settings]\nmode=door\n"));
    QVERIFY(box.write(file, start));
    if (size > 0)
        QVERIFY(QFile(box.path(file)).resize(size));
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const ProgramRun run = runProgram({"provision", box.path("shop.ini"), "--numbers", "7", "--port", clock.devicePath(),
                                       "--report", box.path("report.csv")},
                                      "\n");
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.errText().contains(said), qPrintable(run.errText().left(300)));
    QVERIFY(clock.stop());
    QCOMPARE(clock.received(), QByteArray());
    // The refused file is left as it was.
    QCOMPARE(QFileInfo(box.path(file)).size(), size > 0 ? size : start.size());
}

void TestCliSafety::wordsAndNumbersChecked_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");  // on standard error (failure) or standard output

    QTest::newRow("--machine 18.6") << QStringList{"read-serial", "--machine", "18.6"} << 2 << "（--machine 18.6）";
    QTest::newRow("--machine +5") << QStringList{"read-serial", "--machine", "+5"} << 2 << "--machine +5";
    QTest::newRow("--delay 5.5") << QStringList{"settings", "--delay", "5.5"} << 2 << "--delay 5.5";
    QTest::newRow("renumber 1e1") << QStringList{"renumber", "1e1"} << 2 << "1e1";
    QTest::newRow("--port 1.5") << QStringList{"read-serial", "--port", "1.5"} << 2 << "--port 1.5";
    QTest::newRow("--mode DOOR") << QStringList{"settings", "--mode", "DOOR"} << 2 << "--mode DOOR";
    // Machine ranges are read alike by scan and provision: whole numbers, no blanks.
    QTest::newRow("--machines with blanks") << QStringList{"scan", "--machines", " 4-6"} << 2 << "--machines  4-6";
    QTest::newRow("--machines with a blank at the dash") << QStringList{"scan", "--machines", "4 -6"} << 2 << "--machines 4 -6";
    QTest::newRow("--machines 6-4") << QStringList{"scan", "--machines", "6-4"} << 2 << "--machines 6-4";
    QTest::newRow("--machines 5") << QStringList{"scan", "--machines", "5"} << 0 << "5\t0A1B2C";
    QTest::newRow("--numbers with a blank after the comma") << QStringList{"provision", "PROFILE", "--numbers", "1, 2"} << 2 << "1, 2";
    QTest::newRow("--numbers with a blank at the dash") << QStringList{"provision", "PROFILE", "--numbers", "1 -2"} << 2 << "1 -2";
    QTest::newRow("--size +12") << QStringList{"logo", "--text", "欢迎", "--size", "+12", "--machine", "5"} << 2 << "--size +12";
    QTest::newRow("--size 97") << QStringList{"logo", "--text", "欢迎", "--size", "97", "--machine", "5"} << 2 << "--size 97";
    QTest::newRow("--numbers with a number twice") << QStringList{"provision", "PROFILE", "--numbers", "1-3,2,3"} << 2 << "1-3,2,3";
    QTest::newRow("--numbers 7,7") << QStringList{"provision", "PROFILE", "--numbers", "7,7"} << 2 << "机号错误！（--numbers 7,7：机号 7 重复）";
    QTest::newRow("provision without --numbers") << QStringList{"provision", "PROFILE"} << 2 << "--numbers";
    QTest::newRow("--resume without --report") << QStringList{"provision", "PROFILE", "--numbers", "1", "--resume"} << 2 << "--report";
    QTest::newRow("--lang fr") << QStringList{"read-serial", "--lang", "fr"} << 2 << "--lang fr";
    QTest::newRow("--lang EN") << QStringList{"read-serial", "--lang", "EN"} << 2 << "--lang EN";
    QTest::newRow("--lang --json swallows nothing") << QStringList{"read-serial", "--lang", "--json"} << 2 << "--lang --json";
    // The command word is found by the options the commands declare, whatever their spelling.
    QTest::newRow("-machine 5 before the word") << QStringList{"-machine", "5", "read-serial"} << 0 << "0A1B2C";
    QTest::newRow("--machine=5 before the word") << QStringList{"--machine=5", "read-serial"} << 0 << "0A1B2C";
    QTest::newRow("--lang en before the word") << QStringList{"--lang", "en", "read-serial", "--machine", "5"} << 0 << "0A1B2C";
    // An option given twice is not silently its last value.
    QTest::newRow("--machine twice") << QStringList{"read-serial", "--machine", "5", "--machine", "6"} << 2 << "选项重复！（--machine）";
    QTest::newRow("-machine and --machine=") << QStringList{"read-serial", "-machine", "5", "--machine=6"} << 2 << "（--machine）";
    QTest::newRow("--machine before and after the word")
        << QStringList{"--machine", "5", "read-serial", "--machine", "5"} << 2 << "（--machine）";
    QTest::newRow("--trace twice") << QStringList{"read-serial", "--machine", "5", "--trace", "--trace"} << 2 << "（--trace）";
    // One dash or two is the same option everywhere, --text included; a blank picture goes out only on request.
    QTest::newRow("logo of a blank picture") << QStringList{"logo", "BLANK", "--machine", "5"} << 2 << "--allow-blank（";
    QTest::newRow("logo of a blank picture, --allow-blank")
        << QStringList{"logo", "BLANK", "--machine", "5", "--allow-blank"} << 0 << StatusText::DownloadComplete.toString();
    QTest::newRow("logo of white shapes on a transparent picture") << QStringList{"logo", "WHITEPNG", "--machine", "5"} << 2
                                                                   << "--allow-blank（";
    QTest::newRow("logo FILE -text") << QStringList{"logo", "BLANK", "-text", "欢迎", "--machine", "5"} << 2 << "多余的参数";
    QTest::newRow("logo -text") << QStringList{"logo", "-text", "欢迎", "--machine", "5"} << 0 << StatusText::DownloadComplete.toString();
    QTest::newRow("logo -text=") << QStringList{"logo", "-text=欢迎", "--machine", "5"} << 0 << StatusText::DownloadComplete.toString();
    QTest::newRow("provision with a blank logo") << QStringList{"provision", "BLANKINI", "--numbers", "1"} << 2
                                                 << "--allow-blank（blank.txt）";
    QTest::newRow("-version, one dash") << QStringList{"-version"} << 0 << "timeclock-setup ";
    QTest::newRow("logo --text of blanks") << QStringList{"logo", "--text", "  ", "--machine", "5"} << 2 << "--text";
}

void TestCliSafety::wordsAndNumbersChecked()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);

    Sandbox box;
    QVERIFY(box.write("shop.ini", "[settings]\n"));
    arguments.replaceInStrings("PROFILE", box.path("shop.ini"));
    QVERIFY(box.write("blank.txt", logoTextFileContents(QByteArray(LogoByteCount, '\0'))));
    QVERIFY(box.write("blank.ini", "[logo]\nfile=blank.txt\n"));
    // Transparent parts count as white, so white shapes on them leave nothing to see.
    QImage whiteOnClear(256, 64, QImage::Format_ARGB32);
    whiteOnClear.fill(Qt::transparent);
    for (int y = 16; y < 48; ++y)
        for (int x = 32; x < 224; ++x)
            whiteOnClear.setPixelColor(x, y, ((x / 16) % 2) ? Qt::white : Qt::transparent);
    QVERIFY(whiteOnClear.save(box.path("white.png")));
    arguments.replaceInStrings("WHITEPNG", box.path("white.png"));
    arguments.replaceInStrings("BLANKINI", box.path("blank.ini"));
    arguments.replaceInStrings("BLANK", box.path("blank.txt"));
    SimulatedTimeClock clock({"--machine", "5", "--serial", "0a1b2c"});
    QVERIFY(clock.start());
    if (!arguments.contains("--port"))
        arguments += QStringList{"--port", clock.devicePath()};
    const ProgramRun run = runProgram(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((exitCode == 0 ? run.outText() : run.errText()).contains(said), qPrintable(run.errText() + run.outText()));
    QVERIFY(clock.stop());
    if (exitCode != 0)
        QCOMPARE(clock.received(), QByteArray());
}

void TestCliSafety::textThatCannotBeDrawnIsRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fonts");  // false: fontconfig finds no font file at all
    QTest::addColumn<int>("exitCode");
    QTest::newRow("logo, no font installed") << "logo" << "欢迎" << false << 2;
    QTest::newRow("show-logo, no font installed") << "show-logo" << "ACME" << false << 2;
    QTest::newRow("convert-logo, no font installed") << "convert-logo" << "欢迎" << false << 2;
    // A character of the last private-use plane: no font has it, so it would be drawn as a box.
    QTest::newRow("logo, a character no font has") << "logo" << QString("欢迎") + QString::fromUcs4(U"\U0010FFFD") << true << 2;
    QTest::newRow("logo, fonts installed") << "logo" << "欢迎" << true << 0;
}

// Text drawn without a font for it would send an empty picture, or one of boxes: it is refused, nothing sent.
void TestCliSafety::textThatCannotBeDrawnIsRefused()
{
    QFETCH(QString, command);
    QFETCH(QString, text);
    QFETCH(bool, fonts);
    QFETCH(int, exitCode);
    Sandbox box;
    QVERIFY(box.write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" + box.path("cache").toUtf8()
                                        + "</cachedir></fontconfig>\n"));
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    QStringList arguments{command, "--text", text};
    if (command == u"logo")
        arguments += QStringList{"--port", clock.devicePath()};
    if (command == u"convert-logo")
        arguments += QStringList{"-o", box.path("logo.txt")};
    ChildSetup setup;
    if (!fonts)
        setup.environment.insert(QStringLiteral("FONTCONFIG_FILE"), box.path("fonts.conf"));
    const ProgramRun run = runProgram(arguments, {}, 60000, setup);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(clock.stop());
    if (exitCode == 0) {
        QCOMPARE(clock.received().size(), LogoLineCount * 21);
        return;
    }
    QVERIFY2(run.errText().contains(StatusText::NoFontForText.toString()), qPrintable(run.errText()));
    QCOMPARE(clock.received(), QByteArray());
    QCOMPARE(box.state("logo.txt"), "missing");
}

void TestCliSafety::windowOptionsReachTheWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    // No display: one line saying so, not Qt's abort.
    QTest::newRow("--versoin without a display") << QStringList{"--versoin"} << 2 << "DISPLAY";
    // Qt's options reach the window, which then checks its own: neither "offscreen" nor "Fusion" is a command.
    QTest::newRow("-platform offscreen -style Fusion --lang fr")
        << QStringList{"-platform", "offscreen", "-style", "Fusion", "--lang", "fr"} << 2 << "--lang takes zh, zh_TW or en";
    QTest::newRow("-platform offscreen --versoin") << QStringList{"-platform", "offscreen", "--versoin"} << 1 << "versoin";
    QTest::newRow("--platform offscreen --versoin") << QStringList{"--platform", "offscreen", "--versoin"} << 1 << "versoin";
}

void TestCliSafety::windowOptionsReachTheWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);

    const ProgramRun run = runProgram(arguments, {}, 20000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    // Qt's own note about a missing XDG_RUNTIME_DIR on a bare test machine is not the program's.
    QStringList lines = run.errText().split('\n');
    lines.removeIf([](const QString &line) { return line.startsWith("QStandardPaths:"); });
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.front().contains(said), qPrintable(run.errText()));
}

void TestCliSafety::portMappingsRemembered_data()
{
    QTest::addColumn<QStringList>("mappings");
    QTest::newRow("one") << QStringList{"5=/dev/ttyS1"};
    QTest::newRow("two, in their order") << QStringList{"7=/dev/ttyUSB0", "2=COM3"};
    QTest::newRow("a Windows device path") << QStringList{R"(3=\\.\COM12)"};
}

void TestCliSafety::portMappingsRemembered()
{
    QFETCH(QStringList, mappings);
    RememberedChoices().setPortMappings(mappings);
    QCOMPARE(RememberedChoices().portMappings(), mappings);
    QVERIFY(RememberedChoices::forgetUnusable().isEmpty());
    RememberedChoices::forgetAll();
}

namespace {

// The store the program and this test share (ctest gives each test a settings folder of its own).
QString rememberedStorePath()
{
    return QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/timeclock-setup/timeclock-setup.conf";
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ino_t inodeOf(const QString &path)
{
    struct stat status{};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

} // namespace

void TestCliSafety::rememberedStoreKeepsWhatItIs_data()
{
    QTest::addColumn<bool>("link");  // the store is a symbolic link to a file kept elsewhere
    QTest::addColumn<int>("mode");

    QTest::newRow("made private") << false << 0600;
    QTest::newRow("readable by the group") << false << 0640;
    QTest::newRow("a symbolic link") << true << 0644;
    QTest::newRow("a symbolic link to a private file") << true << 0600;
}

void TestCliSafety::rememberedStoreKeepsWhatItIs()
{
    QFETCH(bool, link);
    QFETCH(int, mode);

    const QString store = rememberedStorePath();
    QTemporaryDir elsewhere;
    const QString target = link ? elsewhere.filePath("kept.conf") : store;
    QVERIFY(QDir().mkpath(QFileInfo(store).absolutePath()));
    QFile::remove(store);
    const auto cleanUp = qScopeGuard([&store] { QFile::remove(store); });
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write("[port]\nnumber=2\n") > 0);
    }
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(mode)), 0);
    if (link)
        QVERIFY(QFile::link(target, store));

    RememberedChoices().setPortNumber(4);

    QCOMPARE(QFileInfo(store).isSymLink(), link);
    QVERIFY2(fileBytes(target).contains("number=4"), fileBytes(target).constData());
    struct stat status{};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &status), 0);
    QCOMPARE(int(status.st_mode & 0777), mode);
}

void TestCliSafety::rememberedOnceForACommandsUse()
{
    const QString store = rememberedStorePath();
    QVERIFY(QDir().mkpath(QFileInfo(store).absolutePath()));
    const auto cleanUp = qScopeGuard([&store] { QFile::remove(store); });
    RememberedChoices().setPortNumber(2);
    const ino_t before = inodeOf(store);
    QVERIFY(before != 0);
    {
        // What the window keeps when a download starts.
        RememberedChoices remembered;
        remembered.setPortNumber(3);
        remembered.setLogoFile("/tmp/shop.png");
        remembered.setLogoChoices(true, false, true);
        remembered.setLogoText({{"text", "欢迎"}});
        // Nothing written yet: every change goes to the disk at once when the use ends.
        QCOMPARE(inodeOf(store), before);
    }
    QVERIFY(inodeOf(store) != before);
    const QByteArray kept = fileBytes(store);
    for (const char *value : {"number=3", "file=/tmp/shop.png", "invert=true", "fill=true"})
        QVERIFY2(kept.contains(value), kept.constData());
    QCOMPARE(RememberedChoices().logoText().value("text").toString(), "欢迎");
}

void TestCliSafety::rememberedChangesOfSeveralProcessesAllKept()
{
    // Scans of three lines side by side, each noting what it found at the same moment as the others.
    constexpr int Scans = 3;
    constexpr int Rounds = 6;
    std::vector<std::unique_ptr<SimulatedTimeClock>> clocks;
    for (int i = 0; i < Scans; ++i) {
        clocks.push_back(std::make_unique<SimulatedTimeClock>(QStringList{"--machine", "5"}));
        QVERIFY(clocks.back()->start());
    }
    for (int round = 0; round < Rounds; ++round) {
        QTemporaryDir home;
        QProcessEnvironment homes;
        homes.insert("XDG_CONFIG_HOME", home.filePath("config"));
        homes.insert("XDG_DATA_HOME", home.filePath("data"));
        const QProcessEnvironment environment = scriptEnvironment(homes);
        std::vector<std::unique_ptr<QProcess>> scans;
        for (const auto &clock : clocks) {
            scans.push_back(std::make_unique<QProcess>());
            scans.back()->setProcessEnvironment(environment);
            scans.back()->start(QStringLiteral(TIMECLOCK_SETUP_PATH), {"scan", "--machines", "5", "--port", clock->devicePath()});
        }
        for (const auto &scan : scans) {
            QVERIFY(scan->waitForFinished(30000));
            QCOMPARE(scan->exitCode(), 0);
        }
        const QSettings kept(home.filePath("config/timeclock-setup/timeclock-setup.conf"), QSettings::IniFormat);
        const QStringList counts = kept.allKeys().filter(QRegularExpression("^scan/"));
        QVERIFY2(counts.size() == Scans, qPrintable(QString("round %1: %2").arg(round).arg(counts.join(' '))));
    }
    for (const auto &clock : clocks)
        QVERIFY(clock->stop());
}

void TestCliSafety::damagedRememberedChoicesNeverStopTheWindow_data()
{
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<qint64>("size");  // made this large with a hole after the store; -1: as it is
    QTest::addColumn<QString>("said");
    QTest::addColumn<QStringList>("mappingsAfter");

    QTest::newRow("a --port mapping that is not N=DEVICE")
        << QByteArray("[port]\nmappings=1=/dev/ttyS0, COM3\n") << qint64(-1) << "COM3" << QStringList{"1=/dev/ttyS0"};
    QTest::newRow("a port number that is none")
        << QByteArray("[port]\nnumber=four\nmappings=2=/dev/ttyS1\n") << qint64(-1) << "four" << QStringList{"2=/dev/ttyS1"};
    QTest::newRow("a line's serials that are none")
        << QByteArray("[serials]\nline=1765000000000, 18:NOTHEX\n[port]\nmappings=2=/dev/ttyS1\n") << qint64(-1) << "NOTHEX"
        << QStringList{"2=/dev/ttyS1"};
    QTest::newRow("a section header left open: moved aside whole")
        << QByteArray("[logo]\ninvert=yes\n[port\nmappings=2=/dev/ttyS1\n") << qint64(-1) << "移到一边" << QStringList();
    QTest::newRow("a store of 100 MB") << QByteArray("[port]\nmappings=2=/dev/ttyS1\n") << qint64(100 * 1024 * 1024) << "太大"
                                       << QStringList();
}

void TestCliSafety::damagedRememberedChoicesNeverStopTheWindow()
{
    QFETCH(QByteArray, store);
    QFETCH(qint64, size);
    QFETCH(QString, said);
    QFETCH(QStringList, mappingsAfter);

    // The test's settings folder is the program's (ctest gives each test its own).
    const QString folder = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/timeclock-setup";
    QVERIFY(QDir().mkpath(folder));
    {
        QFile file(folder + "/timeclock-setup.conf");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(store), store.size());
        if (size > 0)
            QVERIFY(file.resize(size));
    }

    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    window.setProcessEnvironment(environment);
    QSignalSpy finished(&window, &QProcess::finished);
    window.start(QStringLiteral(TIMECLOCK_SETUP_PATH), {"-platform", "offscreen"});
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += window.readAllStandardError()).contains(said.toUtf8()), 20000);
    // The window stays up: the damaged value was only forgotten.
    QVERIFY(!finished.wait(2000));
    window.terminate();
    QVERIFY(finished.wait(10000) || !finished.isEmpty());
    err += window.readAllStandardError();
    QStringList lines = QString::fromUtf8(err).split('\n', Qt::SkipEmptyParts);
    lines.removeIf([](const QString &line) { return line.startsWith("QStandardPaths:"); });
    QCOMPARE(lines.size(), 1);
    QCOMPARE(RememberedChoices().portMappings(), mappingsAfter);
    // Nothing is lost: a file moved aside holds what it held.
    if (QFile aside(folder + "/timeclock-setup.conf.damaged"); said == "移到一边") {
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), store);
        aside.remove();
    }
}

void TestCliSafety::oneJsonShape_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("status");  // of the last object

    QTest::newRow("renumber ok") << QStringList() << QStringList{"renumber", "3"} << QByteArray() << "ok";
    QTest::newRow("settings no answer") << QStringList{"--silence", "all"} << QStringList{"settings"} << QByteArray() << "no-reply";
    QTest::newRow("read-serial wrong answer") << QStringList{"--wrong-byte", "all"} << QStringList{"read-serial"} << QByteArray() << "wrong-reply";
    QTest::newRow("write-serial ok") << QStringList() << QStringList{"write-serial", "001E05"} << QByteArray() << "ok";
    QTest::newRow("logo ok") << QStringList() << QStringList{"logo", "LOGO"} << QByteArray() << "ok";
    QTest::newRow("logo line cut") << QStringList{"--hangup-at", "3"} << QStringList{"logo", "LOGO"} << QByteArray() << "port-lost";
    QTest::newRow("port that is not there") << QStringList() << QStringList{"read-serial", "--port", "/nonexistent/tty"} << QByteArray()
                                            << "port-open-failed";
    QTest::newRow("bad usage") << QStringList() << QStringList{"settings", "--delay", "300"} << QByteArray() << "bad-input";
    QTest::newRow("unknown option") << QStringList() << QStringList{"settings", "--colour", "red"} << QByteArray() << "bad-input";
    QTest::newRow("unknown command") << QStringList() << QStringList{"frobnicate"} << QByteArray() << "bad-input";
    QTest::newRow("file missing") << QStringList() << QStringList{"logo", "/nonexistent.png"} << QByteArray() << "file-error";
    QTest::newRow("show-logo") << QStringList() << QStringList{"show-logo", "LOGO"} << QByteArray() << "ok";
    QTest::newRow("convert-logo refused") << QStringList() << QStringList{"convert-logo", "LOGO", "-o", "LOGO"} << QByteArray() << "file-error";
    QTest::newRow("provision, one done") << QStringList() << QStringList{"provision", "PROFILE", "--numbers", "4", "--scan-timeout", "10"}
                                         << QByteArray("\n") << "ok";
    QTest::newRow("provision, none answers") << QStringList() << QStringList{"provision", "PROFILE", "--numbers", "4,5"} << QByteArray()
                                             << "incomplete";
}

void TestCliSafety::oneJsonShape()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, status);

    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    QFile profile(dir.filePath("shop.ini"));
    QVERIFY(profile.open(QIODevice::WriteOnly));
    profile.write("[settings]\n");
    profile.close();
    arguments.replaceInStrings("LOGO", logo);
    arguments.replaceInStrings("PROFILE", profile.fileName());
    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    if (!arguments.contains("--port") && !arguments.front().endsWith("-logo") && arguments.front() != "frobnicate")
        arguments += QStringList{"--port", clock.devicePath()};
    const ProgramRun run = runProgram(arguments + QStringList{"--json"}, input);
    QVERIFY(run.finished);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QVERIFY(!lines.isEmpty());
    QJsonObject last;
    for (const QByteArray &line : lines) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        QVERIFY2(document.isObject(), qPrintable(error.errorString() + ": " + line));
        last = document.object();
        QStringList keys = last.keys();
        keys.sort();
        QStringList expected = JsonKeys;
        expected.sort();
        QCOMPARE(keys, expected);
        QCOMPARE(last.value("ok").toBool(), last.value("status").toString() == "ok");
    }
    QCOMPARE(last.value("status").toString(), status);
    QCOMPARE(last.value("command").toString(), arguments.front());
    QCOMPARE(run.exitCode == 0, status == "ok");
    if (arguments.front() == "logo" && status != "file-error") {
        QVERIFY(last.value("lines_confirmed").isDouble());
        QCOMPARE(last.value("lines_confirmed").toInt(), status == "ok" ? 32 : 3);
    }
    if (arguments.front() == "provision")
        QCOMPARE(last.value("not_done").toArray().size(), status == "ok" ? 0 : 2);
}

void TestCliSafety::progressLineFitsTheTerminal_data()
{
    QTest::addColumn<int>("columns");
    for (int columns : {200, 80, 60, 40, 30, 20, 8, 3})
        QTest::addRow("%d columns", columns) << columns;
}

void TestCliSafety::progressLineFitsTheTerminal()
{
    QFETCH(int, columns);
    const ProgressBar bar(LogoLineCount);
    for (int done : {0, 1, 13, 32}) {
        const QString line = bar.line(done, columns, 12345);
        int width = 0;
        for (const QChar c : line)
            width += c.unicode() >= 0x2E80 ? 2 : 1;
        QVERIFY2(width < columns, qPrintable(QString("%1: %2").arg(width).arg(line)));
        QVERIFY(!line.contains('\n'));
        if (columns >= 20)
            QVERIFY2(line.contains(QString("%1/32").arg(done)), qPrintable(line));
    }
    // A wait after the last line (a scan's listening for late answers) is part of the time left, to the end.
    const ProgressBar scan(32, std::chrono::milliseconds(980));
    if (columns >= 60) {
        QVERIFY2(scan.line(32, columns, 12345).contains(" 1.0 "), qPrintable(scan.line(32, columns, 12345)));
        QVERIFY2(scan.line(16, columns, 1000).contains(" 2.0 "), qPrintable(scan.line(16, columns, 1000)));
    }
}

TIMECLOCK_TEST_MAIN_IN_SHARES(TestCliSafety, QTEST_QAPP_SETUP(QCoreApplication))
#include "tst_cli_safety.moc"
