#include "image_files.h"
#include "logo_picture.h"
#include "logo_preview.h"
#include "logo_text_dialog.h"
#include "status_messages.h"
#include "window_bench.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

// The logo as a picture in the window: what the preview shows, that it is what reaches the terminal,
// pictures made from images, and the choices on the preview's menu.
class TestLogoPreview : public QObject
{
    Q_OBJECT

private slots:
    void showsTheDefaultLogoAtStart();
    void showsWhyAFileCannotBeUsed_data();
    void showsWhyAFileCannotBeUsed();
    void imageDownloadArrivesAsPreviewed();
    void failedDownloadShowsHowFarItGot();
    void savedTextFileReadsBackToTheSameBytes();
    void menuChoicesChangeWhatIsSent();
    void sendsOnlyWhatThePreviewShowed_data();
    void sendsOnlyWhatThePreviewShowed();
    void startPictureBoxNamesTheCurrentLogo_data();
    void startPictureBoxNamesTheCurrentLogo();

private:
    static LogoPreview *preview(WindowBench &bench) { return bench.form->findChild<LogoPreview *>("logoPreview"); }
    static QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents);
    static QString writeShopLogo(const QTemporaryDir &dir, const QString &name);
    static bool sameDots(const QImage &a, const QImage &b);
    static void pressMenuKey();
    static void saveAsText(WindowBench &bench, const QString &path);
};

// "另存为文本文件…" from the preview's menu, answered in the save dialog.
void TestLogoPreview::saveAsText(WindowBench &bench, const QString &path)
{
    preview(bench)->saveAsTextRequested();
    auto *saveDialog = bench.form->findChild<QFileDialog *>("saveLogoAsText");
    QTRY_VERIFY(saveDialog->isVisible());
    saveDialog->selectFile(path);
    static_cast<QDialog *>(saveDialog)->accept();
}

// The menu key reaches a program as the window system makes it: a context menu event for the focused
// control (the offscreen platform has no keyboard of its own to do it).
void TestLogoPreview::pressMenuKey()
{
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    const QPoint centre = focused->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, centre, focused->mapToGlobal(centre));
    QApplication::sendEvent(focused, &event);
}

QString TestLogoPreview::writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        return {};
    return file.fileName();
}

// A dark shape on a light ground, twice as wide as the logo and with a transparent band, as a PNG.
QString TestLogoPreview::writeShopLogo(const QTemporaryDir &dir, const QString &name)
{
    QImage image(300, 60, QImage::Format_ARGB32);
    image.fill(QColor(235, 235, 225));
    for (int y = 10; y < 50; ++y)
        for (int x = 20; x < 280; ++x)
            if ((x / 20 + y / 10) % 2 == 0)
                image.setPixelColor(x, y, QColor(30, 30, 60));
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 10; ++x)
            image.setPixelColor(x, y, Qt::transparent);
    const QString path = dir.filePath(name);
    return image.save(path, "PNG") ? path : QString();
}

bool TestLogoPreview::sameDots(const QImage &a, const QImage &b)
{
    if (a.size() != LogoPictureSize || b.size() != LogoPictureSize)
        return false;
    for (int y = 0; y < LogoPictureHeight; ++y)
        for (int x = 0; x < LogoPictureWidth; ++x)
            if ((qGray(a.pixel(x, y)) < 128) != (qGray(b.pixel(x, y)) < 128))
                return false;
    return true;
}

namespace {
// The frames of a whole picture sent to machine 18: each line's number, where it goes, its 16 bytes.
QByteArray pictureOnLine(const QByteArray &picture)
{
    QByteArray bytes;
    for (int line = 0; line < LogoLineCount; ++line) {
        bytes += QByteArray::fromHex("121c55");
        bytes += char(line / 16);
        bytes += char(16 * (line % 16));
        bytes += picture.mid(line * LogoBytesPerLine, LogoBytesPerLine);
    }
    return bytes;
}

QByteArray countingPicture()
{
    QByteArray bytes;
    for (int i = 0; i < LogoByteCount; ++i)
        bytes += char(i & 0xff);
    return bytes;
}
} // namespace

void TestLogoPreview::showsTheDefaultLogoAtStart()
{
    Form1 form;
    auto *logoPreview = form.findChild<LogoPreview *>("logoPreview");
    QVERIFY(logoPreview);
    QVERIFY(logoPreview->problem().isEmpty());
    // The sample beside the program: a frame, so the corners are on.
    QCOMPARE(logoPreview->picture().pixelColor(0, 0), QColor(Qt::black));
    QCOMPARE(logoPreview->picture().pixelColor(LogoPictureWidth - 1, LogoPictureHeight - 1), QColor(Qt::black));
    QCOMPARE(logoPreview->size(), LogoPictureSize * 2 + QSize(2, 2));
}

