#include "command_history.h"
#include "logo_text_dialog.h"
#include "status_line.h"
#include "status_messages.h"
#include "window_bench.h"

#include <QApplication>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTranslator>

#include <memory>

// What the window does so that a slip of the operator never reaches the terminal, and what its status line
// shows: every move made with real key and mouse events.
class TestWindowGuards : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pictureStaysDuringDownload_data();
    void pictureStaysDuringDownload();
    void serialNumberComesFromOperatorOrTerminal_data();
    void serialNumberComesFromOperatorOrTerminal();
    void serialNumberReadElsewhereAsksFirst_data();
    void serialNumberReadElsewhereAsksFirst();
    void serialNumberFollowsTheTerminal_data();
    void serialNumberFollowsTheTerminal();
    void onlyTheDelayInUseIsOpen_data();
    void onlyTheDelayInUseIsOpen();
    void statusLineKeepsWhatMatters_data();
    void statusLineKeepsWhatMatters();
    void longMessagesWrapBeforeShrinking_data();
    void longMessagesWrapBeforeShrinking();
    void toolTipsWrapAtBlanks_data();
    void toolTipsWrapAtBlanks();
    void altKeysTypeNothingInTheTextDialog();
    void fileDialogLeavesNothingBehind();
    void closedDialogsSaySo_data();
    void closedDialogsSaySo();
    void failedReplySaysWhichFailure_data();
    void failedReplySaysWhichFailure();

private:
    void speak(const QString &language);
    std::unique_ptr<QTranslator> m_english;
};

namespace {
LogoPreview *previewOf(WindowBench &bench)
{
    return bench.control<LogoPreview>("logoPreview");
}

// The menu key as the window system delivers it: a context menu event for the focused control.
QMenu *openPreviewMenu(WindowBench &bench)
{
    LogoPreview *preview = previewOf(bench);
    QTest::mouseClick(preview, Qt::LeftButton); // the preview takes the focus
    const QPoint centre = preview->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, centre, preview->mapToGlobal(centre));
    QApplication::sendEvent(preview, &event);
    // A menu closed before may not have been deleted yet: the open one is the visible one.
    for (QMenu *menu : preview->findChildren<QMenu *>())
        if (menu->isVisible())
            return menu;
    return nullptr;
}

// The last column of the label with dark ink, or -1.
int lastInkColumn(QLabel *label)
{
    const QImage image = label->grab().toImage();
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) < 128)
                return x;
    return -1;
}
} // namespace

void TestWindowGuards::init()
{
    // What this PC wrote before is part of what 写序列号 asks about: each case starts with none.
    QFile::remove(CommandHistory::filePath());
}

void TestWindowGuards::cleanup()
{
    m_english.reset(); // back to the Chinese source texts
}

void TestWindowGuards::speak(const QString &language)
{
    if (language != u"en")
        return;
    m_english = std::make_unique<QTranslator>();
    QVERIFY(m_english->load(QStringLiteral(":/translations/timeclock-setup_en.qm")));
    QCoreApplication::installTranslator(m_english.get());
}

void TestWindowGuards::pictureStaysDuringDownload_data()
{
    QTest::addColumn<QString>("move");
    QTest::newRow("打开文件 clicked") << "click OpenFile";
    QTest::newRow("打开文件 by Space") << "Space on OpenFile";
    QTest::newRow("反色 from the preview's menu") << "invert";
}

