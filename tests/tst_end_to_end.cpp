#include "status_messages.h"
#include "window_bench.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QApplication>
#include <QTimer>
#include <QLabel>
#include <QLoggingCategory>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The program against the simulated time clock over a real pseudo-terminal: what reaches the line,
// what the status line says, and the state everything is left in.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void changeNumber_data();
    void changeNumber();
    void noReplyTimesOutAfterOneSecond();
    void portLeftOpenIsReopened();
    void staleReplyIsDiscardedOnOpen();
    void secondCommandIsRefusedWhileOneRuns();
    void closingWindowStopsCommand_data();
    void closingWindowStopsCommand();
    void traceShowsEveryByte();
    void settings_data();
    void settings();
    void readThenWriteSerialNumber_data();
    void readThenWriteSerialNumber();
    void readSerialAnswerInTwoPieces();
    void fullLogoDownload();
    void logoDownloadFailures_data();
    void logoDownloadFailures();
    void surplusByteEndsTheDownload();
    void badLogoFileSendsNothing_data();
    void badLogoFileSendsNothing();

};

void TestEndToEnd::changeNumber_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("onLine");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("machineAfter");
    const QString ok = StatusText::SettingSucceeded.toString();
    // The faults of the line, the wrong answer among them, are the fault matrix's.
    QTest::newRow("12") << QStringList() << "12" << QByteArray::fromHex("6305070c0000") << ok << 12;
    QTest::newRow("0") << QStringList() << "0" << QByteArray::fromHex("630507000000") << ok << 0;
    QTest::newRow("255") << QStringList() << " 255 " << QByteArray::fromHex("630507ff0000") << ok << 255;
    QTest::newRow("2.5 rounds to 2") << QStringList() << "2.5" << QByteArray::fromHex("630507020000") << ok << 2;
}

void TestEndToEnd::changeNumber()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QString, address);
    QFETCH(QByteArray, onLine);
    QFETCH(QString, message);
    QFETCH(int, machineAfter);
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    bench.setText("ADDRESS", address);
    QVERIFY(bench.press("Cmd2"));
    QCOMPARE(bench.status(), message);
    QCOMPARE(bench.clock.received(), onLine);
    QVERIFY(bench.idle());
    QVERIFY(bench.control<QPushButton>("Cmd2")->isEnabled());
    QVERIFY(bench.clock.stop());
    QCOMPARE(bench.clock.machineNumber(), machineAfter);
}

void TestEndToEnd::noReplyTimesOutAfterOneSecond()
{
    WindowBench bench({"--silence", "all"});
    QVERIFY(bench.start());
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(bench.press("Cmd2"));
    QVERIFY2(elapsed.elapsed() >= 1000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(bench.status(), StatusText::CommunicationFailed);
    QCOMPARE(bench.clock.received(), QByteArray::fromHex("630507120000"));
    QVERIFY(bench.idle());
    QVERIFY(bench.control<QPushButton>("Cmd2")->isEnabled());
}

void TestEndToEnd::portLeftOpenIsReopened()
{
    WindowBench bench;
    QVERIFY(bench.start());
    SerialLink &link = bench.form->session().link();
    QVERIFY(!link.prepareLink(bench.clock.devicePath()));
    QVERIFY(link.isOpen());
    QVERIFY(bench.press("Cmd2"));
    QCOMPARE(bench.status(), StatusText::SettingSucceeded);
    QVERIFY(!link.isOpen());
}

void TestEndToEnd::staleReplyIsDiscardedOnOpen()
{
    // The answer to the first command comes too late and waits in the driver; the next command must not
    // take it for its own.
    WindowBench bench({"--delay-ms", "1200@0"});
    QVERIFY(bench.start());
    QVERIFY(bench.press("Cmd2"));
    QCOMPARE(bench.status(), StatusText::CommunicationFailed);
    QVERIFY(bench.clock.transmitted().isEmpty() || bench.clock.transmitted() == QByteArray::fromHex("63"));
    QTRY_COMPARE_WITH_TIMEOUT(bench.clock.transmitted(), QByteArray::fromHex("63"), 5000);
    QVERIFY(bench.press("Command4"));
    QCOMPARE(bench.status(), StatusText::CommunicationSucceeded);
}

void TestEndToEnd::secondCommandIsRefusedWhileOneRuns()
{
    WindowBench bench({"--delay-ms", "300"});
    QVERIFY(bench.start());
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    bench.control<QPushButton>("Cmd2")->click();
    bench.control<QPushButton>("Command4")->click();
    QCOMPARE(bench.status(), StatusText::Busy);
    QVERIFY(finished.wait(5000));
    QCOMPARE(bench.status(), StatusText::SettingSucceeded);
    QCOMPARE(bench.clock.received(), QByteArray::fromHex("630507120000"));
}

void TestEndToEnd::closingWindowStopsCommand_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("silentFrame");
    QTest::addColumn<int>("bytesBeforeClose");
    QTest::newRow("Cmd2") << "Cmd2" << "0" << 6;
    QTest::newRow("Command1") << "Command1" << "0" << 6;
    QTest::newRow("Command4") << "Command4" << "0" << 3;
    // The write, after the read of the terminal's own number.
    QTest::newRow("Command5") << "Command5" << "1" << 9;
    QTest::newRow("DOWNLOG at line 5") << "DOWNLOG" << "5" << 6 * 21;
}

