#include "command_history.h"
#include "logo_preview.h"
#include "logo_text.h"
#include "logo_text_dialog.h"
#include "machine_scan_dialog.h"
#include "port_catalogue.h"
#include "port_list_popup.h"
#include "remembered_choices.h"
#include "serial_server.h"
#include "window_bench.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QHelpEvent>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QStandardPaths>
#include <QScopeGuard>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

// The window's help with first contact, used with real key events: the port list in COM1, 查找机号 on
// ADDRESS's menu, the warning before renumbering a shared line, and what is remembered between runs.
class TestFirstContactWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void portListOpensFromTheKeyboard_data();
    void portListOpensFromTheKeyboard();
    void portToolTipListsThePorts_data();
    void portToolTipListsThePorts();
    void toolTipNamesAnotherProgramHoldingThePort();
    void findMachinesFromAddressMenu();
    void cancelStopsTheScan();
    void scanIsRecordedAsItWent_data();
    void scanIsRecordedAsItWent();
    void commandAfterScanNamesTheTerminal_data();
    void commandAfterScanNamesTheTerminal();
    void closingMidCommandIsRecorded_data();
    void closingMidCommandIsRecorded();
    void historyOpensFromTheKeyboard();
    void renumberOnSharedLineAsksFirst_data();
    void renumberOnSharedLineAsksFirst();
    void renumberOnServerPortScannedUnderAnotherSpelling();
    void choicesAreRememberedBetweenRuns();
    void textLogoIsRemembered();

private:
    QTemporaryDir m_settings;
};

namespace {

const QString TestPort = QStringLiteral("/dev/timeclock-test-port");

QMenu *activeMenu()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// Walks the open menu with Down until `wanted` is active; false when it is never reached.
bool moveTo(QMenu *menu, const std::function<bool(QAction *)> &wanted)
{
    for (int step = 0; step <= menu->actions().size(); ++step) {
        if (menu->activeAction() && wanted(menu->activeAction()))
            return true;
        QTest::keyClick(menu, Qt::Key_Down);
    }
    return false;
}

// Everything the terminal received from the program, once the program has closed the line: a marker is
// written behind it, and what came before the marker is all there will ever be. No wait for time to pass
// can tell "nothing was sent" from "not read yet".
QByteArray receivedOnceClosed(SimulatedTimeClock &clock)
{
    const QByteArray marker = QByteArray::fromHex("a55ac33c9669f00f");
    const int line = ::open(QFile::encodeName(clock.devicePath()).constData(), O_WRONLY | O_NOCTTY);
    if (line < 0)
        return "cannot open the line for the marker";
    const bool written = ::write(line, marker.constData(), marker.size()) == marker.size();
    ::close(line);
    if (!written || !clock.waitUntil([&clock, &marker] { return clock.received().endsWith(marker); }, 5000))
        return "the marker did not arrive";
    return clock.received().chopped(marker.size());
}

bool logoInverted(Form1 &form)
{
    return form.findChild<QCheckBox *>(QStringLiteral("invertCheck"))->isChecked();
}

} // namespace

void TestFirstContactWindow::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestFirstContactWindow::portListOpensFromTheKeyboard_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Down") << int(Qt::NoModifier);
    QTest::newRow("Alt+Down") << int(Qt::AltModifier);
}

void TestFirstContactWindow::portListOpensFromTheKeyboard()
{
    QFETCH(int, modifiers);
    PortDirectory ports;
    ports.mapPort(7, TestPort);
    Form1 form(ports);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *box = form.findChild<QLineEdit *>("COM1");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down, Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(activeMenu());
    QMenu *menu = activeMenu();
    QCOMPARE(menu->objectName(), "portList");
    // The test's device is not there, and is marked so.
    QVERIFY(moveTo(menu, [](QAction *action) { return action->text() == QStringLiteral("7  ") + TestPort + missingDeviceMark(); }));
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_VERIFY(!activeMenu());
    QCOMPARE(box->text(), "7");
    // Still a text box: a number can be typed over the choice.
    QTest::keyClicks(box, "12");
    QCOMPARE(box->text(), "12");
}