void TestLogoPreview::showsWhyAFileCannotBeUsed_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("reason");
    QTest::newRow("31 lines") << QByteArray("00112233445566778899AABBCCDDEEFF\r\n").repeated(31)
                              << StatusText::FileTooShort.toString();
    QTest::newRow("prose") << QByteArray("A logo, one day.\r\n") << "文件数据错误！（第1行）";
    QTest::newRow("PNG cut short") << QByteArray() << StatusText::ImageUnreadable.toString();
    // Refused from its header, with the size that is too large.
    QTest::newRow("PNG claiming 60000 x 60000") << pngClaiming(60000, 60000) << "图片无法读取！（图片太大，60000 × 60000）";
    QTest::newRow("PNG claiming 8200 x 8200") << pngClaiming(8200, 8200) << "图片无法读取！（图片太大，8200 × 8200）";
}

// A file that cannot be used shows the reason in the preview and, pressed anyway, sends nothing.
void TestLogoPreview::showsWhyAFileCannotBeUsed()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    if (contents.isEmpty()) {
        QFile whole(writeShopLogo(dir, "whole.png"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        contents = whole.readAll().left(whole.size() / 2);
    }
    const QString path = writeFile(dir, "logo.txt", contents);

    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    bench.chooseLogoFile(path);
    QCOMPARE(preview(bench)->problem(), reason);
    QVERIFY(preview(bench)->picture().isNull());

    bench.control<QPushButton>("DOWNLOG")->click();
    QCOMPARE(bench.status(), reason);
    QVERIFY(bench.idle());
    // Still responsive: the next command goes out as usual, and is the first thing on the line.
    QVERIFY(bench.press("Cmd2"));
    QCOMPARE(bench.clock.received(), QByteArray::fromHex("630507120000"));
}

// An image chosen through the dialog reaches the terminal dot for dot as the preview showed it, and the
// text file saved from it sends the same frames.
void TestLogoPreview::imageDownloadArrivesAsPreviewed()
{
    QTemporaryDir dir;
    const QString image = writeShopLogo(dir, "shop.png");
    QVERIFY(!image.isEmpty());
    QByteArray imageFrames;
    QImage previewed;
    {
        WindowBench bench;
        QVERIFY(bench.start());
        bench.form->show();
        bench.chooseLogoFile(image);
        previewed = preview(bench)->picture();
        QVERIFY(!previewed.isNull());
        QVERIFY(bench.press("DOWNLOG", 10000));
        QCOMPARE(bench.status(), StatusText::DownloadComplete);
        QCOMPARE(preview(bench)->confirmedRows(), LogoLineCount);
        QVERIFY(bench.clock.stop());
        QVERIFY(sameDots(QImage(bench.clock.picturePath()), previewed));
        imageFrames = bench.clock.received();

        // Saved as a text file beside the image.
        saveAsText(bench, dir.filePath("shop.txt"));
        QCOMPARE(bench.status(), QDir::toNativeSeparators(dir.filePath("shop.txt")));
    }
    QCOMPARE(imageFrames.size(), LogoLineCount * 21);

    WindowBench fromText;
    QVERIFY(fromText.start());
    fromText.form->show();
    fromText.chooseLogoFile(dir.filePath("shop.txt"));
    QVERIFY(sameDots(preview(fromText)->picture(), previewed));
    QVERIFY(fromText.press("DOWNLOG", 10000));
    QCOMPARE(fromText.status(), StatusText::DownloadComplete);
    QCOMPARE(fromText.clock.received(), imageFrames);
}

void TestLogoPreview::failedDownloadShowsHowFarItGot()
{
    QTemporaryDir dir;
    WindowBench bench({"--silence", "5"});
    QVERIFY(bench.start());
    bench.form->show();
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    QList<int> seen;
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    connect(bench.control<QProgressBar>("PBar1"), &QProgressBar::valueChanged, this,
            [&] { seen << preview(bench)->confirmedRows(); });
    bench.control<QPushButton>("DOWNLOG")->click();
    QCOMPARE(preview(bench)->confirmedRows(), 0);  // nothing confirmed yet: all dimmed
    QVERIFY(finished.wait(10000));
    QCOMPARE(bench.status(), StatusText::CommunicationFailed);
    QCOMPARE(seen, QList<int>({1, 2, 3, 4, 5}));
    // The five lines the terminal confirmed stay plain, the rest dimmed.
    QCOMPARE(preview(bench)->confirmedRows(), 5);
}

void TestLogoPreview::savedTextFileReadsBackToTheSameBytes()
{
    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    bench.chooseLogoFile(logo);
    const QString saved = dir.filePath("copy.txt");
    saveAsText(bench, saved);

    const auto original = readLogoFile(logo);
    const auto copy = readLogoFile(saved);
    QVERIFY(std::holds_alternative<LogoPicture>(original));
    QVERIFY(std::holds_alternative<LogoPicture>(copy));
    QCOMPARE(std::get<LogoPicture>(copy).bytes, std::get<LogoPicture>(original).bytes);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readLine(), "000102030405060708090A0B0C0D0E0F\r\n");
}