void TestWindowGuards::pictureStaysDuringDownload()
{
    QFETCH(QString, move);
    QTemporaryDir dir;
    WindowBench bench({"--delay-ms", "60"}); // a slow terminal: the download takes about two seconds
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    const QImage sent = previewOf(bench)->picture();
    auto *openFile = bench.control<QPushButton>("OpenFile");
    auto *fileDialog = bench.form->findChild<QFileDialog *>("fileOpen");

    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    QTest::mouseClick(bench.control<QPushButton>("DOWNLOG"), Qt::LeftButton);
    QVERIFY(bench.clock.waitForReceived(2 * 21)); // two lines are out: the download runs
    QVERIFY(!openFile->isEnabled());
    if (move == "click OpenFile") {
        QTest::mouseClick(openFile, Qt::LeftButton);
    } else if (move == "Space on OpenFile") {
        openFile->setFocus();
        QTest::keyClick(openFile, Qt::Key_Space);
        QTest::keyClick(openFile, Qt::Key_Return);
    } else {
        QMenu *menu = openPreviewMenu(bench);
        QVERIFY(menu);
        QVERIFY(!menu->actions().at(0)->isEnabled()); // 反色
        QVERIFY(!menu->actions().at(1)->isEnabled()); // 抖动
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTest::keyClick(menu, Qt::Key_Escape);
    }
    QVERIFY(!fileDialog->isVisible());
    QCOMPARE(bench.status(), StatusText::Downloading);
    QCOMPARE(previewOf(bench)->picture(), sent);

    QVERIFY(!finished.isEmpty() || finished.wait(20000));
    QCOMPARE(bench.status(), StatusText::DownloadComplete);
    QCOMPARE(previewOf(bench)->picture(), sent);
    QCOMPARE(bench.clock.received(), countingLogoOnLine(18, LogoLineCount));
    // Afterwards everything is offered again.
    QVERIFY(openFile->isEnabled());
    QMenu *menu = openPreviewMenu(bench);
    QVERIFY(menu);
    QVERIFY(menu->actions().at(0)->isEnabled());
    QTest::keyClick(menu, Qt::Key_Escape);
}

void TestWindowGuards::serialNumberComesFromOperatorOrTerminal_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("onLine");
    QTest::addColumn<QByteArray>("serialAfter");
    const QByteArray readOnLine = QByteArray::fromHex("12021f");
    const QString ok = StatusText::SettingSucceeded.toString();
    QTest::newRow("placeholder, one Tab too far after 读序列号")
        << "tab" << StatusText::SerialNumberFirst.toString() << QByteArray() << QByteArray::fromHex("0a1b2c");
    QTest::newRow("placeholder, 写序列号 clicked") << "click" << StatusText::SerialNumberFirst.toString()
                                                   << QByteArray() << QByteArray::fromHex("0a1b2c");
    // 写序列号 reads the terminal's own number (12 02 1F) before it writes.
    QTest::newRow("000000 typed") << "type 000000" << ok << readOnLine + QByteArray::fromHex("12050f000000")
                                  << QByteArray::fromHex("000000");
    QTest::newRow("pasted") << "paste 123abc" << ok << readOnLine + QByteArray::fromHex("12050f123abc")
                            << QByteArray::fromHex("123abc");
    // The box takes a paste whole: blanks around are dropped when it is read, a number too long is refused.
    QTest::newRow("pasted with blanks around") << "paste  123abc " << ok << readOnLine + QByteArray::fromHex("12050f123abc")
                                               << QByteArray::fromHex("123abc");
    QTest::newRow("pasted eight digits") << "paste 0A1B2C3D" << StatusText::BadSerialNumber.toString() + "（“0A1B2C3D”）"
                                         << QByteArray() << QByteArray::fromHex("0a1b2c");
    QTest::newRow("seven digits typed") << "type 1234567" << StatusText::BadSerialNumber.toString() + "（“1234567”）"
                                        << QByteArray() << QByteArray::fromHex("0a1b2c");
    QTest::newRow("read from the terminal")
        << "read" << ok << readOnLine + readOnLine + QByteArray::fromHex("12050f0a1b2c") << QByteArray::fromHex("0a1b2c");
}

void TestWindowGuards::serialNumberComesFromOperatorOrTerminal()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    QFETCH(QByteArray, onLine);
    QFETCH(QByteArray, serialAfter);
    WindowBench bench({"--serial", "0a1b2c"});
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    auto *readButton = bench.control<QPushButton>("Command4");
    auto *writeButton = bench.control<QPushButton>("Command5");
    auto *serialBox = bench.control<QLineEdit>("xlh");
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);

    if (how == "tab") {
        readButton->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), writeButton);
        QTest::keyClick(writeButton, Qt::Key_Space);
    } else if (how == "click") {
        QTest::mouseClick(writeButton, Qt::LeftButton);
    } else if (how.startsWith("type ") || how.startsWith("paste ")) {
        const QString text = how.mid(how.indexOf(u' ') + 1);
        QTest::mouseClick(serialBox, Qt::LeftButton);
        QTest::keyClick(serialBox, Qt::Key_A, Qt::ControlModifier);
        if (how.startsWith("type ")) {
            QTest::keyClicks(serialBox, text);
        } else {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(serialBox, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(serialBox->text(), text);
        QTest::mouseClick(writeButton, Qt::LeftButton);
    } else {
        QTest::mouseClick(readButton, Qt::LeftButton);
        QVERIFY(!finished.isEmpty() || finished.wait(5000));
        QCOMPARE(serialBox->text(), "0A1B2C");
        finished.clear();
        QTest::mouseClick(writeButton, Qt::LeftButton);
    }
    if (!onLine.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() >= 2, 5000);  // the read, then the write
        QTRY_VERIFY(!bench.form->session().isRunning());
    }
    QCOMPARE(bench.status(), message);
    QCOMPARE(bench.clock.received().toHex(' '), onLine.toHex(' '));
    QVERIFY(bench.idle());
    QVERIFY(bench.clock.stop());
    QCOMPARE(bench.clock.serial().toHex(), serialAfter.toHex());
}

