// The picture's choices in the window: a logo from typed text through "文字…", the visible 反色 / 抖动 /
// 填满 boxes and what they follow, the note for a flat picture, the keyboard, and the command line's
// --text giving the window's bytes.

#include "logo_picture.h"
#include "logo_preview.h"
#include "logo_text.h"
#include "logo_text_dialog.h"
#include "status_messages.h"
#include "tst_cli_process.h"
#include "window_bench.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSpinBox>
#include <QTest>

Q_DECLARE_METATYPE(LogoTextOptions)

namespace {

LogoPreview *preview(WindowBench &bench)
{
    return bench.control<LogoPreview>("logoPreview");
}

QByteArray previewBytes(WindowBench &bench)
{
    return logoBytesFromPicture(preview(bench)->picture()).value_or(QByteArray());
}

LogoTextDialog *textDialog(WindowBench &bench)
{
    return bench.form->findChild<LogoTextDialog *>(QStringLiteral("logoTextDialog"));
}

// An image of the given size, black on white with a black frame, as a PNG in the folder.
QString writePicture(const QTemporaryDir &dir, const QString &name, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < size.width(); ++x) {
        image.setPixel(x, 0, qRgb(0, 0, 0));
        image.setPixel(x, size.height() - 1, qRgb(0, 0, 0));
    }
    for (int y = 0; y < size.height(); ++y) {
        image.setPixel(0, y, qRgb(0, 0, 0));
        image.setPixel(size.width() - 1, y, qRgb(0, 0, 0));
        image.setPixel((y * 7) % size.width(), y, qRgb(0, 0, 0));  // a slanting stroke, so dithering tells
    }
    const QString path = dir.filePath(name);
    return image.save(path, "PNG") ? path : QString();
}

// Typing into the focused control as the operator does: Latin letters as key presses, Chinese as an input
// method hands them over, one committed character at a time.
void typeKeys(const QString &text)
{
    for (const QChar c : text) {
        QWidget *focused = QApplication::focusWidget();
        if (c.unicode() < 0x80) {
            QTest::keyClick(focused, char(c.unicode()));
        } else {
            QInputMethodEvent committed;
            committed.setCommitString(QString(c));
            QApplication::sendEvent(focused, &committed);
        }
    }
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// The dialog's choices set and accepted, and the window's invert box as asked.
void makeTextLogo(WindowBench &bench, const LogoTextOptions &options, bool invert)
{
    bench.control<QPushButton>("textButton")->click();
    QTRY_VERIFY(textDialog(bench) && textDialog(bench)->isVisible());
    textDialog(bench)->setOptions(options);
    textDialog(bench)->accept();
    bench.control<QCheckBox>("invertCheck")->setChecked(invert);
}

QByteArray logoFileBytes(const QString &path)
{
    const auto read = readLogoFile(path);
    return std::holds_alternative<LogoPicture>(read) ? std::get<LogoPicture>(read).bytes : QByteArray();
}

} // namespace

class TestLogoChoices : public QObject
{
    Q_OBJECT

private slots:
    void typedTextIsDownloadedAsPreviewed();
    void commandLineTextMatchesTheWindow_data();
    void commandLineTextMatchesTheWindow();
    void commandLineRefusesBadText_data();
    void commandLineRefusesBadText();
    void anotherFileStartsPlain();
    void flatPictureNoteAndFill();
    void keyboardReachesTheChoices();
    void choicesLockedWhileDownloading();
};