void TestFirstContactWindow::portToolTipListsThePorts_data()
{
    QTest::addColumn<bool>("there");
    QTest::newRow("a mapped device that is there") << true;
    QTest::newRow("a mapped device that is gone") << false;
}

void TestFirstContactWindow::portToolTipListsThePorts()
{
    QFETCH(bool, there);
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const QString device = there ? clock.devicePath() : TestPort;
    const QString line = QStringLiteral("7  ") + device + (there ? QString() : missingDeviceMark());
    PortDirectory ports;
    ports.mapPort(7, device);
    Form1 form(ports);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *box = form.findChild<QLineEdit *>("COM1");
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), box->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(box, &help);
    QTextDocument shown;
    shown.setHtml(box->toolTip());
    QVERIFY2(shown.toPlainText().split(u'\n').contains(line), qPrintable(box->toolTip()));

    // A number that reaches nothing names the window's ports, with the same mark.
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "9");
    QTest::keyClick(form.findChild<QPushButton *>("Command4"), Qt::Key_Space);
    auto *status = form.findChild<QLabel *>("HELP1");
    QTRY_VERIFY(status->text().startsWith(StatusText::PortOpenFailed.toString().section(u'（', 0, 0)));
    const QString label = QStringLiteral("7 号 ") + device + (there ? QString() : missingDeviceMark());
    QVERIFY2(status->text().contains(label), qPrintable(status->text()));
    QVERIFY(clock.stop());
}

void TestFirstContactWindow::toolTipNamesAnotherProgramHoldingThePort()
{
    WindowBench bench({"--silence", "all"});
    QVERIFY(bench.start());
    // Another program reads the port, as `cat` would.
    QProcess reader;
    reader.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec cat < \"$0\" > /dev/null"), bench.clock.devicePath()});
    QVERIFY(reader.waitForStarted());
    QTRY_VERIFY(!otherProgramsHolding(LineIdentity::of(bench.clock.devicePath())).isEmpty());
    QCOMPARE(otherProgramsHolding(LineIdentity::of(bench.clock.devicePath())),
             QStringList{QStringLiteral("cat，进程 %1").arg(reader.processId())});
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    QVERIFY(bench.press("Command4"));
    QCOMPARE(bench.status(), StatusText::CommunicationFailed);
    const QString tip = bench.control<QLabel>("HELP1")->toolTip();
    QVERIFY2(tip.contains(QStringLiteral("另一个程序（cat，进程 %1）也打开了这个串口").arg(reader.processId())), qPrintable(tip));
    reader.kill();
    QVERIFY(reader.waitForFinished());
    // With nobody else on the port the tooltip says no such thing.
    QVERIFY(bench.press("Command4"));
    QVERIFY(!bench.control<QLabel>("HELP1")->toolTip().contains(QStringLiteral("另一个程序")));
}