void TestWindowGuards::serialNumberReadElsewhereAsksFirst_data()
{
    QTest::addColumn<QStringList>("changes");  // "BOX=text", typed in order after 读序列号 at port 1, number 18
    QTest::addColumn<QString>("answer");       // to the question: "Return" (the default), "Escape", "是"
    QTest::addColumn<QString>("question");     // empty: written without one
    QTest::addColumn<QByteArray>("written");   // on the line after the read
    QTest::addColumn<QString>("status");

    const QString ok = StatusText::SettingSucceeded.toString();
    const QString declined = "没有写入序列号 0A1B2C（这台考勤机的序列号仍是 0D0E0F）";
    const QString askedAt19 = "序列号 0A1B2C 是从 1 号串口、18 号机的考勤机读出的，这台考勤机（1 号串口、19 号机）的序列号却是 "
                              "0D0E0F：两台考勤机会有同一个序列号。仍然写入吗？";
    // 写序列号 reads the terminal's own number first: 13 02 1F at 19, 12 02 1F at 18.
    QTest::newRow("机号 changed, Enter: 否") << QStringList{"ADDRESS=19"} << "Return" << askedAt19
                                           << QByteArray::fromHex("13021f") << declined;
    QTest::newRow("机号 changed, 是") << QStringList{"ADDRESS=19"} << "是" << askedAt19
                                     << QByteArray::fromHex("13021f13050f0a1b2c") << ok;
    QTest::newRow("机号 changed, Escape: 否") << QStringList{"ADDRESS=19"} << "Escape" << askedAt19
                                             << QByteArray::fromHex("13021f") << declined;
    QTest::newRow("串口 retyped as 01") << QStringList{"COM1=01"} << "" << ""
                                        << QByteArray::fromHex("12021f12050f0a1b2c") << ok;
    QTest::newRow("机号 changed and back") << QStringList{"ADDRESS=19", "ADDRESS=18"} << "" << ""
                                           << QByteArray::fromHex("12021f12050f0a1b2c") << ok;
    // Typed, and never written by this PC: the operator's own number for this terminal.
    QTest::newRow("number typed over after the read")
        << QStringList{"ADDRESS=19", "xlh=0A1B2C"} << "" << "" << QByteArray::fromHex("13021f13050f0a1b2c") << ok;
}

void TestWindowGuards::serialNumberReadElsewhereAsksFirst()
{
    QFETCH(QStringList, changes);
    QFETCH(QString, answer);
    QFETCH(QString, question);
    QFETCH(QByteArray, written);
    QFETCH(QString, status);
    // Two terminals on port 1's line, each with its own serial number.
    WindowBench bench({"--bus", "18:0A1B2C,19:0D0E0F"});
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    QVERIFY(bench.press("Command4"));
    QCOMPARE(bench.control<QLineEdit>("xlh")->text(), "0A1B2C");
    const QByteArray readOnLine = QByteArray::fromHex("12021f");
    QCOMPARE(bench.clock.received(), readOnLine);

    for (const QString &change : std::as_const(changes)) {
        auto *box = bench.control<QLineEdit>(qPrintable(change.section(u'=', 0, 0)));
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, change.section(u'=', 1));
    }
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    QTest::mouseClick(bench.control<QPushButton>("Command5"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(finished.size() >= 1, 5000);  // the terminal's own number, read
    auto *asked = bench.form->findChild<QMessageBox *>("serialNumberSourceQuestion");
    if (question.isEmpty()) {
        QVERIFY(!asked);
    } else {
        QVERIFY(asked);
        QTRY_VERIFY(asked->isVisible());
        QCOMPARE(asked->text(), question);
        QCOMPARE(asked->defaultButton(), asked->button(QMessageBox::No));
        QVERIFY(!bench.form->session().isRunning());  // nothing goes out while it asks
        if (answer == u"是")
            QTest::mouseClick(asked->button(QMessageBox::Yes), Qt::LeftButton);
        else
            QTest::keyClick(asked, answer == u"Escape" ? Qt::Key_Escape : Qt::Key_Return);
    }
    if (written.size() > 3)
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 5000);
    QCOMPARE(bench.status(), status);
    QCOMPARE(bench.clock.received().toHex(' '), (readOnLine + written).toHex(' '));
    QVERIFY(bench.idle());
}

