#include "status_messages.h"
#include "window_bench.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTest>

// What an operator does by habit, through real key and mouse events on the window: keys typed while a
// command runs, Enter on a button, closing mid-download, and what the status line shows meanwhile.
class TestOperatorHabits : public QObject
{
    Q_OBJECT

private slots:
    void keysDuringCommandChangeNothing_data();
    void keysDuringCommandChangeNothing();
    void closingDuringDownloadAsksFirst();
    void statusLineShowsEveryClick();
    void statusLineIsPlainText();
    void fileDialogStartsBesideCurrentLogo();
    void tabFromABoxNeverReachesRenumber_data();
    void tabFromABoxNeverReachesRenumber();

private:
    static void typeWhereTheFocusIs(QWidget *window, const QString &keys);
};

void TestOperatorHabits::typeWhereTheFocusIs(QWidget *window, const QString &keys)
{
    for (const QChar key : keys) {
        // Keys go to the focused control, or to the window itself when nothing has the focus.
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(target, key.toLatin1());
    }
}

void TestOperatorHabits::keysDuringCommandChangeNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("startKey");
    QTest::addColumn<bool>("clickIntoAddress");
    QTest::addColumn<QString>("startText");
    QTest::addColumn<QByteArray>("firstFrame");
    const QString communicating = StatusText::Communicating.toString();
    const QString downloading = StatusText::Downloading.toString();
    QTest::newRow("change number, Space") << "Cmd2" << int(Qt::Key_Space) << false << communicating
                                          << QByteArray::fromHex("630507120000");
    QTest::newRow("change number, Enter") << "Cmd2" << int(Qt::Key_Return) << false << communicating
                                          << QByteArray::fromHex("630507120000");
    QTest::newRow("settings, Space") << "Command1" << int(Qt::Key_Space) << false << communicating
                                     << QByteArray::fromHex("120520000000");
    QTest::newRow("settings, keypad Enter") << "Command1" << int(Qt::Key_Enter) << false << communicating
                                            << QByteArray::fromHex("120520000000");
    QTest::newRow("download, Space") << "DOWNLOG" << int(Qt::Key_Space) << false << downloading
                                     << countingLogoOnLine(18, 1);
    QTest::newRow("download, Enter, new number typed into ADDRESS")
        << "DOWNLOG" << int(Qt::Key_Return) << true << downloading << countingLogoOnLine(18, 1);
}

void TestOperatorHabits::keysDuringCommandChangeNothing()
{
    QFETCH(QString, button);
    QFETCH(int, startKey);
    QFETCH(bool, clickIntoAddress);
    QFETCH(QString, startText);
    QFETCH(QByteArray, firstFrame);

    QTemporaryDir dir;
    // Slow answers keep the command running while the operator types.
    WindowBench bench({"--delay-ms", "150"});
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    auto *pressed = bench.control<QPushButton>(qPrintable(button));
    pressed->setFocus();

    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    QTest::keyClick(pressed, Qt::Key(startKey));
    QVERIFY(bench.form->session().isRunning());
    QCOMPARE(bench.status(), startText);
    QVERIFY(bench.clock.waitForReceived(firstFrame.size()));

    if (clickIntoAddress) {
        // A deliberate edit: the box changes, the download does not follow it.
        auto *address = bench.control<QLineEdit>("ADDRESS");
        QTest::mouseClick(address, Qt::LeftButton);
        address->selectAll();
        QTest::keyClicks(address, "7");
        QCOMPARE(address->text(), "7");
    } else {
        // Stray keys: a second Space or Enter, digits, a Backspace.
        typeWhereTheFocusIs(bench.form.get(), QStringLiteral(" 7\r"));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : bench.form.get(), Qt::Key_Backspace);
        QCOMPARE(bench.control<QLineEdit>("ADDRESS")->text(), "18");
        QVERIFY(!bench.control<QCheckBox>("oem_log")->isChecked());
    }

    // 32 lines answered 150 ms late take 5 s; a sanitizer build on a busy machine takes several times that.
    QVERIFY(!finished.isEmpty() || finished.wait(30000));
    QCOMPARE(finished.size(), 1);
    QVERIFY(bench.clock.received().startsWith(firstFrame));
    if (button == "DOWNLOG") {
        QCOMPARE(bench.status(), StatusText::DownloadComplete);
        QCOMPARE(bench.clock.received(), countingLogoOnLine(18, LogoLineCount));
    } else {
        QCOMPARE(bench.status(), StatusText::SettingSucceeded);
        QCOMPARE(bench.clock.received(), firstFrame);
    }
    QCOMPARE(bench.control<QLineEdit>("COM1")->text(), "1");
    QVERIFY(!bench.control<QCheckBox>("oem_log")->isChecked());
    QVERIFY(bench.idle());
    QVERIFY(pressed->isEnabled());
    if (!clickIntoAddress)
        QCOMPARE(QApplication::focusWidget(), pressed);  // so the same key repeats the command
}