void TestEndToEnd::closingWindowStopsCommand()
{
    QFETCH(QString, button);
    QFETCH(QString, silentFrame);
    QFETCH(int, bytesBeforeClose);
    QTemporaryDir dir;
    WindowBench bench({"--silence", silentFrame});
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.setText("xlh", "000000");  // typed: the start-up placeholder is never written
    bench.form->show();
    bench.control<QPushButton>(qPrintable(button))->click();
    QVERIFY(bench.clock.waitForReceived(bytesBeforeClose));
    // Closing the window ends the program's event loop, as it would end the program.
    QTimer runsTooLong;
    connect(&runsTooLong, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
    runsTooLong.start(5000);
    QTimer::singleShot(0, bench.form.get(), [&] { bench.form->close(); });
    if (button == "DOWNLOG") {
        // Half a picture would stay on the terminal, so the window asks first; Yes closes at once.
        QTimer::singleShot(0, bench.form.get(), [&] {
            auto *question = bench.form->findChild<QMessageBox *>("quitQuestion");
            QVERIFY(question);
            question->button(QMessageBox::Yes)->click();
        });
    }
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!bench.form->session().isRunning());
    QVERIFY(!bench.form->session().link().isOpen());
    QVERIFY(!QFileInfo::exists("/var/lock/LCK.." + bench.clock.devicePath().mid(5).replace('/', '_')));
    // The terminal hears nothing more: a command after the close would show up as further bytes.
    QSignalSpy more(&bench.clock, &SimulatedTimeClock::bytesReceived);
    QVERIFY(!more.wait(1200));
    QCOMPARE(bench.clock.received().size(), bytesBeforeClose);
}

void TestEndToEnd::traceShowsEveryByte()
{
    static QStringList traced;
    traced.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("timeclock.link.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &context, const QString &message) {
            if (QLatin1String(context.category) == QLatin1String("timeclock.link"))
                traced << message;
        });
    WindowBench bench;
    const bool started = bench.start();
    const bool pressed = started && bench.press("Cmd2");
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QStringLiteral("timeclock.link.debug=false"));
    QVERIFY(pressed);
    QVERIFY2(traced.contains("TX 63"), qPrintable(traced.join('|')));
    QVERIFY2(traced.contains("TX 05 07 12 00 00"), qPrintable(traced.join('|')));
    QVERIFY2(traced.contains("RX 63"), qPrintable(traced.join('|')));
}