void TestWindowGuards::serialNumberFollowsTheTerminal_data()
{
    // The operator's moves, in order: "read" (读序列号), "type HEX" (into the serial box), "write" (写序列号),
    // "swap N" (terminal N on the port instead), "answer Return|是" (to the question now up), "status TEXT"
    // (the status line holds TEXT).
    QTest::addColumn<QList<QStringList>>("terminals");  // each terminal's simulator options, all at 18
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("question");  // "objectName: part of its text"; empty: none asked at the end
    QTest::addColumn<QByteArray>("received");  // by the terminal on the port at the end
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("serial");  // the terminal's at the end

    const QStringList a{"--serial", "0a00c2"};
    const QStringList b{"--serial", "001e05"};
    const QByteArray read = QByteArray::fromHex("12021f");
    const QString ok = StatusText::SettingSucceeded.toString();
    QTest::newRow("read, swapped, written: Enter is 否")
        << QList<QStringList>{a, b} << QStringList{"read", "swap 1", "write", "answer Return"}
        << "serialNumberSourceQuestion: 序列号 0A00C2 是从 1 号串口、18 号机的考勤机读出的，这台考勤机（1 号串口、18 号机）的序列号却是 001E05"
        << read << "没有写入序列号 0A00C2（这台考勤机的序列号仍是 001E05）" << QByteArray::fromHex("001e05");
    QTest::newRow("read, swapped, written: 是")
        << QList<QStringList>{a, b} << QStringList{"read", "swap 1", "write", "answer 是"}
        << "" << read + QByteArray::fromHex("12050f0a00c2") << ok << QByteArray::fromHex("0a00c2");
    QTest::newRow("typed and written, swapped, the read fails, written: 否")
        << QList<QStringList>{a, b + QStringList{"--silence", "0"}}
        << QStringList{"type 0B0001", "write", "status " + ok, "swap 1", "read",
                       "status 序列号框里的 0B0001 不是从这台考勤机读出的", "write", "answer Return"}
        << "serialNumberWrittenQuestion: 序列号 0B0001 已在 " << read + read
        << "没有写入序列号 0B0001（这台考勤机的序列号仍是 001E05）" << QByteArray::fromHex("001e05");
    QTest::newRow("own number written again: no question")
        << QList<QStringList>{a} << QStringList{"read", "write"} << "" << read + read + QByteArray::fromHex("12050f0a00c2")
        << ok << QByteArray::fromHex("0a00c2");
    QTest::newRow("typed number written twice to one terminal: no question")
        << QList<QStringList>{a} << QStringList{"type 0B0001", "write", "write"} << ""
        << read + QByteArray::fromHex("12050f0b0001") + read + QByteArray::fromHex("12050f0b0001") << ok
        << QByteArray::fromHex("0b0001");
    // A number pasted from a spreadsheet cell comes with its line break; what is written is the number.
    QTest::newRow("pasted with a line break")
        << QList<QStringList>{a} << QStringList{"type  0b0001\r\n", "write"} << ""
        << read + QByteArray::fromHex("12050f0b0001") << ok << QByteArray::fromHex("0b0001");
}