// The operator presses 文字… from the keyboard, types two lines, ticks bold, confirms with Enter, and
// downloads: the terminal holds what the dialog and the window showed.
void TestLogoChoices::typedTextIsDownloadedAsPreviewed()
{
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));

    bench.control<QPushButton>("textButton")->setFocus();
    pressKey(Qt::Key_Space);
    QTRY_VERIFY(textDialog(bench) && textDialog(bench)->isVisible());
    LogoTextDialog *dialog = textDialog(bench);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QTRY_COMPARE(QApplication::focusWidget(), dialog->findChild<QLineEdit *>("firstLine"));
    auto *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QVERIFY(!ok->isEnabled());  // nothing typed is no logo
    typeKeys(QStringLiteral("欢迎光临"));
    QVERIFY(ok->isEnabled());
    pressKey(Qt::Key_Tab);
    typeKeys(QStringLiteral("ACME 2026"));
    // The preview follows each key.
    const QByteArray typed = dialog->bytes();
    QCOMPARE(typed, logoBytesFromText({.text = QStringLiteral("欢迎光临\nACME 2026"), .family = defaultLogoFontFamily()}));
    pressKey(Qt::Key_B, Qt::AltModifier);  // 粗体(&B)
    QTRY_VERIFY(dialog->findChild<QCheckBox *>("bold")->isChecked());  // a mnemonic clicks as if animated
    QVERIFY(dialog->bytes() != typed);
    const QByteArray bold = dialog->bytes();
    pressKey(Qt::Key_Return);
    QTRY_VERIFY(!dialog->isVisible());

    QCOMPARE(previewBytes(bench), bold);
    QCOMPARE(bench.status(), QStringLiteral("文字：欢迎光临 / ACME 2026"));
    QVERIFY(bench.press("DOWNLOG", 10000));
    QCOMPARE(bench.status(), StatusText::DownloadComplete);
    QVERIFY(bench.clock.stop());
    const QImage stored(bench.clock.picturePath());
    QCOMPARE(logoBytesFromPicture(stored).value_or(QByteArray()), bold);

    // 另存为… saves the text logo as a logo text file.
    QTemporaryDir dir;
    bench.control<QPushButton>("saveAsButton")->click();
    auto *saveDialog = bench.form->findChild<QFileDialog *>("saveLogoAsText");
    QTRY_VERIFY(saveDialog->isVisible());
    saveDialog->selectFile(dir.filePath("text.txt"));
    static_cast<QDialog *>(saveDialog)->accept();
    QCOMPARE(logoFileBytes(dir.filePath("text.txt")), bold);
}

void TestLogoChoices::commandLineTextMatchesTheWindow_data()
{
    QTest::addColumn<LogoTextOptions>("options");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<QStringList>("arguments");

    const QString family = defaultLogoFontFamily();
    QTest::newRow("fitted") << LogoTextOptions{.text = QStringLiteral("欢迎光临"), .family = family} << false
                            << QStringList{"--text", "欢迎光临"};
    QTest::newRow("two lines, bold, left, inverted")
        << LogoTextOptions{.text = QStringLiteral("考勤管理\n系统"), .family = family, .bold = true, .alignment = Qt::AlignLeft}
        << true << QStringList{"--text", "考勤管理\\n系统", "--bold", "--align", "left", "--invert"};
    QTest::newRow("12 points, right") << LogoTextOptions{.text = QStringLiteral("ACME 2026"), .family = family, .pointSize = 12, .alignment = Qt::AlignRight}
                                      << false << QStringList{"--text", "ACME 2026", "--size", "12", "--align", "right"};
    if (isLogoFontFamily(QStringLiteral("AR PL UMing CN")))
        QTest::newRow("another font") << LogoTextOptions{.text = QStringLiteral("考勤"), .family = QStringLiteral("AR PL UMing CN")}
                                      << false << QStringList{"--text", "考勤", "--font", "AR PL UMing CN"};
}