void TestFirstContactWindow::findMachinesFromAddressMenu()
{
    RememberedChoices::forgetAll();  // an earlier test's scan of a device with the same name
    WindowBench bench({"--machine", "7", "--serial", "112233"});
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    auto *address = bench.control<QLineEdit>("ADDRESS");
    address->setFocus();
    // Shift+F10 opens ADDRESS's menu, as a right click does.
    QTest::keyClick(address, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(activeMenu());
    QMenu *menu = activeMenu();
    QCOMPARE(menu->objectName(), "addressMenu");
    QVERIFY(moveTo(menu, [](QAction *action) { return action->objectName() == QStringLiteral("findMachines"); }));
    QTest::keyClick(menu, Qt::Key_Return);

    QTRY_VERIFY(bench.form->findChild<MachineScanDialog *>());
    auto *dialog = bench.form->findChild<MachineScanDialog *>();
    auto *answers = dialog->findChild<QListWidget *>("scanAnswers");
    // Terminal 7 answers early in the scan; it is chosen while the scan goes on.
    QTRY_COMPARE_WITH_TIMEOUT(answers->count(), 1, 10000);
    QVERIFY(answers->item(0)->text().contains("112233"));
    // Enter pressed out of habit ends nothing while the scan runs: no button is the default yet.
    QVERIFY(!dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isDefault());
    QTest::keyClick(answers, Qt::Key_Return);
    QTest::keyClick(dialog, Qt::Key_Return);
    QVERIFY(dialog->isScanning());
    QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QTRY_VERIFY(!bench.form->findChild<MachineScanDialog *>());
    QCOMPARE(address->text(), "7");
    QVERIFY(!bench.form->session().link().isOpen());
    // What was found before the choice counts for a later renumber (at least one, the rest of the line
    // unknown), and the scan is in the history.
    QCOMPARE(RememberedChoices().terminalsFound(LineIdentity::of(bench.clock.devicePath())), PartScan + 1);
    const HistoryEntry last = CommandHistory::read().constLast();
    QCOMPARE(last.command, "scan");
    QCOMPARE(last.outcome, "cancelled 7:112233");
    QVERIFY2(last.machine.startsWith("0-"), qPrintable(last.machine));
    // The status line says how the dialog ended, never what the command before it said.
    QCOMPARE(bench.status(), "机号已设为 7（查找机号没有查完就停了）");

    bench.form->findChild<QAction *>("findMachines")->trigger();
    QTRY_VERIFY(bench.form->findChild<MachineScanDialog *>());
    QVERIFY(bench.clock.waitForReceived(bench.clock.received().size() + 3));
    QTest::keyClick(bench.form->findChild<MachineScanDialog *>(), Qt::Key_Escape);
    QTRY_VERIFY(!bench.form->findChild<MachineScanDialog *>());
    QCOMPARE(bench.status(), "查找机号已取消，没有查完");
}

void TestFirstContactWindow::cancelStopsTheScan()
{
    WindowBench bench({"--silence", "all"});
    QVERIFY(bench.start());
    MachineScanDialog dialog({1, bench.clock.devicePath()}, [](int) { QFAIL("nothing was chosen"); });
    dialog.show();
    dialog.start();
    QVERIFY(bench.clock.waitForReceived(3));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.isScanning());
    // Nothing is asked after the number being asked when Cancel was pressed (3 bytes a number); the
    // simulator may still be reading that one.
    const int answered = dialog.findChild<QProgressBar *>("scanProgress")->value();
    const QByteArray received = receivedOnceClosed(bench.clock);
    QVERIFY2(received.size() <= 3 * (answered + 1), qPrintable(received.toHex()));
}

void TestFirstContactWindow::scanIsRecordedAsItWent_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<int>("last");       // the range asked for is 0 to this
    QTest::addColumn<bool>("cancel");    // Escape once the scan has asked a few numbers
    QTest::addColumn<QString>("state");  // what the dialog says at the end (its start)
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("machines");  // the range recorded; "0-?" for any that ends before `last`
    // Found on the second ask, with the whole second: listed as slow, and usable.
    QTest::newRow("a slow terminal") << QStringList{"--bus", "7:112233:delay=150"} << 9 << false << scanSummary(1)
                                     << "ok 7:112233" << "0-9";
    QTest::newRow("the port lost mid-scan") << QStringList{"--bus", "7:112233", "--hangup-at", "10"} << 255 << false
                                            << StatusText::PortLost.toString() << "port-lost 7:112233" << "0-?";
    QTest::newRow("cancelled") << QStringList{"--silence", "all"} << 255 << true << "" << "cancelled" << "0-?";
}