void TestLogoPreview::menuChoicesChangeWhatIsSent()
{
    QTemporaryDir dir;
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));

    // The menu key on the focused preview opens the choices; dithering is for images only.
    bench.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    preview(bench)->setFocus();
    pressMenuKey();
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = preview(bench)->findChild<QMenu *>()) && menu->isVisible());
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.at(0)->text(), "反色(&I)");
    QCOMPARE(actions.at(1)->text(), "抖动(&D)");
    QVERIFY(!actions.at(1)->isEnabled());
    QCOMPARE(actions.at(3)->text(), "另存为文本文件…(&S)");
    QTest::keyClick(menu, Qt::Key_Down);  // the first choice, 反色
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_VERIFY(!menu->isVisible());

    QVERIFY(bench.press("DOWNLOG", 10000));
    QCOMPARE(bench.status(), StatusText::DownloadComplete);
    QByteArray inverted = countingLogoOnLine(18, LogoLineCount);
    for (int line = 0; line < LogoLineCount; ++line)
        for (int i = 0; i < LogoBytesPerLine; ++i)
            inverted[line * 21 + 5 + i] = char(~inverted[line * 21 + 5 + i]);
    QCOMPARE(bench.clock.received(), inverted);
    QVERIFY(bench.clock.stop());
    QVERIFY(sameDots(QImage(bench.clock.picturePath()), preview(bench)->picture()));

    // An image offers dithering; another file starts with invert off again.
    bench.chooseLogoFile(writeShopLogo(dir, "shop.png"));
    QVERIFY(actions.at(1)->isEnabled());
    QVERIFY(!actions.at(0)->isChecked());
}

void TestLogoPreview::sendsOnlyWhatThePreviewShowed_data()
{
    QTest::addColumn<QByteArray>("shown");    // the picture in the file when it was chosen
    QTest::addColumn<QByteArray>("pressed");  // in the file when 下载 is pressed; empty: the file is gone
    QTest::addColumn<QString>("answer");      // to the blank-picture question: "Return" (its default), "是"
    QTest::addColumn<QString>("status");      // PATH: the file's path, as choosing it showed
    QTest::addColumn<QByteArray>("sent");     // the picture on the line

    const QByteArray counting = countingPicture();
    const QByteArray inverted = invertedLogoBytes(counting);
    const QByteArray blank(LogoByteCount, '\0');
    const QByteArray allOn(LogoByteCount, '\xff');
    const QString changed = QStringLiteral("文件已改变：请看过预览再下载");
    const QString done = StatusText::DownloadComplete.toString();
    const QString notSent = QStringLiteral("没有下载：图片是空白的");
    QTest::newRow("file as shown") << counting << counting << "" << done << counting;
    QTest::newRow("file replaced after it was shown") << counting << inverted << "" << changed << QByteArray();
    QTest::newRow("a shown picture replaced by a blank one") << counting << blank << "" << changed << QByteArray();
    QTest::newRow("file gone") << counting << QByteArray() << "" << StatusText::FileOpenFailed.toString() << QByteArray();
    // 否 is said on the status line, never the last command's outcome.
    QTest::newRow("blank, Enter: 否") << blank << blank << "Return" << notSent << QByteArray();
    QTest::newRow("blank, 是") << blank << blank << "是" << done << blank;
    QTest::newRow("every dot on, Enter: 否") << allOn << allOn << "Return" << notSent << QByteArray();
}