void TestWindowGuards::serialNumberFollowsTheTerminal()
{
    QFETCH(QList<QStringList>, terminals);
    QFETCH(QStringList, moves);
    QFETCH(QString, question);
    QFETCH(QByteArray, received);
    QFETCH(QString, status);
    QFETCH(QByteArray, serial);
    SwappedTerminals port(terminals);
    int onLine = 0;
    QVERIFY(port.putOn(onLine));
    PortDirectory ports;
    ports.mapPort(1, port.port());
    Form1 form(ports);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *serialBox = form.findChild<QLineEdit *>("xlh");
    QSignalSpy finished(&form.session(), &CommandSession::finished);
    for (const QString &move : std::as_const(moves)) {
        const QString word = move.section(u' ', 0, 0);
        const QString rest = move.section(u' ', 1);
        if (word == u"read" || word == u"write") {
            const qsizetype before = finished.size();
            QTest::mouseClick(form.findChild<QPushButton *>(word == u"read" ? "Command4" : "Command5"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(finished.size() > before, 5000);
            // A write goes on after the read unless a question is up.
            if (word == u"write" && !form.findChild<QMessageBox *>())
                QTRY_VERIFY_WITH_TIMEOUT(finished.size() > before + 1, 5000);
        } else if (word == u"type") {
            serialBox->selectAll();
            serialBox->insert(rest);  // as pasted
            emit serialBox->textEdited(serialBox->text());
        } else if (word == u"swap") {
            onLine = rest.toInt();
            QVERIFY(port.putOn(onLine));
        } else if (word == u"answer") {
            auto *asked = form.findChild<QMessageBox *>();
            QVERIFY(asked);
            QTRY_VERIFY(asked->isVisible());
            if (!question.isEmpty()) {
                QCOMPARE(asked->objectName(), question.section(QStringLiteral(": "), 0, 0));
                QVERIFY2(asked->text().startsWith(question.section(QStringLiteral(": "), 1)), qPrintable(asked->text()));
            }
            QCOMPARE(asked->defaultButton(), asked->button(QMessageBox::No));
            QVERIFY(!form.session().isRunning());  // nothing goes out while it asks
            const qsizetype before = finished.size();
            if (rest == u"是") {
                QTest::mouseClick(asked->button(QMessageBox::Yes), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(finished.size() > before, 5000);
            } else {
                QTest::keyClick(asked, Qt::Key_Return);
            }
        } else if (word == u"status") {
            QVERIFY2(form.findChild<QLabel *>("HELP1")->text().contains(rest),
                     qPrintable(form.findChild<QLabel *>("HELP1")->text()));
        }
    }
    QCOMPARE(form.findChild<QLabel *>("HELP1")->text(), status);
    QTRY_VERIFY(!form.session().isRunning());
    SimulatedTimeClock &last = port.terminal(onLine);
    QCOMPARE(last.received().toHex(' '), received.toHex(' '));
    QVERIFY(last.stop());
    QCOMPARE(last.serial().toHex(), serial.toHex());
}

void TestWindowGuards::onlyTheDelayInUseIsOpen_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<bool>("unlockDelay");  // 开锁延时 in use, else 打卡延时
    QTest::addColumn<QByteArray>("onLine"); // with 打卡延时 7 and 开锁延时 5
    QTest::newRow("bell mode") << QStringList() << false << QByteArray::fromHex("120520000700");
    QTest::newRow("bell mode, picture ticked")
        << QStringList{"oem_log"} << true << QByteArray::fromHex("120520020500");
    QTest::newRow("door mode") << QStringList{"mkmode"} << true << QByteArray::fromHex("120520010500");
    QTest::newRow("door mode, then bell again")
        << QStringList{"mkmode", "mlmode"} << false << QByteArray::fromHex("120520000700");
    QTest::newRow("picture ticked and unticked")
        << QStringList{"oem_log", "oem_log"} << false << QByteArray::fromHex("120520000700");
}

void TestWindowGuards::onlyTheDelayInUseIsOpen()
{
    QFETCH(QStringList, clicks);
    QFETCH(bool, unlockDelay);
    QFETCH(QByteArray, onLine);
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    auto *clockInDelay = bench.control<QLineEdit>("dkys");
    auto *unlockDelayBox = bench.control<QLineEdit>("D_Timer");
    bench.setText("dkys", "7");
    bench.setText("D_Timer", "5");
    for (const QString &name : clicks) {
        auto *choice = bench.control<QAbstractButton>(qPrintable(name));
        QTest::mouseClick(choice, Qt::LeftButton, {}, QPoint(6, choice->height() / 2));
    }
    // At once, without any command pressed.
    QCOMPARE(unlockDelayBox->isEnabled(), unlockDelay);
    QCOMPARE(clockInDelay->isEnabled(), !unlockDelay);
    // The box not in use takes no keys.
    QLineEdit *unused = unlockDelay ? clockInDelay : unlockDelayBox;
    QTest::mouseClick(unused, Qt::LeftButton);
    QTest::keyClicks(unused, "9");
    QCOMPARE(unused->text(), unlockDelay ? "7" : "5");

    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    QTest::mouseClick(bench.control<QPushButton>("Command1"), Qt::LeftButton);
    QVERIFY(!finished.isEmpty() || finished.wait(5000));
    QCOMPARE(bench.status(), StatusText::SettingSucceeded);
    QCOMPARE(bench.clock.received().left(6).toHex(' '), onLine.toHex(' '));
}

void TestWindowGuards::statusLineKeepsWhatMatters_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("kept"); // parts that must show whole
    const QString longPath =
        QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial_Converter_A50285BI-if00-port0");
    QTest::newRow("zh, long device path")
        << "zh" << longPath << "1" << QStringList{"串口打开失败！（无此串口：/dev/", "-port0）"};
    QTest::newRow("en, long device path")
        << "en" << longPath << "1" << QStringList{"Cannot open the port (not found: /dev/", "-port0)."};
    QTest::newRow("zh, port reaching no device") << "zh"
                                                 << ""
                                                 << "5" << QStringList{"串口打开失败！（无此串口：5号", "）"};
    QTest::newRow("en, port reaching no device")
        << "en"
        << ""
        << "5" << QStringList{"Cannot open the port (not found: port 5", ")."};
    QTest::newRow("en, port 255 reaching no device")
        << "en"
        << ""
        << "255" << QStringList{"Cannot open the port (not found: port 255", ")."};
}

void TestWindowGuards::statusLineKeepsWhatMatters()
{
    QFETCH(QString, language);
    QFETCH(QString, device);
    QFETCH(QString, port);
    QFETCH(QStringList, kept);
    speak(language);
    PortDirectory ports;
    if (!device.isEmpty())
        ports.mapPort(port.toShort(), device);
    Form1 form(ports);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *portBox = form.findChild<QLineEdit *>("COM1");
    QTest::mouseClick(portBox, Qt::LeftButton);
    QTest::keyClick(portBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(portBox, port);
    QTest::mouseClick(form.findChild<QPushButton *>("Cmd2"), Qt::LeftButton);
    // A local port opens on a thread of its own: the failure is shown once the open is reported back.
    QTRY_VERIFY_WITH_TIMEOUT(!form.session().isRunning(), 10000);

    auto *help = form.findChild<QLabel *>("HELP1");
    const QString whole = help->text();
    const QString shown = form.shownStatus();
    // A second line may begin where a blank was.
    for (const QString &part : kept)
        QVERIFY2(QString(shown).replace(u'\n', u' ').contains(part), qPrintable(shown));
    const FittedStatus fitted = fitStatusText(whole, help->font(), help->contentsRect().width(), help->contentsRect().height());
    QCOMPARE(fitted.text, shown);
    for (const QString &line : shown.split(u'\n'))
        QVERIFY2(QFontMetrics(fitted.font).horizontalAdvance(line) <= help->contentsRect().width(), qPrintable(shown));
    // Drawn whole: no ink at the box's right edge, where a cut text would run into it.
    const int lastInk = lastInkColumn(help);
    QVERIFY2(lastInk >= 0 && lastInk < help->width() - 2, qPrintable(QString::number(lastInk)));
    // The tooltip keeps the whole text.
    QTextDocument tip;
    tip.setHtml(help->toolTip());
    QVERIFY2(tip.toPlainText().contains(whole), qPrintable(help->toolTip()));
}

void TestWindowGuards::longMessagesWrapBeforeShrinking_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("lines");
    QTest::newRow("fits one line") << "Serial number 0A00C2 not written" << 1;
    QTest::newRow("English, long") << "Serial number 0A00C2 not written (this terminal still holds 001E05)" << 2;
    QTest::newRow("Chinese, long") << "没有写入序列号 0A00C2（这台考勤机的序列号仍是 001E05），请先读出序列号" << 2;
}

// A message too long for one line keeps the status line's letters and takes a second line.
void TestWindowGuards::longMessagesWrapBeforeShrinking()
{
    QFETCH(QString, message);
    QFETCH(int, lines);
    Form1 form;
    auto *help = form.findChild<QLabel *>("HELP1");
    const QRect room = help->contentsRect();
    const FittedStatus fitted = fitStatusText(message, help->font(), room.width(), room.height());
    QCOMPARE(fitted.font.pointSizeF(), help->font().pointSizeF());
    QCOMPARE(fitted.text.split(u'\n').size(), lines);
    QCOMPARE(fitted.text.split(u'\n').join(QString()).remove(u' '), QString(message).remove(u' '));
    for (const QString &line : fitted.text.split(u'\n'))
        QVERIFY2(QFontMetrics(fitted.font).horizontalAdvance(line) <= room.width(), qPrintable(line));
    QVERIFY(lines * QFontMetrics(fitted.font).height() <= room.height());
}

void TestWindowGuards::toolTipsWrapAtBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("a port list") << "1  /dev/serial/by-id/usb-1a86_USB_Serial_Converter_A50285BI-if00-port0\n按 ↓ 选择";
    QTest::newRow("an English failure")
        << "Cannot open the port (not found: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9A5OV2L-if00-port0; "
           "available: port 1 /dev/ttyUSB0)";
}

