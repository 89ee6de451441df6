#include "form1.h"
#include "port_catalogue.h"
#include "status_messages.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QImageReader>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The window's behaviour without a terminal: start-up state, the small handlers, the file choice and
// the checks made before anything is sent.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void startsWithInitialContents();
    void chineseTextBoxesGetACjkFont();
    void defaultLogoPathIsBesideTheProgram();
    void oemLogClickShowsPathEveryTime();
    void fileChoiceAndCancel();
    void keyPressEnablesDownloadButton();
    void badTextsSendNothing_data();
    void badTextsSendNothing();
    void portNumbersMapToDevices();
    void numberBoxesShowThreeDigits_data();
    void numberBoxesShowThreeDigits();

private:
    template <typename T> static T *control(Form1 &form, const char *name)
    {
        T *widget = form.findChild<T *>(QLatin1String(name));
        Q_ASSERT(widget);
        return widget;
    }
};

void TestWindow::startsWithInitialContents()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(control<QLineEdit>(form, "COM1")->text(), "1");
    QCOMPARE(control<QLineEdit>(form, "ADDRESS")->text(), "18");
    QCOMPARE(control<QLineEdit>(form, "dkys")->text(), "0");
    QCOMPARE(control<QLineEdit>(form, "D_Timer")->text(), "0");
    QCOMPARE(control<QLineEdit>(form, "xlh")->text(), "000000");
    QVERIFY(control<QRadioButton>(form, "mlmode")->isChecked());
    QVERIFY(control<QRadioButton>(form, "fontj")->isChecked());
    QVERIFY(!control<QCheckBox>(form, "oem_log")->isChecked());
    QVERIFY(control<QLabel>(form, "HELP1")->text().isEmpty());
    QVERIFY(!control<QProgressBar>(form, "PBar1")->isVisible());
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(form, "DOWNLOG"));
    QCOMPARE(form.windowTitle(), "考勤机设置V6.1x");
    QCOMPARE(form.size(), QSize(336, 468));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    // Every button but 另存为…, which needs a picture: no sample logo lies beside the test.
    for (QPushButton *button : form.findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(button->isEnabled() || button->objectName() == "saveAsButton", qPrintable(button->objectName()));
}

void TestWindow::chineseTextBoxesGetACjkFont()
{
    Form1 form;
    const QFontInfo used(control<QLineEdit>(form, "ADDRESS")->font());
    QCOMPARE(control<QLineEdit>(form, "ADDRESS")->font().pointSize(), 12);
    // Whatever font stands in for 宋体, it must draw the Chinese captions.
    QVERIFY2(QFontMetrics(control<QLabel>(form, "HELP1")->font()).inFont(QChar(u'设')),
             qPrintable(used.family()));
}

