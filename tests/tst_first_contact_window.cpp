#include "command_history.h"
#include "logo_preview.h"
#include "logo_text.h"
#include "logo_text_dialog.h"
#include "machine_scan_dialog.h"
#include "port_list_popup.h"
#include "remembered_choices.h"
#include "window_bench.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QScopeGuard>
#include <QTest>

// The window's help with first contact, used with real key events: the port list in COM1, 查找机号 on
// ADDRESS's menu, the warning before renumbering a shared line, and what is remembered between runs.
class TestFirstContactWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void portListOpensFromTheKeyboard_data();
    void portListOpensFromTheKeyboard();
    void portToolTipListsThePorts();
    void findMachinesFromAddressMenu();
    void cancelStopsTheScan();
    void renumberOnSharedLineAsksFirst_data();
    void renumberOnSharedLineAsksFirst();
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
    QVERIFY(moveTo(menu, [](QAction *action) { return action->text() == QStringLiteral("7  ") + TestPort; }));
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_VERIFY(!activeMenu());
    QCOMPARE(box->text(), "7");
    // Still a text box: a number can be typed over the choice.
    QTest::keyClicks(box, "12");
    QCOMPARE(box->text(), "12");
}

void TestFirstContactWindow::portToolTipListsThePorts()
{
    PortDirectory ports;
    ports.mapPort(7, TestPort);
    Form1 form(ports);
    auto *box = form.findChild<QLineEdit *>("COM1");
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), box->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(box, &help);
    QVERIFY2(box->toolTip().split(u'\n').contains(QStringLiteral("7  ") + TestPort), qPrintable(box->toolTip()));
}

void TestFirstContactWindow::findMachinesFromAddressMenu()
{
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
    QTest::keyClick(answers, Qt::Key_Return);
    QTRY_VERIFY(!bench.form->findChild<MachineScanDialog *>());
    QCOMPARE(address->text(), "7");
    QVERIFY(!bench.form->session().link().isOpen());
    // What was found before the choice counts for a later renumber, and the scan is in the history.
    QCOMPARE(RememberedChoices().terminalsFound(bench.clock.devicePath()), 1);
    const HistoryEntry last = CommandHistory::read().constLast();
    QCOMPARE(last.command, "scan");
    QCOMPARE(last.outcome, "7:112233");
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
    QTest::qWait(500);
    QVERIFY2(bench.clock.received().size() <= 3 * (answered + 1), qPrintable(bench.clock.received().toHex()));
}

void TestFirstContactWindow::renumberOnSharedLineAsksFirst_data()
{
    QTest::addColumn<int>("terminalsFound");
    QTest::addColumn<bool>("storeUsable");  // the settings store can be read and written
    QTest::addColumn<int>("answer");        // 0: no question expected
    QTest::addColumn<bool>("sent");
    QTest::newRow("one terminal: no question") << 1 << true << 0 << true;
    QTest::newRow("two terminals, No") << 2 << true << int(QMessageBox::No) << false;
    QTest::newRow("two terminals, Yes") << 2 << true << int(QMessageBox::Yes) << true;
    // What a scan found cannot be known: the line counts as shared.
    QTest::newRow("store cannot be written, No") << 1 << false << int(QMessageBox::No) << false;
    QTest::newRow("store cannot be written, Yes") << 1 << false << int(QMessageBox::Yes) << true;
}

void TestFirstContactWindow::renumberOnSharedLineAsksFirst()
{
    QFETCH(int, terminalsFound);
    QFETCH(bool, storeUsable);
    QFETCH(int, answer);
    QFETCH(bool, sent);
    WindowBench bench;
    QVERIFY(bench.start());
    RememberedChoices().noteTerminalsFound(bench.clock.devicePath(), terminalsFound, true);
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
        QVERIFY(question->text().contains(storeUsable ? sharedLineWarning(terminalsFound) : QString("记住的设置无法读写")));
        question->button(QMessageBox::StandardButton(answer))->click();
    }
    if (sent) {
        QVERIFY(bench.clock.waitForReceived(6));
        QCOMPARE(bench.clock.received(), QByteArray::fromHex("630507050000"));
    } else {
        QTest::qWait(200);
        QVERIFY(bench.clock.received().isEmpty());
    }
    QTRY_VERIFY_WITH_TIMEOUT(bench.idle(), 5000);
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
