// Text logos: every stroke survives the one-bit drawing, the text is placed and fitted as chosen, and OCR
// (tesseract, from the install list) reads the picture back.

#include "logo_picture.h"
#include "logo_text.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool dotIsOn(const QByteArray &bytes, int x, int y)
{
    if (x < 0 || x >= LogoPictureWidth || y < 0 || y >= LogoPictureHeight)
        return false;
    return quint8(bytes[y * LogoBytesPerLine + x / 8]) & (0x80 >> (x % 8));
}

bool inkIn(const QByteArray &bytes, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (dotIsOn(bytes, x, y))
                return true;
        }
    }
    return false;
}

// The rows and columns that have a dot on.
QRect inkBounds(const QByteArray &bytes)
{
    QRect bounds;
    for (int y = 0; y < LogoPictureHeight; ++y) {
        for (int x = 0; x < LogoPictureWidth; ++x) {
            if (dotIsOn(bytes, x, y))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// The picture as text, so a failure shows what was drawn.
QString drawn(const QByteArray &bytes)
{
    QString text;
    for (int y = 0; y < LogoPictureHeight; ++y) {
        for (int x = 0; x < LogoPictureWidth; ++x)
            text += dotIsOn(bytes, x, y) ? u'#' : u'.';
        text += u'\n';
    }
    return text;
}

bool installed(const QString &family)
{
    return isLogoFontFamily(family);
}

// The logo enlarged with a white border, as OCR reads best: dots as squares of `scale` pixels.
QImage enlarged(const QByteArray &bytes, int scale)
{
    const int border = 8 * scale;
    QImage image(LogoPictureWidth * scale + 2 * border, LogoPictureHeight * scale + 2 * border, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.drawImage(QRect(border, border, LogoPictureWidth * scale, LogoPictureHeight * scale), logoPictureImage(bytes));
    return image;
}

// What tesseract reads in the picture, whitespace removed; nothing when it cannot run.
std::optional<QString> readBack(const QByteArray &bytes, const QString &language)
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("logo.png"));
    if (!enlarged(bytes, 6).save(path))
        return std::nullopt;
    QProcess tesseract;
    // One line of text (--psm 7) or a block (6) for two lines; the page segmentation is not what is tested.
    tesseract.start(QStringLiteral("tesseract"),
                    {path, QStringLiteral("stdout"), QStringLiteral("-l"), language, QStringLiteral("--psm"), QStringLiteral("6")});
    if (!tesseract.waitForFinished(60000) || tesseract.exitCode() != 0)
        return std::nullopt;
    QString text = QString::fromUtf8(tesseract.readAllStandardOutput());
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

int editDistance(const QString &a, const QString &b)
{
    std::vector<int> previous(size_t(b.size()) + 1);
    for (size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        std::vector<int> current(previous.size());
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j)
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                                           previous[size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1)});
        previous = std::move(current);
    }
    return previous.back();
}

// How many of the expected characters OCR found, in order (the longest common subsequence).
int charactersReadBack(const QString &expected, const QString &read)
{
    std::vector<int> previous(size_t(read.size()) + 1, 0);
    for (const QChar c : expected) {
        std::vector<int> current(previous.size(), 0);
        for (qsizetype j = 1; j <= read.size(); ++j)
            current[size_t(j)] = c == read[j - 1] ? previous[size_t(j - 1)] + 1
                                                  : std::max(previous[size_t(j)], current[size_t(j - 1)]);
        previous = std::move(current);
    }
    return previous.back();
}

// The text as an operator makes it in an image editor: large, anti-aliased, saved and imported.
QByteArray importedFromSmoothPicture(const QString &text, const QString &family)
{
    QImage image(1024, 256, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(family);
    font.setPixelSize(200);
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    return logoBytesFromImage(image);
}

const QString CompanyName = QStringLiteral("考勤管理系统");
const QString LatinName = QStringLiteral("ACME 2026");

} // namespace

class TestLogoText : public QObject
{
    Q_OBJECT

private slots:
    void everyStrokeKept_data();
    void everyStrokeKept();
    void placement_data();
    void placement();
    void choicesChangeTheDrawing();
    void drawableOnlyWithEveryGlyph_data();
    void drawableOnlyWithEveryGlyph();
    void fontList();
    void latinReadBack_data();
    void latinReadBack();
    void chineseReadBack_data();
    void chineseReadBack();
};

void TestLogoText::drawableOnlyWithEveryGlyph_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("drawable");
    QTest::newRow("Chinese, default font") << CompanyName << QString() << true;
    QTest::newRow("two lines, blanks kept") << QStringLiteral(" 欢迎 \nACME 2026") << QString() << true;
    // A Latin face: the Chinese characters come from a face standing in for it, as when drawn.
    QTest::newRow("Chinese in a Latin face") << CompanyName << QStringLiteral("DejaVu Sans") << true;
    // The last private-use plane: no font has it, so it would come out as a box.
    QTest::newRow("a character no font has") << QStringLiteral("欢迎") + QString::fromUcs4(U"\U0010FFFD") << QString() << false;
    QTest::newRow("on the second line") << QStringLiteral("欢迎\n") + QString::fromUcs4(U"\U0010FFFD") << QString() << false;
}