void TestFirstContactWindow::scanIsRecordedAsItWent()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, last);
    QFETCH(bool, cancel);
    QFETCH(QString, state);
    QFETCH(QString, outcome);
    QFETCH(QString, machines);
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    MachineScanDialog dialog({1, bench.clock.devicePath()}, [](int) {});
    QSignalSpy finished(&dialog, &MachineScanDialog::scanFinished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.start({0, last});
    auto *progress = dialog.findChild<QProgressBar *>("scanProgress");
    if (cancel) {
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 3, 5000);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isScanning());
    } else {
        QVERIFY(finished.wait(30000));
        // The dialog says how it ended, and its Cancel button closes it now.
        QVERIFY2(dialog.findChild<QLabel *>("scanState")->text().startsWith(state),
                 qPrintable(dialog.findChild<QLabel *>("scanState")->text()));
        QCOMPARE(dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text(), "关闭");
        if (simOptions.join(u' ').contains("delay=")) {
            auto *answers = dialog.findChild<QListWidget *>("scanAnswers");
            QCOMPARE(answers->count(), 1);
            QCOMPARE(answers->item(0)->text(), "机号 7    序列号 112233    回答慢");
            QVERIFY(!answers->item(0)->toolTip().isEmpty());
            QVERIFY(answers->item(0)->flags() & Qt::ItemIsSelectable);
        }
    }
    const HistoryEntry entry = CommandHistory::read().constLast();
    QCOMPARE(entry.command, "scan");
    QCOMPARE(entry.outcome, outcome);
    if (machines == "0-?") {
        // The numbers actually asked: as far as the progress bar got, not the whole range.
        QCOMPARE(entry.machine, QStringLiteral("0-%1").arg(progress->value() - 1));
        QVERIFY(progress->value() - 1 < last);
    } else {
        QCOMPARE(entry.machine, machines);
    }
}

void TestFirstContactWindow::commandAfterScanNamesTheTerminal_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("serial");  // the settings' history entry names
    QTest::newRow("a number the scan heard") << "7" << "112233";
    QTest::newRow("a number nobody answered") << "8" << "";
}

// 设置考勤机 after 查找机号 names in the history the terminal the scan heard at that number, as the command
// line does, so the site's table joins what was sent to it.
void TestFirstContactWindow::commandAfterScanNamesTheTerminal()
{
    QFETCH(QString, address);
    QFETCH(QString, serial);
    QFile::remove(CommandHistory::filePath());
    WindowBench bench({"--bus", "7:112233"});
    QVERIFY(bench.start());
    {
        MachineScanDialog dialog({1, bench.clock.devicePath()}, [](int) {});
        QSignalSpy finished(&dialog, &MachineScanDialog::scanFinished);
        dialog.show();
        dialog.start({0, 9});
        QVERIFY(finished.wait(30000));
    }
    bench.setText("ADDRESS", address);
    QVERIFY(bench.press("Command1"));
    const HistoryEntry entry = CommandHistory::read().constLast();
    QCOMPARE(entry.command, "settings");
    QCOMPARE(entry.machine, address);
    QCOMPARE(entry.serial, serial);
}

void TestFirstContactWindow::closingMidCommandIsRecorded_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("bytesBeforeClose");
    // Each line's answer comes 150 ms late: when 是 is chosen, a line is almost always out with no answer yet.
    QTest::newRow("download, answered Yes") << QStringList{"--delay-ms", "150"} << "DOWNLOG" << int(countingLogoOnLine(18, 5).size());
    QTest::newRow("serial read waiting for its answer") << QStringList{"--silence", "all"} << "Command4" << 3;
}