// However narrow the tooltip is made, it breaks its lines at blanks, never inside a path.
void TestWindowGuards::toolTipsWrapAtBlanks()
{
    QFETCH(QString, text);
    QTextDocument tip;
    tip.setHtml(toolTipHtml(text));
    QCOMPARE(tip.toPlainText(), text);
    tip.setTextWidth(120);
    for (QTextBlock block = tip.begin(); block.isValid(); block = block.next()) {
        const QString blockText = block.text();
        QTextLayout *layout = block.layout();
        for (int i = 1; i < layout->lineCount(); ++i) {
            const int start = layout->lineAt(i).textStart();
            QVERIFY2(blockText.at(start - 1).isSpace(), qPrintable(blockText.left(start) + u'|' + blockText.mid(start)));
        }
    }
}

// A path typed into the file dialog and Enter: the dialog takes its name-completion list with it, and the
// first Alt key afterwards presses its button.
void TestWindowGuards::fileDialogLeavesNothingBehind()
{
    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    QFile(logo).copy(dir.filePath("logo2.txt"));
    Form1 form(PortDirectory{});
    form.findChild<QLineEdit *>("COM1")->setText("x");  // no port is opened by the key below
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *dialog = form.findChild<QFileDialog *>("fileOpen");
    QTest::keyClick(&form, Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(dialog->isVisible());
    auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
    QVERIFY(name);
    QTest::keyClicks(name, dir.filePath("logo"));
    QTRY_VERIFY(dialog->findChild<QCompleter *>() && dialog->findChild<QCompleter *>()->popup()->isVisible());
    QTest::keyClicks(name, ".txt");
    QTest::keyClick(name, Qt::Key_Return);
    QTRY_VERIFY(!dialog->isVisible());
    QCOMPARE(form.LogoFilePath(), logo);
    for (const QCompleter *completer : dialog->findChildren<QCompleter *>())
        QVERIFY(!completer->popup()->isVisible());
    // The keys go to the window again, not to the closed dialog's name box.
    QTRY_VERIFY(form.isActiveWindow());
    QVERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == &form);
    QSignalSpy pressed(form.findChild<QPushButton *>("DOWNLOG"), &QAbstractButton::clicked);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget *>(&form),
                    Qt::Key_L, Qt::AltModifier);
    QTRY_COMPARE(pressed.size(), 1);  // a button's key clicks it as a short press does
}

