#include "malformed_addresses.h"
#include "port_catalogue.h"
#include "status_messages.h"
#include "text_conversions.h"
#include "unprivileged_run.h"
#include "window_bench.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Whatever the operator types or chooses, each text either converts by the rules or names its box, and a
// bad file is named, before anything goes to the port. Port 1 leads to a device that does not exist, so
// a command that got as far as opening the port says so instead.
class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void typedText_data();
    void typedText();
    void logoFile_data();
    void logoFile();
    void malformedNetworkAddress_data();
    void malformedNetworkAddress();

private:
    static PortDirectory portToNowhere();
};

PortDirectory TestBadInput::portToNowhere()
{
    PortDirectory ports;
    ports.mapPort(1, QStringLiteral("/dev/timeclock-no-such-device"));
    return ports;
}

void TestBadInput::typedText_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");

    const QString veryLong = QString(10000, u'7');
    for (const char *box : {"COM1", "ADDRESS", "dkys", "D_Timer"}) {
        const bool port = QByteArray(box) == "COM1";
        const auto row = [&](const char *what, const QString &text, bool converts) {
            QTest::addRow("%s %s", box, what) << QString::fromLatin1(box) << text << converts;
        };
        row("empty", "", false);
        row("spaces", "   ", false);
        row("tab around", "\t0\t", true);
        row("letters", "abc", false);
        row("digits then letters", "12ab", false);
        row("huge", "99999999999999999999999999", false);
        row("very long", veryLong, false);
        row("negative", "-1", port);
        row("negative fraction to zero", "-0.4", true);
        row("half to even", "0.5", true);
        row("fraction beyond range", port ? "32767.5" : "255.5", false);
        row("full-width digits", QStringLiteral("１２"), true);
        row("ideographic spaces around", QStringLiteral("　1２　"), true);
        row("circled digit", QStringLiteral("①"), false);
        row("exponent", "1e1", false);
        row("hex prefix", "0x1", false);
        row("group separator", "1,000", false);
    }
}

void TestBadInput::typedText()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, converts);

    Form1 form(portToNowhere());
    // The unlock delay box is read in door-access mode, the clock-in delay box in bell mode.
    form.findChild<QRadioButton *>(box == "D_Timer" ? "mkmode" : "mlmode")->setChecked(true);
    if (box != "COM1")
        form.findChild<QLineEdit *>("COM1")->setText("1");
    form.findChild<QLineEdit *>(box)->setText(text);
    // A serial number the operator typed: 写序列号 then goes as far as the port.
    auto *serialBox = form.findChild<QLineEdit *>("xlh");
    emit serialBox->textEdited(serialBox->text());

    const QStringList buttons = box == "dkys" || box == "D_Timer"
                                    ? QStringList{"Command1"}
                                    : QStringList{"Cmd2", "Command1", "Command4", "Command5"};
    // 串口 and 机号 quote what they refused.
    const QString quoted = QStringLiteral("（“%1”）").arg(text);
    const QString boxMessage = box == "COM1"      ? StatusText::BadPortNumber.toString() + quoted
                               : box == "ADDRESS" ? StatusText::BadMachineNumber.toString() + quoted
                                                  : StatusText::BadDelay.toString();
    // A converted port number other than 1 reaches no device and is named as a number ("-1" gives
    // "-1号"); port 1 leads to the missing device, named by its path.
    // The ports named are the window's own, port 1's missing device included.
    const QString noSuchPort = QStringLiteral("串口打开失败！（无此串口：%1") + availablePortsNote(portToNowhere()) + QStringLiteral("）");
    const auto portNumber = portNumberFromText(text);
    const QString reachedThePort = noSuchPort.arg(box == "COM1" && portNumber ? QStringLiteral("%1号").arg(*portNumber)
                                                                             : QStringLiteral("/dev/timeclock-no-such-device"));
    for (const QString &button : buttons) {
        auto *help = form.findChild<QLabel *>("HELP1");
        help->clear();
        form.findChild<QPushButton *>(button)->click();
        // A port is opened on a thread of its own: its failure is shown once the open is reported back.
        QTRY_COMPARE_WITH_TIMEOUT(help->text(), converts ? reachedThePort : boxMessage, 10000);
        QVERIFY(form.findChild<QPushButton *>(button)->isEnabled());
        QVERIFY(!form.session().isRunning());
        QVERIFY(!form.session().link().isOpen());
    }
}