void TestEndToEnd::settings_data()
{
    QTest::addColumn<bool>("doorMode");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("traditional");
    QTest::addColumn<QString>("unusedBox");
    QTest::addColumn<QByteArray>("onLine");
    QTest::newRow("bell, dkys used") << false << false << false << "D_Timer" << QByteArray::fromHex("120520000900");
    QTest::newRow("bell+picture") << false << true << false << "dkys" << QByteArray::fromHex("120520020500");
    QTest::newRow("door traditional") << true << false << true << "dkys" << QByteArray::fromHex("120520010501");
    QTest::newRow("door+picture") << true << true << false << "dkys" << QByteArray::fromHex("120520030500");
}

void TestEndToEnd::settings()
{
    QFETCH(bool, doorMode);
    QFETCH(bool, picture);
    QFETCH(bool, traditional);
    QFETCH(QString, unusedBox);
    QFETCH(QByteArray, onLine);
    WindowBench bench;
    QVERIFY(bench.start());
    bench.setText("D_Timer", "5");
    bench.setText("dkys", "9");
    bench.setText(qPrintable(unusedBox), "not a number");
    bench.control<QRadioButton>(doorMode ? "mkmode" : "mlmode")->setChecked(true);
    bench.control<QRadioButton>(traditional ? "fontf" : "fontj")->setChecked(true);
    bench.control<QCheckBox>("oem_log")->setChecked(picture);
    QVERIFY(bench.press("Command1"));
    QCOMPARE(bench.status(), StatusText::SettingSucceeded);
    QCOMPARE(bench.clock.received(), onLine);
    QVERIFY(bench.idle());
    QVERIFY(bench.control<QPushButton>("Command1")->isEnabled());
    QVERIFY(bench.clock.stop());
    QCOMPARE(bench.clock.mode(), int(quint8(onLine.at(3))));
    QCOMPARE(bench.clock.delay(), int(quint8(onLine.at(4))));
    QCOMPARE(bench.clock.font(), int(quint8(onLine.at(5))));
}

void TestEndToEnd::readThenWriteSerialNumber_data()
{
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("shown");
    QTest::newRow("01 02 03") << "010203" << "010203";
    QTest::newRow("00 0A F0") << "000af0" << "000AF0";
    QTest::newRow("AB 0C DE") << "ab0cde" << "AB0CDE";
    QTest::newRow("00 00 00") << "000000" << "000000";
}

// Reading a serial number and writing it straight back leaves the terminal holding what it held.
void TestEndToEnd::readThenWriteSerialNumber()
{
    QFETCH(QString, held);
    QFETCH(QString, shown);
    WindowBench bench({"--serial", held});
    QVERIFY(bench.start());
    bench.setText("xlh", "FFFFFF");
    QVERIFY(bench.press("Command4"));
    QCOMPARE(bench.status(), StatusText::CommunicationSucceeded);
    QCOMPARE(bench.control<QLineEdit>("xlh")->text(), shown);
    QVERIFY(bench.press("Command5"));
    QCOMPARE(bench.status(), StatusText::SettingSucceeded);
    // The terminal's own number is read again first: it is the one in the box, so no question.
    QCOMPARE(bench.clock.received(), QByteArray::fromHex("12021f" "12021f" "12050f") + QByteArray::fromHex(held.toLatin1()));
    QVERIFY(bench.idle());
    QVERIFY(bench.clock.stop());
    QCOMPARE(bench.clock.serial(), QByteArray::fromHex(held.toLatin1()));
}

// The other shapes of an answer (wrong, short, late, one byte more) are the fault matrix's.
void TestEndToEnd::readSerialAnswerInTwoPieces()
{
    WindowBench bench({"--split-reply", "all", "--serial", "123456"});
    QVERIFY(bench.start());
    QVERIFY(bench.press("Command4"));
    QCOMPARE(bench.status(), StatusText::CommunicationSucceeded);
    QCOMPARE(bench.control<QLineEdit>("xlh")->text(), QStringLiteral("123456"));
    QVERIFY(bench.idle());
    QVERIFY(bench.control<QPushButton>("Command4")->isEnabled());
}