// convert-logo --text, run without a display, writes the bytes the window sends for the same choices.
void TestLogoChoices::commandLineTextMatchesTheWindow()
{
    QFETCH(LogoTextOptions, options);
    QFETCH(bool, invert);
    QFETCH(QStringList, arguments);

    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    makeTextLogo(bench, options, invert);
    const QByteArray window = previewBytes(bench);
    QCOMPARE(window.size(), LogoByteCount);

    QTemporaryDir dir;
    const QString target = dir.filePath("text.txt");
    const ProgramRun run = runProgram(QStringList{"convert-logo"} + arguments + QStringList{"-o", target});
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(run.errText()));
    QCOMPARE(logoFileBytes(target), window);

    // show-logo draws the same text, one text row for two dot rows.
    const ProgramRun shown = runProgram(QStringList{"show-logo"} + arguments);
    QCOMPARE(shown.exitCode, 0);
    QCOMPARE(shown.outText().count(u'\n') + 1, 2 + LogoPictureHeight / 2);
}

void TestLogoChoices::commandLineRefusesBadText_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown font") << QStringList{"--text", "考勤", "--font", "No Such Face"} << "没有这个字体！（--font No Such Face）";
    QTest::newRow("size 0") << QStringList{"--text", "考勤", "--size", "0"} << "文字大小错误！（--size 0）";
    QTest::newRow("size 97") << QStringList{"--text", "考勤", "--size", "97"} << "文字大小错误！（--size 97）";
    QTest::newRow("three lines") << QStringList{"--text", "a\\nb\\nc"} << "文字最多两行！（--text）";
    QTest::newRow("only spaces") << QStringList{"--text", "   "} << "文字是空的！（--text）";
    QTest::newRow("bad alignment") << QStringList{"--text", "考勤", "--align", "middle"} << "对齐方式错误！（--align middle）";
    QTest::newRow("a file as well") << QStringList{"--text", "考勤", "logo.png"} << "";
}

// A text that cannot be drawn as asked is refused before anything is written, with exit code 2.
void TestLogoChoices::commandLineRefusesBadText()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString target = dir.filePath("text.txt");
    const ProgramRun run = runProgram(QStringList{"convert-logo"} + arguments + QStringList{"-o", target});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 2);
    if (!message.isEmpty())
        QVERIFY2(run.errText().endsWith(message), qPrintable(run.errText()));
    QVERIFY(!QFileInfo::exists(target));
}

// Opening another file starts with invert and dither off, shown so in their boxes.
void TestLogoChoices::anotherFileStartsPlain()
{
    QTemporaryDir dir;
    const QString first = writePicture(dir, "first.png", QSize(256, 64));
    const QString second = writePicture(dir, "second.png", QSize(256, 64));
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    bench.chooseLogoFile(first);
    bench.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    const QByteArray plain = previewBytes(bench);
    auto *invert = bench.control<QCheckBox>("invertCheck");
    auto *dither = bench.control<QCheckBox>("ditherCheck");
    QVERIFY(!invert->isChecked() && !dither->isChecked() && dither->isEnabled());

    invert->setFocus();
    pressKey(Qt::Key_Space);
    QVERIFY(invert->isChecked());
    QCOMPARE(previewBytes(bench), invertedLogoBytes(plain));
    pressKey(Qt::Key_Tab);
    pressKey(Qt::Key_Space);
    QVERIFY(dither->isChecked());
    QCOMPARE(previewBytes(bench), invertedLogoBytes(logoBytesFromImage(QImage(first), {.dither = true})));

    bench.chooseLogoFile(second);
    QVERIFY(!invert->isChecked());
    QVERIFY(!dither->isChecked());
    QCOMPARE(previewBytes(bench), logoBytesFromImage(QImage(second)));
    // The preview's menu shows the same.
    const QList<QAction *> actions = preview(bench)->actions().isEmpty() ? preview(bench)->findChildren<QAction *>()
                                                                          : preview(bench)->actions();
    for (QAction *action : actions)
        QVERIFY2(!action->isChecked(), qPrintable(action->text()));

    // A text file has nothing to dither.
    bench.chooseLogoFile(writeCountingLogoFile(dir, LogoLineCount));
    QVERIFY(!dither->isEnabled());
}

