#include "command_history.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QFile>
#include <QTest>

// The window and the command line build their tasks from the one command table, so for the same inputs
// they put the same bytes on the line. Each command is given both ways, each to a time clock of its own.
class TestCliAndWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sameFramesBothWays_data();
    void sameFramesBothWays();
};

// 写序列号 asks about, and write-serial refuses, a number this PC wrote before: each case starts with no history.
void TestCliAndWindow::init()
{
    QFile::remove(CommandHistory::filePath());
}

void TestCliAndWindow::sameFramesBothWays_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("boxes");    // "BOX=text" typed into the window
    QTest::addColumn<QStringList>("checked");  // radio buttons and check boxes ticked in the window
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("renumber") << "Cmd2" << QStringList{"ADDRESS=200"} << QStringList() << QStringList{"renumber", "200"};
    QTest::newRow("settings") << "Command1" << QStringList{"ADDRESS=18", "D_Timer=17"}
                              << QStringList{"mkmode", "oem_log", "fontf"}
                              << QStringList{"settings", "--machine", "18", "--mode", "door", "--picture", "--delay",
                                             "17", "--font", "traditional"};
    QTest::newRow("settings, clock-in delay") << "Command1" << QStringList{"dkys=3"} << QStringList()
                                              << QStringList{"settings", "--delay", "3"};
    QTest::newRow("read-serial") << "Command4" << QStringList{"ADDRESS=18"} << QStringList() << QStringList{"read-serial"};
    // The same number into a second terminal: only with --force (the window has just written it).
    QTest::newRow("write-serial") << "Command5" << QStringList{"xlh=fedcba"} << QStringList()
                                  << QStringList{"write-serial", "fedcba", "--force"};
    QTest::newRow("logo") << "DOWNLOG" << QStringList{"ADDRESS=18"} << QStringList() << QStringList{"logo", "LOGO"};
}

void TestCliAndWindow::sameFramesBothWays()
{
    QFETCH(QString, button);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, arguments);

    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);

    WindowBench bench;
    QVERIFY(bench.start());
    bench.chooseLogoFile(logo);
    for (const QString &box : boxes)
        bench.setText(qPrintable(box.section('=', 0, 0)), box.section('=', 1));
    for (const QString &name : checked)
        bench.form->findChild<QAbstractButton *>(name)->setChecked(true);
    QVERIFY(bench.press(qPrintable(button)));
    QVERIFY(bench.clock.stop());

    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    arguments.replaceInStrings("LOGO", logo);
    const ProgramRun run = runProgram(arguments + QStringList{"--port", clock.devicePath()});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(clock.stop());

    QVERIFY(!clock.received().isEmpty());
    QCOMPARE(clock.received().toHex(), bench.clock.received().toHex());
}

QTEST_MAIN(TestCliAndWindow)
#include "tst_cli_window.moc"