// 下载 reads the file afresh: a picture that is not the one the preview showed is shown, not sent, and a
// blank one is sent only when the operator says so.
void TestLogoPreview::sendsOnlyWhatThePreviewShowed()
{
    QFETCH(QByteArray, shown);
    QFETCH(QByteArray, pressed);
    QFETCH(QString, answer);
    QFETCH(QString, status);
    QFETCH(QByteArray, sent);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "logo.txt", logoTextFileContents(shown));
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    bench.chooseLogoFile(path);
    QCOMPARE(logoBytesFromPicture(preview(bench)->picture()).value_or(QByteArray()), shown);
    if (pressed.isEmpty())
        QVERIFY(QFile::remove(path));
    else
        QCOMPARE(writeFile(dir, "logo.txt", logoTextFileContents(pressed)), path);

    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    QTest::mouseClick(bench.control<QPushButton>("DOWNLOG"), Qt::LeftButton);
    auto *question = bench.form->findChild<QMessageBox *>("blankLogoQuestion");
    QCOMPARE(question != nullptr, !answer.isEmpty());
    if (question) {
        QTRY_VERIFY(question->isVisible());
        QCOMPARE(question->text(), QStringLiteral("图片是空白的，仍然下载吗？"));
        QCOMPARE(question->defaultButton(), question->button(QMessageBox::No));
        QVERIFY(!bench.form->session().isRunning());
        if (answer == u"是")
            QTest::mouseClick(question->button(QMessageBox::Yes), Qt::LeftButton);
        else
            QTest::keyClick(question, Qt::Key_Return);
    }
    if (!sent.isEmpty())
        QVERIFY(!finished.isEmpty() || finished.wait(10000));
    QVERIFY2(bench.status().startsWith(status == u"PATH" ? QDir::toNativeSeparators(path) : status),
             qPrintable(bench.status()));
    QVERIFY(bench.idle());
    QCOMPARE(bench.clock.received().toHex(), (sent.isEmpty() ? QByteArray() : pictureOnLine(sent)).toHex());
    if (status != QStringLiteral("文件已改变：请看过预览再下载"))
        return;

    // The preview shows the file as it is now, and a second press sends that, as the operator has seen it.
    QCOMPARE(logoBytesFromPicture(preview(bench)->picture()).value_or(QByteArray()), pressed);
    finished.clear();
    QTest::mouseClick(bench.control<QPushButton>("DOWNLOG"), Qt::LeftButton);
    if (auto *blank = bench.form->findChild<QMessageBox *>("blankLogoQuestion")) {
        QTRY_VERIFY(blank->isVisible());
        QTest::mouseClick(blank->button(QMessageBox::Yes), Qt::LeftButton);
    }
    QVERIFY(!finished.isEmpty() || finished.wait(10000));
    QCOMPARE(bench.status(), StatusText::DownloadComplete.toString());
    QCOMPARE(bench.clock.received().toHex(), pictureOnLine(pressed).toHex());
}

void TestLogoPreview::startPictureBoxNamesTheCurrentLogo_data()
{
    QTest::addColumn<QString>("logo");  // "file", "text", or "download" (the box ticked while a file is sent)
    QTest::addColumn<QString>("status");
    QTest::newRow("a file") << "file" << "PATH";
    QTest::newRow("a text after a file") << "text" << "文字：欢迎 / ACME";
    QTest::newRow("during a download") << "download" << StatusText::Downloading.toString();
}

// 开机OEM图片 names the logo the terminal would get, and leaves a running download's status alone.
void TestLogoPreview::startPictureBoxNamesTheCurrentLogo()
{
    QFETCH(QString, logo);
    QFETCH(QString, status);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "logo.txt", logoTextFileContents(countingPicture()));
    WindowBench bench({"--delay-ms", "40"});  // a slow terminal: the download is still running when ticked
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    bench.chooseLogoFile(path);
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    if (logo == u"text") {
        bench.control<QPushButton>("textButton")->click();
        auto *dialog = bench.form->findChild<LogoTextDialog *>();
        QTRY_VERIFY(dialog && dialog->isVisible());
        dialog->setOptions({.text = QStringLiteral("欢迎\nACME")});
        dialog->accept();
        QVERIFY(QFile::remove(path));  // the file the text replaced is not named, gone or not
    } else if (logo == u"download") {
        QTest::mouseClick(bench.control<QPushButton>("DOWNLOG"), Qt::LeftButton);
        QVERIFY(bench.clock.waitForReceived(21));
    }
    auto *box = bench.control<QCheckBox>("oem_log");
    for (const bool ticked : {true, false}) {
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->isChecked(), ticked);
        QCOMPARE(bench.status(), status == u"PATH" ? QDir::toNativeSeparators(path) : status);
    }
    if (logo == u"download") {
        QVERIFY(!finished.isEmpty() || finished.wait(20000));
        QCOMPARE(bench.status(), StatusText::DownloadComplete.toString());
    }
}

QTEST_MAIN(TestLogoPreview)
#include "tst_logo_preview.moc"