void TestEndToEnd::fullLogoDownload()
{
    QTemporaryDir dir;
    WindowBench bench({"--machine", "7"});
    QVERIFY(bench.start());
    bench.setText("ADDRESS", "7");
    bench.chooseLogoFile(writeCountingLogoFile(dir, 40));

    auto *bar = bench.control<QProgressBar>("PBar1");
    QList<int> progress;
    connect(bar, &QProgressBar::valueChanged, this, [&](int value) {
        QVERIFY(bar->isVisible() || !bench.form->isVisible());
        progress << value;
    });
    QVERIFY(bench.press("DOWNLOG", 10000));
    QCOMPARE(bench.status(), StatusText::DownloadComplete);
    QCOMPARE(bench.clock.received(), countingLogoOnLine(7, LogoLineCount));
    QList<int> expected;
    for (int line = 1; line < LogoLineCount; ++line)  // 0 is already the bar's value
        expected << line;
    QCOMPARE(progress, expected);
    QVERIFY(bench.idle());
    QVERIFY(bench.control<QPushButton>("DOWNLOG")->isEnabled());
    QVERIFY(bench.clock.stop());
    QByteArray picture;
    for (int i = 0; i < LogoByteCount; ++i)
        picture += char(i & 0xff);
    QCOMPARE(bench.clock.logo(), picture);
}

void TestEndToEnd::logoDownloadFailures_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("linesSent");
    QTest::newRow("silence at line 5") << QStringList{"--silence", "5"}
                                       << StatusText::CommunicationFailed.toString() << 6;
    QTest::newRow("late answer at line 31") << QStringList{"--delay-ms", "1200@31"}
                                            << StatusText::CommunicationFailed.toString() << 32;
}

void TestEndToEnd::logoDownloadFailures()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QString, message);
    QFETCH(int, linesSent);
    QTemporaryDir dir;
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    QVERIFY(bench.press("DOWNLOG", 10000));
    QCOMPARE(bench.status(), message);
    QCOMPARE(bench.clock.received(), countingLogoOnLine(18, linesSent));
    QVERIFY(bench.idle());
    QVERIFY(bench.control<QPushButton>("DOWNLOG")->isEnabled());
}

void TestEndToEnd::surplusByteEndsTheDownload()
{
    // Line 3 is answered twice and line 4 would not be answered at all: the second answer to line 3 waits
    // when line 4 is due, so line 4 is not sent and the download is not called complete.
    QTemporaryDir dir;
    WindowBench bench({"--extra-byte", "3", "--silence", "4"});
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    QVERIFY(bench.press("DOWNLOG", 10000));
    QCOMPARE(bench.status(), StatusText::CommunicationInterrupted);
    QCOMPARE(bench.clock.received(), countingLogoOnLine(18, 4));
    QVERIFY(bench.idle());
}

void TestEndToEnd::badLogoFileSendsNothing_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << -1 << StatusText::FileOpenFailed.toString();
    QTest::newRow("31 lines") << 31 << StatusText::FileTooShort.toString();
    QTest::newRow("empty") << 0 << StatusText::FileTooShort.toString();
}

void TestEndToEnd::badLogoFileSendsNothing()
{
    QFETCH(int, lines);
    QFETCH(QString, message);
    QTemporaryDir dir;
    WindowBench bench;
    QVERIFY(bench.start());
    const QString logo = writeCountingLogoFile(dir, std::max(lines, 0));
    bench.chooseLogoFile(logo);
    if (lines < 0)
        QFile::remove(logo);
    bench.control<QPushButton>("DOWNLOG")->click();
    QCOMPARE(bench.status(), message);
    QVERIFY(bench.idle());
    QVERIFY(bench.control<QPushButton>("DOWNLOG")->isEnabled());
    // The next command's bytes are the first on the line.
    QVERIFY(bench.press("Cmd2"));
    QCOMPARE(bench.clock.received(), QByteArray::fromHex("630507120000"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