void TestWindowGuards::closedDialogsSaySo_data()
{
    QTest::addColumn<QString>("button");  // that opens the dialog
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("status");  // the start of the status line once it is closed with Escape
    QTest::newRow("文字…") << "textButton" << "logoTextDialog" << "图片没有改变（";
    QTest::newRow("另存为…") << "saveAsButton" << "saveLogoAsText" << "没有另存";
    QTest::newRow("打开文件") << "OpenFile" << "fileOpen" << "";  // the logo kept, named: see tst_window
}

// A dialog closed with Escape puts its own words on the status line, never the last command's.
void TestWindowGuards::closedDialogsSaySo()
{
    QFETCH(QString, button);
    QFETCH(QString, dialog);
    QFETCH(QString, status);
    QTemporaryDir dir;
    WindowBench bench;
    QVERIFY(bench.start());
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    QVERIFY(bench.press("Command4"));
    QCOMPARE(bench.status(), StatusText::CommunicationSucceeded);
    bench.control<QPushButton>(qPrintable(button))->click();
    auto *opened = bench.form->findChild<QDialog *>(dialog);
    QVERIFY(opened);
    QTRY_VERIFY(opened->isVisible());
    QTRY_VERIFY(opened->isActiveWindow());
    QTest::keyClick(opened->focusWidget() ? opened->focusWidget() : opened, Qt::Key_Escape);
    QTRY_VERIFY(!opened->isVisible());
    QVERIFY2(bench.status() != StatusText::CommunicationSucceeded.toString() && bench.status().startsWith(status),
             qPrintable(bench.status()));
}