void TestWindow::defaultLogoPathIsBesideTheProgram()
{
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    Form1 form;
    QDir::setCurrent(previous);
    QCOMPARE(form.LogoFilePath(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/bmp.txt"));
}

void TestWindow::oemLogClickShowsPathEveryTime()
{
    Form1 form;
    auto *oemLog = control<QCheckBox>(form, "oem_log");
    auto *help = control<QLabel>(form, "HELP1");
    oemLog->click();
    QVERIFY(oemLog->isChecked());
    QCOMPARE(help->text(), form.LogoFilePath());
    help->setText("x");
    oemLog->click();
    QVERIFY(!oemLog->isChecked());
    QCOMPARE(help->text(), form.LogoFilePath());
}

void TestWindow::fileChoiceAndCancel()
{
    QTemporaryDir dir;
    const QString chosen = dir.filePath("picture.txt");
    QFile file(chosen);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    Form1 form;
    form.show();
    const QString defaultPath = form.LogoFilePath();
    auto *help = control<QLabel>(form, "HELP1");
    auto *dialog = control<QFileDialog>(form, "fileOpen");

    // Cancelled before any choice: the default stays, and is shown.
    control<QPushButton>(form, "OpenFile")->click();
    QTRY_VERIFY(dialog->isVisible());
    // Logo text files and every picture format this Qt reads show at once; each kind alone, and everything,
    // stay as further choices.
    const QStringList filters = dialog->nameFilters();
    QCOMPARE(filters.size(), 4);
    QVERIFY2(filters.at(0).startsWith("文本文件和图片 (*.txt "), qPrintable(filters.at(0)));
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        QVERIFY2(filters.at(0).contains(" *." + QString::fromLatin1(format)), qPrintable(format));
    QVERIFY(filters.at(0).contains(" *.png") && filters.at(0).contains(" *.jpg"));
    QCOMPARE(filters.at(1), "文本文件 (*.txt)");
    QVERIFY(filters.at(2).startsWith("图片文件 (*."));
    QCOMPARE(filters.at(3), "所有文件 (*)");
    QCOMPARE(dialog->selectedNameFilter(), filters.at(0));
    dialog->reject();
    QCOMPARE(form.LogoFilePath(), defaultPath);
    QCOMPARE(help->text(), defaultPath);

    control<QPushButton>(form, "OpenFile")->click();
    QTRY_VERIFY(dialog->isVisible());
    dialog->selectFile(chosen);
    static_cast<QDialog *>(dialog)->accept();
    QCOMPARE(form.LogoFilePath(), QDir::toNativeSeparators(chosen));
    QCOMPARE(help->text(), QDir::toNativeSeparators(chosen));

    // Cancelled after a choice: the choice stays.
    help->clear();
    control<QPushButton>(form, "OpenFile")->click();
    QTRY_VERIFY(dialog->isVisible());
    dialog->reject();
    QCOMPARE(form.LogoFilePath(), QDir::toNativeSeparators(chosen));
    QCOMPARE(help->text(), QDir::toNativeSeparators(chosen));
}

void TestWindow::keyPressEnablesDownloadButton()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *download = control<QPushButton>(form, "DOWNLOG");
    QTest::keyClick(download, Qt::Key_A);
    QVERIFY(download->isEnabled());
    QVERIFY(control<QLabel>(form, "HELP1")->text().isEmpty());
}

void TestWindow::badTextsSendNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    // The value refused is quoted.
    const auto badPort = [](const QString &text) { return StatusText::BadPortNumber.toString() + "（“" + text + "”）"; };
    const auto badNumber = [](const QString &text) { return StatusText::BadMachineNumber.toString() + "（“" + text + "”）"; };
    for (const char *button : {"Cmd2", "Command1", "Command4", "Command5", "DOWNLOG"}) {
        const QString b = QLatin1String(button);
        QTest::addRow("%s COM1 letters", button) << b << "COM1" << "abc" << badPort("abc");
        QTest::addRow("%s COM1 empty", button) << b << "COM1" << "" << badPort("");
        QTest::addRow("%s COM1 1.x", button) << b << "COM1" << "1.x" << badPort("1.x");
        QTest::addRow("%s ADDRESS 256", button) << b << "ADDRESS" << "256" << badNumber("256");
        QTest::addRow("%s ADDRESS -1", button) << b << "ADDRESS" << "-1" << badNumber("-1");
        // Blanks alone: the box keeps nothing of them.
        QTest::addRow("%s ADDRESS blank", button) << b << "ADDRESS" << "  " << badNumber("");
    }
    QTest::addRow("Command1 dkys in use") << "Command1" << "dkys" << "300" << StatusText::BadDelay.toString();
    // A number that reaches no device is named as the number.
    // The ports named are the window's own, its mapping of port 1 to a device that is not there included.
    PortDirectory windowPorts;
    windowPorts.mapPort(1, QStringLiteral("/nonexistent/serial-device"));
    const QString note = availablePortsNote(windowPorts);
    QTest::addRow("port 0 reaches nothing") << "Cmd2" << "COM1" << "0" << "串口打开失败！（无此串口：0号" + note + "）";
    QTest::addRow("port 7 reaches nothing") << "Command4" << "COM1" << "７" << "串口打开失败！（无此串口：7号" + note + "）";
    QTest::addRow("serial number letter O") << "Command5" << "xlh" << "12O456" << StatusText::BadSerialNumber.toString() + "（“12O456”）";
    QTest::addRow("serial number empty") << "Command5" << "xlh" << "" << StatusText::BadSerialNumber.toString() + "（“”）";
}

void TestWindow::badTextsSendNothing()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, message);
    PortDirectory ports;
    ports.mapPort(1, QStringLiteral("/nonexistent/serial-device"));
    Form1 form(ports);
    control<QLineEdit>(form, qPrintable(box))->setText(text);
    emit control<QLineEdit>(form, qPrintable(box))->textEdited(text);  // as typed
    // The delay box not in use may hold anything.
    control<QLineEdit>(form, "D_Timer")->setText("not a number");
    control<QPushButton>(form, qPrintable(button))->click();
    QCOMPARE(control<QLabel>(form, "HELP1")->text(), message);
    QVERIFY(!form.session().isRunning());
    QVERIFY(!form.session().link().isOpen());
    QVERIFY(control<QPushButton>(form, qPrintable(button))->isEnabled());
    QVERIFY(!control<QProgressBar>(form, "PBar1")->isVisible());
}