void TestLogoText::drawableOnlyWithEveryGlyph()
{
    QFETCH(QString, text);
    QFETCH(QString, family);
    QFETCH(bool, drawable);
    QCOMPARE(logoTextDrawable({.text = text, .family = family}), drawable);
}

void TestLogoText::everyStrokeKept_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");  // empty: the default
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("bold");

    const QStringList families{QString(), QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei"),
                               QStringLiteral("DejaVu Sans")};
    for (const QString &text : {CompanyName, LatinName, QStringLiteral("考勤管理\n系统")}) {
        for (const QString &family : families) {
            if (family == QStringLiteral("DejaVu Sans") && text != LatinName)
                continue;  // no Chinese glyphs of its own
            for (const int size : {0, 16, 12}) {
                if (text.contains(u'\n') && size == 16)
                    continue;  // two lines of 16 do not fit 32
                for (const bool bold : {false, true}) {
                    const QString name = QStringLiteral("%1 / %2 / %3%4")
                                             .arg(QString(text).replace(u'\n', u'|'),
                                                  family.isEmpty() ? QStringLiteral("default") : family,
                                                  size == 0 ? QStringLiteral("fit") : QString::number(size),
                                                  bold ? QStringLiteral(" / bold") : QString());
                    QTest::newRow(qPrintable(name)) << text << family << size << bold;
                }
            }
        }
    }
}

// The rule for a picture made for 32 dots: each character has ink in the top, middle and bottom third of
// its line, so no horizontal stroke has vanished.
void TestLogoText::everyStrokeKept()
{
    QFETCH(QString, text);
    QFETCH(QString, family);
    QFETCH(int, size);
    QFETCH(bool, bold);
    if (!family.isEmpty() && !installed(family))
        QSKIP("font not installed");

    const LogoTextDrawing drawing = drawLogoText({.text = text, .family = family, .pointSize = size, .bold = bold});
    QCOMPARE(drawing.characterBoxes.size(), QString(text).remove(u'\n').remove(u' ').size());
    for (const QRect &box : drawing.characterBoxes) {
        QVERIFY2(QRect(QPoint(0, 0), LogoPictureSize).contains(box), qPrintable(drawn(drawing.bytes)));
        const int third = box.height() / 3;
        const QRect thirds[] = {QRect(box.left(), box.top(), box.width(), third),
                                QRect(box.left(), box.top() + third, box.width(), box.height() - 2 * third),
                                QRect(box.left(), box.bottom() - third + 1, box.width(), third)};
        for (const QRect &part : thirds)
            QVERIFY2(inkIn(drawing.bytes, part),
                     qPrintable(QStringLiteral("no ink in rows %1-%2, columns %3-%4 (size %5)\n%6")
                                    .arg(part.top()).arg(part.bottom()).arg(part.left()).arg(part.right())
                                    .arg(drawing.pixelSize).arg(drawn(drawing.bytes))));
    }
}

void TestLogoText::placement_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QRect>("expectedWithin");  // the ink stays in here
    QTest::addColumn<int>("minimumHeight");     // and is at least this tall
    QTest::addColumn<int>("minimumWidth");      // and this wide

    const QRect whole(0, 0, 128, 32);
    // Fitted: the text fills the height or the width, whichever it meets first.
    QTest::newRow("six Chinese characters fill the width") << CompanyName << int(Qt::AlignHCenter) << whole << 18 << 122;
    QTest::newRow("short text fills the height") << QStringLiteral("欢迎") << int(Qt::AlignHCenter) << QRect(32, 0, 64, 32) << 30 << 40;
    QTest::newRow("long Latin text fills the width") << QStringLiteral("ACME TIME CLOCKS LTD") << int(Qt::AlignHCenter) << whole << 6 << 116;
    QTest::newRow("left") << QStringLiteral("欢迎") << int(Qt::AlignLeft) << QRect(0, 0, 66, 32) << 30 << 40;
    QTest::newRow("right") << QStringLiteral("欢迎") << int(Qt::AlignRight) << QRect(62, 0, 66, 32) << 30 << 40;
    QTest::newRow("two lines share the height") << QStringLiteral("考勤管理\n系统") << int(Qt::AlignHCenter) << whole << 28 << 50;
}

