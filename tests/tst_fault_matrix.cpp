#include "status_messages.h"
#include "window_bench.h"

#include <QDir>
#include <QTest>

// Every command against every fault of the line: the operator always gets one clear message, the port
// and the file are closed, the buttons work, and nothing but whole frames reached the terminal.
class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void faultOnTheLine_data();
    void faultOnTheLine();
};

namespace {
struct CommandOnLine
{
    const char *operatorName; // what the operator presses, in English
    const char *button;
    QByteArray firstExchange; // what one exchange of the command puts on the line
    QString success;
};

const QList<CommandOnLine> &commands()
{
    static const QList<CommandOnLine> list = {
        {"change number", "Cmd2", QByteArray::fromHex("630507120000"),
         StatusText::SettingSucceeded.toString()},
        {"set up the terminal", "Command1", QByteArray::fromHex("120520000000"),
         StatusText::SettingSucceeded.toString()},
        {"read serial number", "Command4", QByteArray::fromHex("12021f"),
         StatusText::CommunicationSucceeded.toString()},
        {"write serial number", "Command5", QByteArray::fromHex("12050f000000"),
         StatusText::SettingSucceeded.toString()},
        {"download the logo", "DOWNLOG", countingLogoOnLine(18, 1), StatusText::DownloadComplete.toString()},
    };
    return list;
}
} // namespace

void TestFaultMatrix::faultOnTheLine_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("onLine");

    const QString failed = StatusText::CommunicationFailed.toString();
    const QString lost = StatusText::PortLost.toString();
    for (const CommandOnLine &command : commands()) {
        const bool download = QByteArray(command.button) == "DOWNLOG";
        const QString wrong = download ? StatusText::CommunicationInterrupted.toString() : failed;
        const auto row = [&](const char *fault, const QStringList &options, const QString &message,
                             const QByteArray &onLine) {
            QTest::addRow("%s (%s): %s", command.operatorName, command.button, fault)
                << QString::fromLatin1(command.button) << options << message << onLine;
        };
        row("no answer", {"--silence", "all"}, failed, command.firstExchange);
        row("answer with a wrong first byte", {"--wrong-byte", "all"}, wrong, command.firstExchange);
        row("answer after 1.2 s", {"--delay-ms", "1200"}, failed, command.firstExchange);
        row("answer one byte short", {"--short-reply", "all"}, failed, command.firstExchange);
        // The surplus byte waits in the driver when the next line is due: that line is not sent.
        row("one byte more than the answer", {"--extra-byte", "all"}, download ? wrong : command.success,
            command.firstExchange);
        row("4 KiB of noise before the answer", {"--noise", "4096"}, wrong, command.firstExchange);
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

    QTemporaryDir dir;
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.setText("xlh", "000000");  // typed: the start-up placeholder is never written
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
}

QTEST_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