void TestWindowGuards::altKeysTypeNothingInTheTextDialog()
{
    LogoTextDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *firstLine = dialog.findChild<QLineEdit *>("firstLine");
    QTest::keyClicks(firstLine, "AB");
    // The window's Alt+L from habit, and an Alt key no control has.
    QTest::keyClick(firstLine, Qt::Key_L, Qt::AltModifier);
    QTest::keyClick(firstLine, Qt::Key_Z, Qt::AltModifier);
    QCOMPARE(firstLine->text(), "AB");
    QTest::keyClicks(firstLine, "l");
    QCOMPARE(firstLine->text(), "ABl");
    // The dialog's own Alt keys still move to their control.
    QTest::keyClick(firstLine, Qt::Key_F, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.findChild<QWidget *>("fontFamily"));
}

void TestWindowGuards::failedReplySaysWhichFailure_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("toolTip"); // lines the tooltip holds
    QTest::newRow("zh, no answer") << "zh" << QStringList{"--silence", "all"} << "Command1"
                                   << "通讯失败！" << QStringList{"没有回答", "请检查连线、串口号和机号"};
    QTest::newRow("zh, wrong answer")
        << "zh" << QStringList{"--wrong-byte", "all"} << "Command1"
        << "通讯失败！" << QStringList{"回答错误：收到 ED", "请检查连线、串口号和机号"};
    QTest::newRow("zh, download, no answer at line 14")
        << "zh" << QStringList{"--silence", "13"} << "DOWNLOG"
        << "通讯失败！" << QStringList{"没有回答", "第14行没有完成，考勤机的图片只更新到第13行"};
    QTest::newRow("zh, download, wrong answer at line 1")
        << "zh" << QStringList{"--wrong-byte", "0"} << "DOWNLOG"
        << "通讯中断！" << QStringList{"回答错误：收到 ED", "第1行没有完成，考勤机的图片没有改变"};
    QTest::newRow("zh, download, line cut at line 8")
        << "zh" << QStringList{"--hangup-at", "7"} << "DOWNLOG"
        << "串口已断开！" << QStringList{"串口已断开！", "第8行没有完成，考勤机的图片只更新到第7行"};
    QTest::newRow("en, no answer") << "en" << QStringList{"--silence", "all"} << "Command1"
                                   << "Communication failed." << QStringList{"No answer"};
    QTest::newRow("en, download, wrong answer at line 14")
        << "en" << QStringList{"--wrong-byte", "13"} << "DOWNLOG"
        << "Download interrupted." << QStringList{"Wrong answer: received ED", "Line 14 failed"};
}

void TestWindowGuards::failedReplySaysWhichFailure()
{
    QFETCH(QString, language);
    QFETCH(QStringList, simOptions);
    QFETCH(QString, button);
    QFETCH(QString, message);
    QFETCH(QStringList, toolTip);
    speak(language);
    QTemporaryDir dir;
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(bench.form.get()));
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    QTest::mouseClick(bench.control<QPushButton>(qPrintable(button)), Qt::LeftButton);
    QVERIFY(!finished.isEmpty() || finished.wait(15000));
    QCOMPARE(bench.status(), message);
    auto *help = bench.control<QLabel>("HELP1");
    for (const QString &line : toolTip)
        QVERIFY2(help->toolTip().contains(line), qPrintable(help->toolTip()));
    // The status line shows the message whole.
    QCOMPARE(bench.form->shownStatus(), message);
    QVERIFY(QFontMetrics(help->font()).horizontalAdvance(message) <= help->contentsRect().width());
}

QTEST_MAIN(TestWindowGuards)
#include "tst_window_guards.moc"