void TestFirstContactWindow::closingMidCommandIsRecorded()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QString, button);
    QFETCH(int, bytesBeforeClose);
    QTemporaryDir dir;
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    QFile::remove(CommandHistory::filePath());
    auto *pressed = bench.control<QPushButton>(qPrintable(button));
    pressed->setFocus();
    QTest::keyClick(pressed, Qt::Key_Space);
    QVERIFY(bench.clock.waitForReceived(bytesBeforeClose));
    if (button == "DOWNLOG") {
        QVERIFY(!bench.form->close());
        QTRY_VERIFY(bench.form->findChild<QMessageBox *>("quitQuestion"));
        auto *question = bench.form->findChild<QMessageBox *>("quitQuestion");
        QTRY_VERIFY(question->isVisible());
        // 是, chosen with the keyboard: Yes is not the default.
        QAbstractButton *yes = question->button(QMessageBox::Yes);
        yes->setFocus();
        QTest::keyClick(yes, Qt::Key_Space);
        QTRY_VERIFY(!bench.form->isVisible());
        // The line in flight gets its answer before the history is written.
        QTRY_VERIFY_WITH_TIMEOUT(!bench.form->session().isRunning(), 5000);
    } else {
        QVERIFY(bench.form->close());
    }
    QVERIFY(!bench.form->session().isRunning());
    const QList<HistoryEntry> entries = CommandHistory::read();
    QCOMPARE(entries.size(), 1);
    const HistoryOutcome outcome = outcomeParts(entries.constFirst().outcome);
    QCOMPARE(outcome.word, "interrupted");
    if (button == "DOWNLOG") {
        // As far as the terminal confirmed: at least the lines seen before the close, never all.
        QVERIFY(outcome.linesConfirmed);
        QVERIFY2(*outcome.linesConfirmed >= 4 && *outcome.linesConfirmed < LogoLineCount, qPrintable(entries.constFirst().outcome));
        // Every line the terminal answered, the last one out included: its answers are one byte each.
        QVERIFY(bench.clock.stop());
        QCOMPARE(*outcome.linesConfirmed, int(bench.clock.transmitted().size()));
        QCOMPARE(entries.constFirst().command, "logo");
    } else {
        QVERIFY(!outcome.linesConfirmed);
        QCOMPARE(entries.constFirst().command, "read-serial");
    }
}

void TestFirstContactWindow::historyOpensFromTheKeyboard()
{
    QFile::remove(CommandHistory::filePath());
    const QDateTime now = QDateTime::currentDateTime();
    QVERIFY(!CommandHistory::append({now, "/dev/ttyUSB0", "18", "logo", "port-lost lines=18", {}, QString(64, u'a')}));
    QVERIFY(!CommandHistory::append({now, "/dev/ttyUSB0", "0-30", "scan", "cancelled 7:112233 late:8:445566"}));
    PortDirectory ports;
    Form1 form(ports);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_H, Qt::ControlModifier);
    QTRY_VERIFY(form.findChild<QDialog *>("history"));
    auto *dialog = form.findChild<QDialog *>("history");
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    auto *text = dialog->findChild<QPlainTextEdit *>("historyText");
    // The window's words, not the file's.
    const QStringList lines = text->toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).contains(QStringLiteral("下载OEM_LOGO图片  串口已断开，考勤机确认了 18 行")), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1).contains(QStringLiteral("查找机号  已取消，机号 7 序列号 112233，机号 8 回答太迟（序列号 445566）")),
             qPrintable(lines.at(1)));
    QVERIFY(!text->toPlainText().contains(QStringLiteral("port-lost")));
    // It opens at the newest line with the time in view, however long the lines.
    QCOMPARE(text->horizontalScrollBar()->value(), 0);
    QCOMPARE(text->textCursor().blockNumber(), 1);
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!form.findChild<QDialog *>("history"));
}