void TestWindow::portNumbersMapToDevices()
{
    PortDirectory ports;
    ports.mapPort(1, "/dev/pts/7");
    QCOMPARE(ports.deviceFor(1), "/dev/pts/7");
    QVERIFY(ports.deviceFor(0).isEmpty());
    QVERIFY(ports.deviceFor(-3).isEmpty());
    QCOMPARE(ports.reachablePorts().value(1), "/dev/pts/7");
    int number = 0;
    QString device;
    QVERIFY(PortDirectory::parseMapping("2=/dev/ttyS1", &number, &device));
    QCOMPARE(number, 2);
    QCOMPARE(device, "/dev/ttyS1");
    QVERIFY(!PortDirectory::parseMapping("/dev/ttyS1", &number, &device));
    QVERIFY(!PortDirectory::parseMapping("x=/dev/ttyS1", &number, &device));
    QVERIFY(!PortDirectory::parseMapping("2=", &number, &device));
    QVERIFY(!PortDirectory::parseMapping(QStringLiteral("19\0\x04=COM19"), &number, &device));
    QCOMPARE(PortDirectory::orderedSystemPorts({"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0", "/dev/ttyUSB10",
                                                "/dev/ttyUSB2"}),
             QStringList({"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10"}));
}

namespace {
// Columns of the box's inside that hold dark ink.
int inkColumns(QLineEdit *box)
{
    const QImage image = box->grab().toImage();
    int columns = 0;
    for (int x = 2; x < image.width() - 2; ++x) {
        for (int y = 3; y < image.height() - 3; ++y) {
            if (qGray(image.pixel(x, y)) < 100) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}
} // namespace

void TestWindow::numberBoxesShowThreeDigits_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pasted");  // over the whole box, as Ctrl+A and Ctrl+V do it; else typed
    QTest::addColumn<QString>("held");  // what the box holds (and shows) afterwards
    QTest::addColumn<QString>("status");
    for (const char *box : {"COM1", "ADDRESS"}) {
        QTest::addRow("%s 255", box) << box << "255" << false << "255" << "";
        QTest::addRow("%s 888", box) << box << "888" << false << "888" << "";
        QTest::addRow("%s 12", box) << box << "12" << false << "12" << "";
    }
    // Never more than it shows: a longer text is refused whole, quoted, and the box keeps what it had.
    const QString badNumber = StatusText::BadMachineNumber.toString();
    const QString badPort = StatusText::BadPortNumber.toString();
    QTest::newRow("机号 two lines pasted") << "ADDRESS" << "18\n255" << true << "18" << badNumber + "（“18↵255”）";
    QTest::newRow("机号 a line break after") << "ADDRESS" << "19\r\n" << true << "18" << badNumber + "（“19↵”）";
    QTest::newRow("机号 four digits pasted") << "ADDRESS" << "2555" << true << "18" << badNumber + "（“2555”）";
    QTest::newRow("机号 a fourth digit typed") << "ADDRESS" << "2555" << false << "255" << badNumber + "（“2555”）";
    QTest::newRow("串口 32768 pasted") << "COM1" << "32768" << true << "1" << badPort + "（“32768”）";
    // Full-width digits are shown as the digits used.
    QTest::newRow("机号 full-width pasted") << "ADDRESS" << "１９" << true << "19" << "";
    QTest::newRow("串口 full-width typed") << "COM1" << "１２" << false << "12" << "";
}

// Whatever was typed or pasted last, the box shows all it holds, three digits whole: as much ink as in a
// box with room to spare.
void TestWindow::numberBoxesShowThreeDigits()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, pasted);
    QFETCH(QString, held);
    QFETCH(QString, status);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *edit = control<QLineEdit>(form, qPrintable(box));
    edit->setFocus();
    if (pasted) {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        edit->clear();
        // The cursor ends up after the last digit, as after typing; full-width digits come from an input method.
        for (const QChar digit : text) {
            if (digit.unicode() < 0x80) {
                QTest::keyClicks(edit, QString(digit));
            } else {
                QInputMethodEvent typed;
                typed.setCommitString(QString(digit));
                QApplication::sendEvent(edit, &typed);
            }
        }
    }
    QCOMPARE(edit->text(), held);
    QCOMPARE(control<QLabel>(form, "HELP1")->text(), status);
    form.findChild<QPushButton *>("DOWNLOG")->setFocus();

    QLineEdit roomy;
    roomy.setFont(edit->font());
    roomy.setTextMargins(edit->textMargins());
    roomy.resize(120, edit->height());
    roomy.setText(held);
    roomy.setCursorPosition(0);
    QCOMPARE(inkColumns(edit), inkColumns(&roomy));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