void TestLogoChoices::flatPictureNoteAndFill()
{
    QTemporaryDir dir;
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    auto *fill = bench.control<QCheckBox>("fillCheck");
    auto *note = bench.control<QLabel>("logoNote");

    // 640 x 30 fits as 128 x 6.
    const QString banner = writePicture(dir, "banner.png", QSize(640, 30));
    bench.chooseLogoFile(banner);
    bench.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    QCOMPARE(note->text(), QStringLiteral("图片太扁：只剩 6 行点"));
    QVERIFY(fill->isEnabled());
    fill->setFocus();
    pressKey(Qt::Key_Space);
    QVERIFY(fill->isChecked());
    QVERIFY(note->text().isEmpty());
    QCOMPARE(previewBytes(bench), logoBytesFromImage(QImage(banner), {.fill = true}));
    // The frame's top and bottom edges now run along the top and bottom rows.
    QCOMPARE(previewBytes(bench).first(LogoBytesPerLine), QByteArray(LogoBytesPerLine, '\xFF'));

    // Close to 4:1, fill would change little: not offered.
    bench.chooseLogoFile(writePicture(dir, "near.png", QSize(300, 80)));
    QVERIFY(!fill->isEnabled());
    QVERIFY(!fill->isChecked());
    QVERIFY(note->text().isEmpty());
}

// Shift+F10 opens the preview's menu as the menu key does; its items answer to their letters, and the box
// below the preview shows what the menu changed.
void TestLogoChoices::keyboardReachesTheChoices()
{
    QTemporaryDir dir;
    WindowBench bench;
    QVERIFY(bench.start());
    bench.form->show();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));
    // Far from 4:1, so that fit or fill is a choice too.
    bench.chooseLogoFile(writePicture(dir, "logo.png", QSize(640, 30)));
    bench.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bench.form.get()));

    // Tab from the serial-number box, the last control above the preview, walks through the picture's ones.
    bench.control<QLineEdit>("xlh")->setFocus();
    QStringList walked;
    for (int i = 0; i < 6; ++i) {
        pressKey(Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walked, (QStringList{"logoPreview", "invertCheck", "ditherCheck", "fillCheck", "textButton", "saveAsButton"}));

    preview(bench)->setFocus();
    pressKey(Qt::Key_F10, Qt::ShiftModifier);
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = preview(bench)->findChild<QMenu *>()) && menu->isVisible());
    for (QAction *action : menu->actions())
        QVERIFY2(action->isSeparator() || action->text().contains(u'&'), qPrintable(action->text()));
    QTest::keyClick(menu, Qt::Key_I);
    QTRY_VERIFY(!menu->isVisible());
    QVERIFY(bench.control<QCheckBox>("invertCheck")->isChecked());

    // Alt and the box's letter, from anywhere in the window.
    bench.control<QPushButton>("DOWNLOG")->setFocus();
    pressKey(Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(bench.control<QCheckBox>("ditherCheck")->isChecked());
}

// While a download sends the picture, nothing below the preview can change it.
void TestLogoChoices::choicesLockedWhileDownloading()
{
    QTemporaryDir dir;
    WindowBench bench({"--delay-ms", "30"});
    QVERIFY(bench.start());
    bench.form->show();
    bench.chooseLogoFile(writePicture(dir, "logo.png", QSize(256, 64)));
    QSignalSpy finished(&bench.form->session(), &CommandSession::finished);
    bench.control<QPushButton>("DOWNLOG")->click();
    for (const char *name : {"invertCheck", "ditherCheck", "fillCheck", "textButton"})
        QVERIFY2(!bench.control<QWidget>(name)->isEnabled(), name);
    QVERIFY(finished.wait(20000));
    for (const char *name : {"invertCheck", "ditherCheck", "textButton"})
        QVERIFY2(bench.control<QWidget>(name)->isEnabled(), name);
}

QTEST_MAIN(TestLogoChoices)
#include "tst_logo_choices.moc"