void TestFirstContactWindow::renumberOnSharedLineAsksFirst_data()
{
    QTest::addColumn<int>("terminalsFound");
    QTest::addColumn<bool>("storeUsable");  // the settings store can be read and written
    QTest::addColumn<int>("answer");        // 0: no question expected
    QTest::addColumn<bool>("sent");
    QTest::addColumn<bool>("everyNumber");  // the scan asked every number
    QTest::newRow("one terminal: no question") << 1 << true << 0 << true << true;
    QTest::newRow("two terminals, No") << 2 << true << int(QMessageBox::No) << false << true;
    QTest::newRow("two terminals, Yes") << 2 << true << int(QMessageBox::Yes) << true << true;
    // What a scan found cannot be known: the line counts as shared.
    QTest::newRow("store cannot be written, No") << 1 << false << int(QMessageBox::No) << false << true;
    QTest::newRow("store cannot be written, Yes") << 1 << false << int(QMessageBox::Yes) << true << true;
    // A scan stopped early (or of part of the numbers) knows of one terminal; the rest of the line is unknown.
    QTest::newRow("one found by a scan stopped early, No") << 1 << true << int(QMessageBox::No) << false << false;
    QTest::newRow("none found by a scan stopped early, Yes") << 0 << true << int(QMessageBox::Yes) << true << false;
}

void TestFirstContactWindow::renumberOnSharedLineAsksFirst()
{
    QFETCH(int, terminalsFound);
    QFETCH(bool, storeUsable);
    QFETCH(int, answer);
    QFETCH(bool, sent);
    QFETCH(bool, everyNumber);
    RememberedChoices::forgetAll();
    WindowBench bench;
    QVERIFY(bench.start());
    RememberedChoices().noteTerminalsFound(LineIdentity::of(bench.clock.devicePath()), terminalsFound, everyNumber);
    // The store moved under a plain file: it can be neither read nor written.
    QTemporaryDir dir;
    const QString storePath = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const auto restore = qScopeGuard([&storePath] { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, storePath); });
    if (!storeUsable) {
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("plain/config"));
    }
    bench.form->show();
    bench.setText("ADDRESS", "5");
    bench.control<QPushButton>("Cmd2")->click();
    if (answer != 0) {
        QTRY_VERIFY(bench.form->findChild<QMessageBox *>("sharedLineQuestion"));
        auto *question = bench.form->findChild<QMessageBox *>("sharedLineQuestion");
        QVERIFY(question->text().contains(storeUsable ? sharedLineWarning(everyNumber ? terminalsFound : PartScan + terminalsFound)
                                                      : QString("记住的设置无法读写")));
        question->button(QMessageBox::StandardButton(answer))->click();
    }
    if (sent) {
        QVERIFY(bench.clock.waitForReceived(6));
        QCOMPARE(bench.clock.received(), QByteArray::fromHex("630507050000"));
    } else {
        // The answer is given and no command started: the line was never opened.
        QTRY_VERIFY(!bench.form->findChild<QMessageBox *>("sharedLineQuestion"));
        QCOMPARE(bench.status(), "没有改号");  // the answer's own words, not the last command's
        QVERIFY(bench.idle());
        QCOMPARE(receivedOnceClosed(bench.clock), QByteArray());
    }
    QTRY_VERIFY_WITH_TIMEOUT(bench.idle(), 5000);
}

// The window's port reaches a serial server by another spelling than the scan's: the same line, so it asks.
void TestFirstContactWindow::renumberOnServerPortScannedUnderAnotherSpelling()
{
    RememberedChoices::forgetAll();
    const quint16 nobody = SerialServer::freePort();
    RememberedChoices().noteTerminalsFound(LineIdentity::of(QStringLiteral("tcp://127.0.0.1:%1").arg(nobody)), 2, true);
    PortDirectory ports;
    ports.mapPort(7, QStringLiteral("SOCKET://LOCALHOST:%1/").arg(nobody));
    Form1 form(ports);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.findChild<QLineEdit *>("COM1")->setText("7");
    form.findChild<QLineEdit *>("ADDRESS")->setText("5");
    form.findChild<QPushButton *>("Cmd2")->click();
    QTRY_VERIFY(form.findChild<QMessageBox *>("sharedLineQuestion"));
    auto *question = form.findChild<QMessageBox *>("sharedLineQuestion");
    QVERIFY2(question->text().contains(sharedLineWarning(2)), qPrintable(question->text()));
    question->button(QMessageBox::No)->click();
    QTRY_COMPARE(form.findChild<QLabel *>("HELP1")->text(), "没有改号");
}

