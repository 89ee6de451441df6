#include "command_history.h"
#include "status_messages.h"
#include "window_bench.h"

#include <QDir>
#include <QFile>
#include <QTest>

// Every command against every fault of the line: the operator always gets one clear message, the port
// and the file are closed, the buttons work, and nothing but whole frames reached the terminal.
class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void faultOnTheLine_data();
    void faultOnTheLine();
};

namespace {
struct CommandOnLine
{
    const char *operatorName; // what the operator presses, in English
    const char *button;
    QString machine;          // the machine-number box: the terminal's number, or 改号's new one
    QByteArray firstExchange; // what one exchange of the command puts on the line
    QString success;
    int machineAfter;         // the terminal's number once the frame has reached it, answered or not
};

// The terminal's serial number; the window's serial box is typed 000000 before each command.
const QString HeldSerial = QStringLiteral("123456");
const QString TypedSerial = QStringLiteral("000000");

const QList<CommandOnLine> &commands()
{
    static const QList<CommandOnLine> list = {
        {"change number", "Cmd2", "12", QByteArray::fromHex("6305070c0000"), StatusText::SettingSucceeded.toString(), 12},
        {"set up the terminal", "Command1", "18", QByteArray::fromHex("120520000000"),
         StatusText::SettingSucceeded.toString(), 18},
        {"read serial number", "Command4", "18", QByteArray::fromHex("12021f"),
         StatusText::CommunicationSucceeded.toString(), 18},
        // 写序列号 reads the terminal's own number first.
        {"write serial number", "Command5", "18", QByteArray::fromHex("12021f"),
         StatusText::SettingSucceeded.toString(), 18},
        {"download the logo", "DOWNLOG", "18", countingLogoOnLine(18, 1), StatusText::DownloadComplete.toString(), 18},
    };
    return list;
}
} // namespace

// 写序列号 asks about, and write-serial refuses, a number this PC wrote before: each case starts with no history.
void TestFaultMatrix::init()
{
    QFile::remove(CommandHistory::filePath());
}

void TestFaultMatrix::faultOnTheLine_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("onLine");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<int>("machineAfter");
    QTest::addColumn<QString>("serialShown");  // the serial box afterwards: only a confirmed read fills it

    const QString failed = StatusText::CommunicationFailed.toString();
    const QString lost = StatusText::PortLost.toString();
    for (const CommandOnLine &command : commands()) {
        const bool download = QByteArray(command.button) == "DOWNLOG";
        const QString wrong = download ? StatusText::CommunicationInterrupted.toString() : failed;
        const auto row = [&](const char *fault, const QStringList &options, const QString &message,
                             const QByteArray &onLine) {
            const bool serialRead = QByteArray(command.button) == "Command4" && message == command.success;
            // A fault in the read before 写序列号 ends it with nothing written, and says so.
            const bool writeSerial = QByteArray(command.button) == "Command5";
            const bool readSerial = QByteArray(command.button) == "Command4";
            const bool succeeded = message == command.success;
            QTest::addRow("%s (%s): %s", command.operatorName, command.button, fault)
                << QString::fromLatin1(command.button) << options
                << (writeSerial && !succeeded ? StatusText::withDetail(message, "读不出这台考勤机的序列号，没有写入")
                    // The typed number in the box is not known to be this terminal's, and the line says so.
                    : readSerial && !succeeded ? StatusText::withDetail(message, "序列号框里的 000000 不是从这台考勤机读出的")
                                               : message)
                << (writeSerial && succeeded ? onLine + QByteArray::fromHex("12050f000000") : onLine) << command.machine
                << command.machineAfter << (serialRead ? HeldSerial : TypedSerial);
        };
        row("no answer", {"--silence", "all"}, failed, command.firstExchange);
        row("answer with a wrong first byte", {"--wrong-byte", "all"}, wrong, command.firstExchange);
        row("answer after 1.2 s", {"--delay-ms", "1200"}, failed, command.firstExchange);
        row("answer one byte short", {"--short-reply", "all"}, failed, command.firstExchange);
        // The surplus byte waits in the driver when the next line is due: that line is not sent.
        row("one byte more than the answer", {"--extra-byte", "all"}, download ? wrong : command.success,
            command.firstExchange);
        row("4 KiB of noise before the answer", {"--noise", "4096"}, wrong, command.firstExchange);
        // A two-wire RS-485 adapter hands every frame back before the answer: never taken for one.
        const QByteArray wholeCommand = download ? countingLogoOnLine(18, LogoLineCount) : command.firstExchange;
        row("echo, the terminal answers", {"--echo"}, command.success, wholeCommand);
        row("echo and no terminal", {"--echo", "--silence", "all"}, StatusText::EchoOnly.toString(), command.firstExchange);
        row("echo altered at its third byte", {"--echo-altered-at", "2"}, StatusText::EchoDiffers.toString(),
            command.firstExchange);
        if (download) {
            for (int line : {0, 5, 31})
                row(qPrintable(QStringLiteral("line cut at logo line %1").arg(line)),
                    {"--hangup-at", QString::number(line)}, lost, countingLogoOnLine(18, line + 1));
        } else {
            row("line cut", {"--hangup-at", "0"}, lost, command.firstExchange);
        }
    }
}

void TestFaultMatrix::faultOnTheLine()
{
    QFETCH(QString, button);
    QFETCH(QStringList, simOptions);
    QFETCH(QString, message);
    QFETCH(QByteArray, onLine);
    QFETCH(QString, machine);
    QFETCH(int, machineAfter);
    QFETCH(QString, serialShown);

    QTemporaryDir dir;
    WindowBench bench(simOptions + QStringList{"--serial", HeldSerial});
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.setText("ADDRESS", machine);
    bench.setText("xlh", TypedSerial);  // typed: the start-up placeholder is never written
    const QStringList openBefore = openFilesAndDevices();

    QVERIFY(bench.press(qPrintable(button), 45000));
    QCOMPARE(bench.status(), message);
    // With surplus answers the program can finish before the terminal has read the last frame.
    bench.clock.waitForReceived(int(onLine.size()));
    QCOMPARE(bench.clock.received().toHex(), onLine.toHex());
    QVERIFY(bench.idle());
    for (QPushButton *each : bench.form->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(each->isEnabled(), qPrintable(each->objectName()));
    // Neither the port nor the logo file is left open.
    const QStringList openAfter = openFilesAndDevices();
    QVERIFY2(openAfter.size() <= openBefore.size(), qPrintable(openAfter.join(u' ') + " were " + openBefore.join(u' ')));
    // A vanished device is reported once or twice by Qt, not in a storm.
    QVERIFY2(bench.form->session().link().portErrorCount() <= 3,
             qPrintable(QString::number(bench.form->session().link().portErrorCount())));
    QCOMPARE(bench.control<QLineEdit>("xlh")->text(), serialShown);
    QVERIFY(bench.clock.stop());
    QCOMPARE(bench.clock.machineNumber(), machineAfter);
}

QTEST_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