void TestOperatorHabits::closingDuringDownloadAsksFirst()
{
    QTemporaryDir dir;
    WindowBench bench({"--delay-ms", "20"});
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    bench.control<QPushButton>("DOWNLOG")->click();

    QVERIFY(!bench.form->close());
    auto *question = bench.form->findChild<QMessageBox *>("quitQuestion");
    QVERIFY(question);
    QTRY_VERIFY(question->isVisible());
    QCOMPARE(question->text(), StatusText::ConfirmQuitDuringDownload.toString());
    QCOMPARE(question->defaultButton(), question->button(QMessageBox::No));
    QVERIFY(bench.form->session().isRunning());

    // Enter takes the default, No: the download goes on to the end and the window stays.
    QTest::keyClick(question, Qt::Key_Return);
    QVERIFY(finished.wait(10000));
    QCOMPARE(bench.status(), StatusText::DownloadComplete);
    QCOMPARE(bench.clock.received(), countingLogoOnLine(18, LogoLineCount));
    QVERIFY(bench.form->isVisible());

    // Left up while the download ends, the question goes: there is nothing left to lose.
    bench.control<QPushButton>("DOWNLOG")->click();
    QVERIFY(!bench.form->close());
    // The question answered before may still be waiting to be deleted: this one is the one on the screen.
    const auto shownQuestion = [&bench]() -> QMessageBox * {
        for (QMessageBox *box : bench.form->findChildren<QMessageBox *>("quitQuestion"))
            if (box->isVisible())
                return box;
        return nullptr;
    };
    QTRY_VERIFY(shownQuestion());
    QPointer<QMessageBox> unanswered = shownQuestion();
    QVERIFY(finished.wait(10000));
    QTRY_VERIFY(!unanswered || !unanswered->isVisible());
    QCOMPARE(bench.status(), StatusText::DownloadComplete);
    QVERIFY(bench.form->isVisible());

    // With nothing running the window closes without asking.
    QVERIFY(bench.form->close());
}

void TestOperatorHabits::statusLineShowsEveryClick()
{
    WindowBench bench({"--silence", "all"});
    QVERIFY(bench.start());
    auto *help = bench.control<QLabel>("HELP1");
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
        bench.control<QPushButton>("Cmd2")->click();
        // The previous outcome does not stay up during the wait, so a repeated failure is seen to happen.
        QCOMPARE(bench.status(), StatusText::Communicating);
        QVERIFY(finished.wait(5000));
        QCOMPARE(bench.status(), StatusText::CommunicationFailed);
        QVERIFY2(help->toolTip().contains(StatusText::CheckTheLineHint.toString()), qPrintable(help->toolTip()));
    }
    // Other outcomes have no such hint.
    bench.setText("COM1", "0");
    bench.control<QPushButton>("Cmd2")->click();
    QVERIFY(!help->toolTip().contains(StatusText::CheckTheLineHint.toString()));
}

void TestOperatorHabits::statusLineIsPlainText()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("<b>bold"));
    const QString path = dir.filePath("<b>bold/<i>x.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    bench.chooseLogoFile(path);
    auto *help = bench.control<QLabel>("HELP1");
    QCOMPARE(help->text(), QDir::toNativeSeparators(path));
    QCOMPARE(help->textFormat(), Qt::PlainText);
    // The tooltip shows the path as it is, markup characters and all.
    QVERIFY2(help->toolTip().contains("&lt;b&gt;bold"), qPrintable(help->toolTip()));
}

void TestOperatorHabits::fileDialogStartsBesideCurrentLogo()
{
    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    auto *dialog = bench.form->findChild<QFileDialog *>("fileOpen");

    bench.control<QPushButton>("OpenFile")->click();
    QCOMPARE(QDir(dialog->directory()), QFileInfo(bench.form->LogoFilePath()).absoluteDir());
    dialog->reject();

    bench.chooseLogoFile(logo);
    bench.control<QPushButton>("OpenFile")->click();
    QCOMPARE(QDir(dialog->directory()), QDir(dir.path()));
    dialog->reject();
}

void TestOperatorHabits::tabFromABoxNeverReachesRenumber_data()
{
    QTest::addColumn<QString>("mode");  // the mode chosen first, which decides the delay box in use
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("nextStop");

    QTest::newRow("串口") << "mlmode" << "COM1" << "1" << "ADDRESS";
    QTest::newRow("机号") << "mlmode" << "ADDRESS" << "18" << "oem_log";
    QTest::newRow("打卡延时, bell mode") << "mlmode" << "dkys" << "5" << "fontj";
    QTest::newRow("开锁延时, door mode") << "mkmode" << "D_Timer" << "5" << "fontj";
    QTest::newRow("序列号") << "mlmode" << "xlh" << "0A1B2C" << "logoPreview";
}

void TestOperatorHabits::tabFromABoxNeverReachesRenumber()
{
    QFETCH(QString, mode);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, nextStop);

    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    QTest::mouseClick(bench.control<QRadioButton>(qPrintable(mode)), Qt::LeftButton);
    auto *edit = bench.control<QLineEdit>(qPrintable(box));
    QVERIFY(edit->isEnabled());
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClicks(edit, typed);

    // A number typed, Tab, Enter: the habit of a form that is filled in and sent.
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), nextStop);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!bench.form->session().isRunning());
    QVERIFY(bench.status() != StatusText::Communicating.toString());
    QVERIFY(bench.clock.stop());
    QCOMPARE(bench.clock.received(), QByteArray());
}

QTEST_MAIN(TestOperatorHabits)
#include "tst_operator_habits.moc"