void TestFirstContactWindow::choicesAreRememberedBetweenRuns()
{
    RememberedChoices::forgetAll();
    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    {
        WindowBench bench;
        QVERIFY(bench.start());
        bench.form->restoreRememberedChoices();
        // A first run starts as the window always has.
        QCOMPARE(bench.control<QLineEdit>("COM1")->text(), "1");
        bench.chooseLogoFile(logo);
        QTest::mouseClick(bench.control<QCheckBox>("invertCheck"), Qt::LeftButton);
        bench.setText("ADDRESS", "30");
        QVERIFY(bench.press("DOWNLOG", 20000));
        // Written the moment the command used them: a run that is killed now keeps them.
        QCOMPARE(RememberedChoices().logoFile(), logo);
        QVERIFY(RememberedChoices().logoInverted());
        bench.setText("COM1", "4");
        QVERIFY(bench.press("Command4"));
        QCOMPARE(RememberedChoices().portNumber(), 4);
    }
    PortDirectory ports;
    Form1 next(ports);
    next.restoreRememberedChoices();
    QCOMPARE(next.findChild<QLineEdit *>("COM1")->text(), "4");
    QCOMPARE(next.LogoFilePath(), logo);
    QVERIFY(logoInverted(next));
    // The machine number is never carried over.
    QCOMPARE(next.findChild<QLineEdit *>("ADDRESS")->text(), "18");

    RememberedChoices::forgetAll();
    Form1 reset(ports);
    reset.restoreRememberedChoices();
    QCOMPARE(reset.findChild<QLineEdit *>("COM1")->text(), "1");
    QVERIFY(!logoInverted(reset));
}

void TestFirstContactWindow::textLogoIsRemembered()
{
    RememberedChoices::forgetAll();
    const LogoTextOptions typed{.text = QStringLiteral("欢迎光临"), .family = defaultLogoFontFamily(), .pointSize = 14,
                                .bold = true, .alignment = Qt::AlignLeft};
    {
        WindowBench bench;
        QVERIFY(bench.start());
        bench.form->restoreRememberedChoices();
        QTest::mouseClick(bench.control<QPushButton>("textButton"), Qt::LeftButton);
        auto *dialog = bench.form->findChild<LogoTextDialog *>(QStringLiteral("logoTextDialog"));
        QVERIFY(dialog);
        dialog->setOptions(typed);
        dialog->accept();
        QTest::mouseClick(bench.control<QCheckBox>("invertCheck"), Qt::LeftButton);
        QVERIFY(bench.press("DOWNLOG", 20000));
        QCOMPARE(RememberedChoices().logoText().value(QStringLiteral("text")).toString(), typed.text);
        // The history says what was sent, in the command line's words: the text, and the picture's hash.
        const HistoryEntry sent = CommandHistory::read().constLast();
        QCOMPARE(sent.command, "logo");
        QCOMPARE(sent.logoSource, "text:" + typed.text);
        QCOMPARE(sent.logoHash, QCryptographicHash::hash(logoBytesFromText(typed, true), QCryptographicHash::Sha256).toHex());
    }
    PortDirectory ports;
    Form1 next(ports);
    next.restoreRememberedChoices();
    QCOMPARE(next.logoTextOptions(), typed);
    const QImage shown = next.findChild<LogoPreview *>()->picture();
    QCOMPARE(logoBytesFromPicture(shown).value_or(QByteArray()), logoBytesFromText(typed, true));

    // A file chosen and sent afterwards replaces the text as what is remembered.
    RememberedChoices().setLogoText({});
    Form1 afterFile(ports);
    afterFile.restoreRememberedChoices();
    QVERIFY(afterFile.logoTextOptions().text.isEmpty());
    RememberedChoices::forgetAll();
}

QTEST_MAIN(TestFirstContactWindow)
#include "tst_first_contact_window.moc"