void TestLogoText::placement()
{
    QFETCH(QString, text);
    QFETCH(int, alignment);
    QFETCH(QRect, expectedWithin);
    QFETCH(int, minimumHeight);
    QFETCH(int, minimumWidth);

    const QByteArray bytes = logoBytesFromText({.text = text, .alignment = Qt::Alignment(alignment)});
    const QRect ink = inkBounds(bytes);
    QVERIFY2(expectedWithin.contains(ink), qPrintable(drawn(bytes)));
    QVERIFY2(ink.height() >= minimumHeight && ink.width() >= minimumWidth,
             qPrintable(QStringLiteral("%1 x %2\n").arg(ink.width()).arg(ink.height()) + drawn(bytes)));
    // Centred top to bottom within a dot.
    QVERIFY2(std::abs(ink.top() - (LogoPictureHeight - 1 - ink.bottom())) <= 1, qPrintable(drawn(bytes)));
}

void TestLogoText::choicesChangeTheDrawing()
{
    const LogoTextOptions plain{.text = QStringLiteral("考勤")};
    const QByteArray bytes = logoBytesFromText(plain);
    QCOMPARE(logoBytesFromText(plain), bytes);  // the same choices draw the same dots
    QCOMPARE(logoBytesFromText(plain, true), invertedLogoBytes(bytes));
    LogoTextOptions bold = plain;
    bold.bold = true;
    QVERIFY(logoBytesFromText(bold) != bytes);
    LogoTextOptions small = plain;
    small.pointSize = 12;
    QCOMPARE(drawLogoText(small).pixelSize, 12);
    QVERIFY(inkBounds(logoBytesFromText(small)).height() <= 12);
    QCOMPARE(logoBytesFromText({.text = QStringLiteral("  ")}), QByteArray(LogoByteCount, '\0'));
    // More than two lines: the rest joins the second.
    QCOMPARE(logoTextLines(QStringLiteral("a\nb\nc")), (QStringList{QStringLiteral("a"), QStringLiteral("b c")}));
}

void TestLogoText::fontList()
{
    QStringList families = logoFontFamilies();
    QVERIFY(!families.isEmpty());
    QCOMPARE(families.front(), defaultLogoFontFamily());
    QVERIFY(QFontDatabase::families(QFontDatabase::SimplifiedChinese).contains(defaultLogoFontFamily()));
    QCOMPARE(families.removeDuplicates(), 0);
}

void TestLogoText::latinReadBack_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("bold");
    QTest::newRow("default") << QString() << 0 << false;
    QTest::newRow("default, bold") << QString() << 0 << true;
    QTest::newRow("default, 16 points") << QString() << 16 << false;
    QTest::newRow("DejaVu Sans") << QStringLiteral("DejaVu Sans") << 0 << false;
    QTest::newRow("DejaVu Sans, 16 points") << QStringLiteral("DejaVu Sans") << 16 << false;
}

// OCR's second opinion on the Latin text: at most one character read wrong.
void TestLogoText::latinReadBack()
{
    QFETCH(QString, family);
    QFETCH(int, size);
    QFETCH(bool, bold);
    if (!family.isEmpty() && !installed(family))
        QSKIP("font not installed");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty(),
             "tesseract is not installed (scripts/common.sh installs it)");

    const QByteArray bytes = logoBytesFromText({.text = LatinName, .family = family, .pointSize = size, .bold = bold});
    const auto read = readBack(bytes, QStringLiteral("eng"));
    QVERIFY(read);
    const QString expected = QString(LatinName).remove(u' ');
    QVERIFY2(editDistance(*read, expected) <= 1, qPrintable(*read + u'\n' + drawn(bytes)));
}

void TestLogoText::chineseReadBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("one line") << CompanyName;
    QTest::newRow("two lines") << QStringLiteral("考勤管理\n系统");
    QTest::newRow("welcome") << QStringLiteral("欢迎光临");
}

// For Chinese, OCR at 32 dots is a weak judge, so the figure is told rather than held to a number: how many
// characters come back from the text drawn here, beside the same text drawn smoothly in AR PL UMing and
// imported as a picture.
void TestLogoText::chineseReadBack()
{
    QFETCH(QString, text);
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty(),
             "tesseract is not installed (scripts/common.sh installs it)");
    const QString expected = QString(text).remove(u'\n');
    const auto crisp = readBack(logoBytesFromText({.text = text}), QStringLiteral("chi_sim"));
    QVERIFY(crisp);
    QString report = QStringLiteral("%1: drawn here (%2) %3/%4 \"%5\"")
                         .arg(expected, defaultLogoFontFamily())
                         .arg(charactersReadBack(expected, *crisp))
                         .arg(expected.size())
                         .arg(*crisp);
    for (const QString &family : {defaultLogoFontFamily(), QStringLiteral("AR PL UMing CN")}) {
        if (!installed(family))
            continue;
        const auto imported = readBack(importedFromSmoothPicture(text, family), QStringLiteral("chi_sim"));
        QVERIFY(imported);
        report += QStringLiteral("; imported from a smooth PNG in %1 %2/%3 \"%4\"")
                      .arg(family)
                      .arg(charactersReadBack(expected, *imported))
                      .arg(expected.size())
                      .arg(*imported);
    }
    qInfo().noquote() << report;
}

QTEST_MAIN(TestLogoText)
#include "tst_logo_text.moc"