void TestBadInput::logoFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString cannotOpen = StatusText::FileOpenFailed.toString();
    const QString tooShort = StatusText::FileTooShort.toString();
    QTest::newRow("missing") << "missing" << cannotOpen;
    QTest::newRow("empty") << "empty" << tooShort;
    QTest::newRow("31 lines") << "short" << tooShort;
    QTest::newRow("binary without line ends") << "binary" << QStringLiteral("文件数据错误！（第1行）");
    QTest::newRow("a directory") << "directory" << cannotOpen;
    QTest::newRow("a FIFO") << "fifo" << cannotOpen;
    QTest::newRow("unreadable") << "unreadable" << cannotOpen;
    QTest::newRow("1 GiB of zero bytes") << "huge" << QStringLiteral("文件数据错误！（第1行）");
}

void TestBadInput::logoFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    if (kind == "unreadable" && ::geteuid() == 0) {
        // Root reads any file: the same row again as an unprivileged user.
        const UnprivilegedRun run = runAsNobody(QStringLiteral("logoFile:unreadable"));
        if (!run.ran)
            QSKIP(qPrintable("an unprivileged user cannot run this test here: " + run.output.left(300)));
        QVERIFY2(run.passed, qPrintable(run.output));
        return;
    }

    QTemporaryDir dir;
    QString path = dir.filePath("logo.txt");
    QFile file(path);
    if (kind == "empty" || kind == "unreadable") {
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == "short") {
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int line = 0; line < 31; ++line)
            file.write("000102030405060708090A0B0C0D0E0F\r\n");
    } else if (kind == "binary") {
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray bytes(4096, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i % 256 == '\r' || i % 256 == '\n' ? 0 : i % 256);
        file.write(bytes);
    } else if (kind == "directory") {
        QVERIFY(QDir(dir.path()).mkdir("logo.txt"));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "huge") {
        // Sparse: a gigabyte of zero bytes without taking the disk space.
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(1) << 30));
    }
    file.close();
    if (kind == "unreadable")
        QVERIFY(file.setPermissions(QFileDevice::Permissions()));

    Form1 form(portToNowhere());
    form.show();
    auto *dialog = form.findChild<QFileDialog *>("fileOpen");
    form.findChild<QPushButton *>("OpenFile")->click();
    dialog->selectFile(kind == "missing" ? dir.filePath("stand-in.txt") : path);
    if (kind == "missing") {
        // The dialog only takes existing files; the file goes away after it was chosen.
        QFile standIn(dir.filePath("stand-in.txt"));
        QVERIFY(standIn.open(QIODevice::WriteOnly));
        standIn.close();
        static_cast<QDialog *>(dialog)->accept();
        QVERIFY(standIn.remove());
    } else {
        static_cast<QDialog *>(dialog)->accept();
    }

    const int descriptorsBefore = openDescriptorCount();
    form.findChild<QPushButton *>("DOWNLOG")->click();
    QCOMPARE(form.findChild<QLabel *>("HELP1")->text(), message);
    QVERIFY(form.findChild<QPushButton *>("DOWNLOG")->isEnabled());
    QVERIFY(!form.findChild<QProgressBar *>("PBar1")->isVisible());
    QVERIFY(!form.session().isRunning());
    QVERIFY(openDescriptorCount() <= descriptorsBefore);  // the file dialog may still be letting go of its own
}

void TestBadInput::malformedNetworkAddress_data()
{
    addMalformedNetworkAddressRows();
}

// A network address given by --port that cannot be one is the port box's error, with its reason, before
// anything is looked up or sent.
void TestBadInput::malformedNetworkAddress()
{
    QFETCH(QString, device);
    QFETCH(QString, reason);
    PortDirectory ports;
    ports.mapPort(1, device);
    Form1 form(ports);
    form.findChild<QLineEdit *>("COM1")->setText("1");
    for (const char *button : {"Cmd2", "Command1"}) {
        auto *help = form.findChild<QLabel *>("HELP1");
        help->clear();
        form.findChild<QPushButton *>(button)->click();
        QVERIFY2(help->text().startsWith(StatusText::BadPortNumber.toString() + u'（'), qPrintable(help->text()));
        QVERIFY2(help->text().contains(reason) && help->text().contains(device), qPrintable(help->text()));
        QVERIFY(!form.session().isRunning());
        QVERIFY(!form.session().link().isOpen());
    }
}

QTEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"
