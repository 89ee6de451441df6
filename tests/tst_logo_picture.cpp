// The logo as a picture: bytes to image and back, any image to logo bytes, the logo text file, and
// reading image files by their contents. Runs without a window system, as the command line does.

#include "image_files.h"
#include "logo_picture.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(LogoImageError)

namespace {

// Every byte position differs, and both shades occur in every line.
QByteArray patternBytes()
{
    QByteArray bytes;
    for (int i = 0; i < LogoByteCount; ++i)
        bytes.append(char(i * 37 + 11 + i / LogoBytesPerLine));
    return bytes;
}

// The picture's own reading of the layout, written apart from the code under test.
bool dotIsOn(const QByteArray &bytes, int x, int y)
{
    return quint8(bytes[y * LogoBytesPerLine + x / 8]) & (0x80 >> (x % 8));
}

// The bytes drawn in black on white, each dot as a square of the given size.
QImage drawnPicture(const QByteArray &bytes, int dotSize = 1)
{
    QImage image(LogoPictureWidth * dotSize, LogoPictureHeight * dotSize, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, dotIsOn(bytes, x / dotSize, y / dotSize) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    return image;
}

QImage filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

QImage withRectangle(QImage image, const QRect &rectangle, QRgb colour)
{
    for (int y = rectangle.top(); y <= rectangle.bottom(); ++y) {
        for (int x = rectangle.left(); x <= rectangle.right(); ++x)
            image.setPixel(x, y, colour);
    }
    return image;
}

QRgb grey(int level)
{
    return qRgb(level, level, level);
}

// The same hex line 32 times.
QByteArray everyLine(const char *hex)
{
    return QByteArray::fromHex(hex).repeated(LogoLineCount);
}

// The dots of a rectangle on, all others off.
QByteArray rectangleBytes(const QRect &rectangle)
{
    QByteArray bytes(LogoByteCount, '\0');
    for (int y = rectangle.top(); y <= rectangle.bottom(); ++y) {
        for (int x = rectangle.left(); x <= rectangle.right(); ++x)
            bytes[y * LogoBytesPerLine + x / 8] |= char(0x80 >> (x % 8));
    }
    return bytes;
}

// Hex lines, so a mismatch names the first differing line.
QStringList lines(const QByteArray &bytes)
{
    QStringList result;
    for (qsizetype start = 0; start < bytes.size(); start += LogoBytesPerLine)
        result.append(QString::fromLatin1(bytes.mid(start, LogoBytesPerLine).toHex(' ')));
    return result;
}

int dotsOn(const QByteArray &bytes)
{
    int count = 0;
    for (const char byte : bytes)
        count += qPopulationCount(quint8(byte));
    return count;
}

QByteArray littleEndian(quint32 value, int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
    return bytes;
}

// A BMP header for a 24-bit picture of the given size, with no picture data after it.
QByteArray bmpHeaderOnly(quint32 width, quint32 height)
{
    return "BM" + littleEndian(54, 4) + littleEndian(0, 4) + littleEndian(54, 4) + littleEndian(40, 4)
         + littleEndian(width, 4) + littleEndian(height, 4) + littleEndian(1, 2) + littleEndian(24, 2)
         + QByteArray(24, '\0');
}

// A two-colour GIF (Qt reads GIF but does not write it). Every dot is sent as a clear code and one
// literal, so the codes stay three bits wide and no table is ever built.
QByteArray gifFile(const QImage &picture)
{
    QByteArray gif("GIF89a");
    gif += littleEndian(quint32(picture.width()), 2) + littleEndian(quint32(picture.height()), 2);
    gif += QByteArray::fromHex("800000" "000000" "ffffff");  // two colours: 0 black, 1 white
    gif += "," + littleEndian(0, 4) + littleEndian(quint32(picture.width()), 2)
         + littleEndian(quint32(picture.height()), 2) + QByteArray(1, '\0');
    constexpr int ClearCode = 4;
    constexpr int EndCode = 5;
    gif.append(char(2));  // minimum code size
    QByteArray codes;
    quint32 pending = 0;
    int pendingBits = 0;
    const auto put = [&](int code) {
        pending |= quint32(code) << pendingBits;
        pendingBits += 3;
        for (; pendingBits >= 8; pendingBits -= 8, pending >>= 8)
            codes.append(char(pending & 0xFF));
    };
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            put(ClearCode);
            put(qGray(picture.pixel(x, y)) < 128 ? 0 : 1);
        }
    }
    put(EndCode);
    if (pendingBits > 0)
        codes.append(char(pending & 0xFF));
    for (qsizetype start = 0; start < codes.size(); start += 255) {
        const QByteArray block = codes.mid(start, 255);
        gif.append(char(block.size())).append(block);
    }
    gif.append('\0').append(';');
    return gif;
}

QByteArray encoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        qFatal("cannot write %s: %s", format, qPrintable(writer.errorString()));
    return data;
}

// The JPEG with an Exif orientation tag saying it is shown turned a quarter clockwise (value 6), as a
// camera held upright writes it. Qt's JPEG writer writes no such tag.
QByteArray turnedJpeg(const QByteArray &jpeg)
{
    const QByteArray exif = QByteArray::fromHex("ffe10022" "457869660000" "4d4d002a00000008" "0001"
                                                "011200030000000100060000" "00000000");
    return jpeg.first(2) + exif + jpeg.mid(2);  // just after the start-of-image marker
}

// Noise compresses badly, so the picture data of its PNG is long enough to cut in the middle.
QImage noise(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            image.setPixel(x, y, state >> 8);
        }
    }
    return image;
}

// A black block on white with its edges on the 8 x 8 blocks of JPEG, which a lossy file keeps sharp.
const QRect LogoBlock(32, 8, 64, 16);

QImage blockPicture()
{
    return withRectangle(filled(LogoPictureWidth, LogoPictureHeight, grey(255), QImage::Format_RGB32), LogoBlock,
                         grey(0));
}

} // namespace

class TestLogoPicture : public QObject
{
    Q_OBJECT

private slots:
    void imageToBytes_data();
    void imageToBytes();
    void fillOrFit_data();
    void fillOrFit();
    void dithering_data();
    void dithering();
    void pictureRoundTrip_data();
    void pictureRoundTrip();
    void pictureOfWrongSize();
    void invertBytes();
    void textFile();
    void readImageFile_data();
    void readImageFile();
    void readLargeJpeg_data();
    void readLargeJpeg();
};

void TestLogoPicture::imageToBytes_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray none(LogoByteCount, '\0');
    const QByteArray all(LogoByteCount, '\xFF');
    const QImage white = filled(128, 32, grey(255));
    QByteArray firstDot = none;
    firstDot[0] = char(0x80);
    QByteArray lastDot = none;
    lastDot[LogoByteCount - 1] = char(0x01);

    QTest::newRow("all white") << white << false << none;
    QTest::newRow("dark dot at (0,0)") << withRectangle(white, {0, 0, 1, 1}, grey(0)) << false << firstDot;
    QTest::newRow("dark dot at (127,31)") << withRectangle(white, {127, 31, 1, 1}, grey(0)) << false << lastDot;
    QTest::newRow("256 x 64 halves exactly") << drawnPicture(patternBytes(), 2) << false << patternBytes();
    // 32 x 32 in the middle: dots 48 to 79, bytes 6 to 9 of every line.
    QTest::newRow("64 x 64 centred") << filled(64, 64, grey(0)) << false << everyLine("000000000000ffffffff000000000000");
    // 8 x 32 in the middle, across a byte boundary: dots 60 to 67.
    QTest::newRow("16 x 64 centred") << filled(16, 64, grey(0)) << false << everyLine("000000000000000ff000000000000000");
    // 128 x 16 in the middle: lines 8 to 23.
    QTest::newRow("256 x 32 centred")
        << filled(256, 32, grey(0)) << false << QByteArray(8 * 16, '\0') + all.first(16 * 16) + QByteArray(8 * 16, '\0');
    // Transparent black: a conversion that drops the alpha channel would see black.
    QTest::newRow("fully transparent") << filled(128, 32, qRgba(0, 0, 0, 0)) << false << none;
    QTest::newRow("fully transparent, scaled") << filled(300, 70, qRgba(0, 0, 0, 0)) << false << none;
    QTest::newRow("transparent ground, opaque dot")
        << withRectangle(filled(128, 32, qRgba(0, 0, 0, 0)), {0, 0, 1, 1}, qRgba(0, 0, 0, 255)) << false << firstDot;
    QTest::newRow("invert of all white") << white << true << all;
    QTest::newRow("invert turns the margins too") << filled(64, 64, grey(0)) << true
                                                  << everyLine("ffffffffffff00000000ffffffffffff");
    // Otsu's threshold: a logo lighter than middle grey on a lighter ground, and a darker logo on a ground
    // darker than middle grey; a fixed threshold would lose the first logo or fill the second ground.
    QTest::newRow("light grey logo on white")
        << withRectangle(filled(128, 32, grey(235)), LogoBlock, grey(150)) << false << rectangleBytes(LogoBlock);
    QTest::newRow("black logo on dark grey")
        << withRectangle(filled(128, 32, grey(100)), LogoBlock, grey(20)) << false << rectangleBytes(LogoBlock);
    {
        // A few hundred dots of faint shade on white, as a scan of blank paper has.
        QImage paper = white;
        for (int i = 0; i < 4096; i += 7)
            paper.setPixel(i % 128, i / 128, grey(247));
        QTest::newRow("faint noise on white") << paper << false << none;
    }
    // One shade: its own darkness decides.
    QTest::newRow("all light grey") << filled(128, 32, grey(200)) << false << none;
    QTest::newRow("all black") << filled(128, 32, grey(0)) << false << all;
    QTest::newRow("one-bit picture") << drawnPicture(patternBytes()).convertToFormat(QImage::Format_Mono) << false
                                     << patternBytes();
    QTest::newRow("null image") << QImage() << false << none;
}

void TestLogoPicture::imageToBytes()
{
    QFETCH(QImage, image);
    QFETCH(bool, invert);
    QFETCH(QByteArray, expected);

    QCOMPARE(lines(logoBytesFromImage(image, {.invert = invert})), lines(expected));
}

void TestLogoPicture::fillOrFit_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("fittedRows");
    QTest::addColumn<bool>("farFromBanner");

    const QByteArray all(LogoByteCount, '\xFF');
    // 8:1, black in its middle quarter: fitted, a band of 16 rows with the black in the middle 32 dots;
    // filled, the middle half of the width, black in the middle half of that.
    const QImage wide = withRectangle(filled(512, 64, grey(255)), {192, 0, 128, 64}, grey(0));
    QTest::newRow("8:1 fitted") << wide << false << rectangleBytes({48, 8, 32, 16}) << 16 << true;
    QTest::newRow("8:1 filled: the middle 4:1") << wide << true << rectangleBytes({32, 0, 64, 32}) << 16 << true;
    // 1:4, black in its middle eighth of height: fill takes the middle 64 x 16 rows and fills the logo.
    const QImage tall = withRectangle(filled(64, 256, grey(255)), {0, 120, 64, 16}, grey(0));
    QTest::newRow("1:4 fitted") << tall << false << rectangleBytes({60, 15, 8, 2}) << 32 << true;
    QTest::newRow("1:4 filled") << tall << true << all << 32 << true;
    // 4:1 already: fill changes nothing.
    const QImage banner = withRectangle(filled(256, 64, grey(255)), {64, 16, 128, 32}, grey(0));
    QTest::newRow("4:1 fitted") << banner << false << rectangleBytes(LogoBlock) << 32 << false;
    QTest::newRow("4:1 filled") << banner << true << rectangleBytes(LogoBlock) << 32 << false;
    QTest::newRow("3:1 is not far") << filled(192, 64, grey(0)) << false << rectangleBytes({16, 0, 96, 32}) << 32 << false;
    QTest::newRow("2:1 is") << filled(200, 100, grey(0)) << false << rectangleBytes({32, 0, 64, 32}) << 32 << true;
    QTest::newRow("6000 x 150 leaves 3 rows") << filled(6000, 150, grey(0)) << false << rectangleBytes({0, 14, 128, 3}) << 3 << true;
}

void TestLogoPicture::fillOrFit()
{
    QFETCH(QImage, image);
    QFETCH(bool, fill);
    QFETCH(QByteArray, expected);
    QFETCH(int, fittedRows);
    QFETCH(bool, farFromBanner);

    QCOMPARE(lines(logoBytesFromImage(image, {.fill = fill})), lines(expected));
    QCOMPARE(logoFittedSize(image.size()).height(), fittedRows);
    QCOMPARE(logoShapeFarFromBanner(image.size()), farFromBanner);
}

void TestLogoPicture::dithering_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("minimumOn");
    QTest::addColumn<int>("maximumOn");
    QTest::addColumn<QByteArray>("allowed");  // no dot outside these may be on

    const int dots = LogoPictureWidth * LogoPictureHeight;
    const QByteArray anywhere(LogoByteCount, '\xFF');
    QTest::newRow("mid-grey, about half") << filled(128, 32, grey(128)) << dots * 45 / 100 << dots * 55 / 100
                                          << anywhere;
    QTest::newRow("dark grey, about three quarters") << filled(128, 32, grey(64)) << dots * 70 / 100
                                                     << dots * 80 / 100 << anywhere;
    QTest::newRow("white, none") << filled(128, 32, grey(255)) << 0 << 0 << anywhere;
    QTest::newRow("transparent, none") << filled(128, 32, qRgba(0, 0, 0, 0)) << 0 << 0 << anywhere;
    QTest::newRow("margins stay white") << filled(64, 64, grey(128)) << 32 * 32 * 45 / 100 << 32 * 32 * 55 / 100
                                        << everyLine("000000000000ffffffff000000000000");
}

void TestLogoPicture::dithering()
{
    QFETCH(QImage, image);
    QFETCH(int, minimumOn);
    QFETCH(int, maximumOn);
    QFETCH(QByteArray, allowed);

    const QByteArray bytes = logoBytesFromImage(image, {.dither = true});
    QCOMPARE(bytes.size(), LogoByteCount);
    const int on = dotsOn(bytes);
    QVERIFY2(on >= minimumOn && on <= maximumOn, qPrintable(QString::number(on)));
    for (int i = 0; i < LogoByteCount; ++i)
        QVERIFY2((bytes[i] & ~allowed[i]) == 0, qPrintable(QString::number(i)));
}

void TestLogoPicture::pictureRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("pattern") << patternBytes();
    QTest::newRow("all off") << QByteArray(LogoByteCount, '\0');
    QTest::newRow("all on") << QByteArray(LogoByteCount, '\xFF');
}

void TestLogoPicture::pictureRoundTrip()
{
    QFETCH(QByteArray, bytes);

    const QImage picture = logoPictureImage(bytes);
    QCOMPARE(picture.size(), LogoPictureSize);
    QCOMPARE(picture.convertToFormat(QImage::Format_RGB32), drawnPicture(bytes));

    QCOMPARE(lines(logoBytesFromPicture(picture).value_or("")), lines(bytes));
    // In any format, and through the conversion for images of any size, which must not change a picture
    // that already has the logo's size and two shades.
    QCOMPARE(lines(logoBytesFromPicture(picture.convertToFormat(QImage::Format_ARGB32)).value_or("")), lines(bytes));
    QCOMPARE(lines(logoBytesFromImage(picture)), lines(bytes));
}

void TestLogoPicture::pictureOfWrongSize()
{
    QVERIFY(!logoBytesFromPicture(filled(128, 33, grey(0))));
    QVERIFY(!logoBytesFromPicture(filled(64, 16, grey(0))));
    QVERIFY(!logoBytesFromPicture(QImage()));
}

void TestLogoPicture::invertBytes()
{
    const QByteArray bytes = patternBytes();
    const QByteArray inverted = invertedLogoBytes(bytes);
    QCOMPARE(inverted.size(), LogoByteCount);
    for (int i = 0; i < LogoByteCount; ++i)
        QCOMPARE(quint8(inverted[i]), quint8(~bytes[i]));
    QCOMPARE(invertedLogoBytes(QByteArray(LogoByteCount, '\0')), QByteArray(LogoByteCount, '\xFF'));
    // Too few bytes: the missing dots are off, so they come out on.
    QCOMPARE(invertedLogoBytes(QByteArray(2, '\xFF')), QByteArray(2, '\0') + QByteArray(LogoByteCount - 2, '\xFF'));
}

void TestLogoPicture::textFile()
{
    QByteArray counting;
    for (int i = 0; i < LogoByteCount; ++i)
        counting.append(char(i));
    const QByteArray text = logoTextFileContents(counting);
    const QList<QByteArray> textLines = text.split('\n');
    QCOMPARE(textLines.size(), LogoLineCount + 1);
    QCOMPARE(textLines.first(), QByteArray("000102030405060708090A0B0C0D0E0F\r"));
    QCOMPARE(textLines.at(LogoLineCount - 1), QByteArray("F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF\r"));
    QCOMPARE(textLines.last(), QByteArray());
    QCOMPARE(text.size(), LogoLineCount * 34);

    for (const QByteArray &bytes : {counting, patternBytes(), logoBytesFromImage(blockPicture())}) {
        const auto read = parseLogoData(logoTextFileContents(bytes));
        QVERIFY(std::holds_alternative<LogoPicture>(read));
        QCOMPARE(lines(std::get<LogoPicture>(read).bytes), lines(bytes));
    }
}

void TestLogoPicture::readImageFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QImage>("expected");  // null when an error is expected
    QTest::addColumn<LogoImageError>("error");

    const QImage block = blockPicture();
    const auto image = [&](const char *rowName, const QString &name, const QByteArray &contents) {
        QTest::newRow(rowName) << name << contents << block << LogoImageError::NotAnImage;
    };
    const auto refused = [](const char *rowName, const QString &name, const QByteArray &contents,
                            LogoImageError error) {
        QTest::newRow(rowName) << name << contents << QImage() << error;
    };

    // Recognised by contents whatever the name says.
    image("PNG named .txt", "logo.txt", encoded(block, "png"));
    image("JPEG named .txt", "logo.txt", encoded(block, "jpeg", 95));
    image("GIF named .txt", "logo.txt", gifFile(block));
    image("BMP named .txt", "logo.txt", encoded(block, "bmp"));
    image("PNG named .png", "logo.png", encoded(block, "png"));

    refused("logo text file named .png", "logo.png", logoTextFileContents(patternBytes()), LogoImageError::NotAnImage);
    refused("plain text", "notes.txt", "just some words\r\n", LogoImageError::NotAnImage);
    refused("empty file", "empty.png", "", LogoImageError::NotAnImage);
    refused("missing file", "", {}, LogoImageError::NotAnImage);

    const QByteArray noisePng = encoded(noise(300, 200), "png");
    refused("truncated PNG", "cut.png", noisePng.first(noisePng.size() / 2), LogoImageError::CannotDecode);
    QByteArray corrupt = noisePng;
    for (qsizetype i = corrupt.size() / 2; i < corrupt.size() / 2 + 64; ++i)
        corrupt[i] = char(~corrupt[i]);
    refused("corrupt PNG", "corrupt.png", corrupt, LogoImageError::CannotDecode);
    // Refused from the header alone, as too large (the message then gives the size).
    refused("PNG claiming 60000 x 60000", "huge.png", pngClaiming(60000, 60000), LogoImageError::TooLarge);
    refused("PNG claiming 8200 x 8200", "huge.png", pngClaiming(8200, 8200), LogoImageError::TooLarge);

    // A JPEG decoder fills a file cut short with grey and calls it read: the missing end marker tells.
    const QByteArray noiseJpeg = encoded(noise(300, 200), "jpeg", 90);
    refused("JPEG cut to its first 3000 bytes", "cut.jpg", noiseJpeg.first(3000), LogoImageError::CannotDecode);
    refused("JPEG without its last two bytes", "cut.jpg", noiseJpeg.chopped(2), LogoImageError::CannotDecode);
    image("JPEG with bytes after its end", "tail.jpg", encoded(block, "jpeg", 95) + QByteArray(100, 'x'));
    refused("BMP claiming 60000 x 60000", "huge.bmp", bmpHeaderOnly(60000, 60000), LogoImageError::CannotDecode);
}

void TestLogoPicture::readImageFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QImage, expected);
    QFETCH(LogoImageError, error);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    QString path = directory.filePath("missing.png");
    if (!name.isEmpty()) {
        path = directory.filePath(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), contents.size());
    }

    const auto result = readLogoImage(path);
    if (expected.isNull()) {
        QVERIFY(std::holds_alternative<LogoImageError>(result));
        QCOMPARE(std::get<LogoImageError>(result), error);
        return;
    }
    QVERIFY(std::holds_alternative<QImage>(result));
    const QImage &image = std::get<QImage>(result);
    QCOMPARE(image.size(), expected.size());
    QCOMPARE(lines(logoBytesFromImage(image)), lines(logoBytesFromImage(expected)));
}

void TestLogoPicture::readLargeJpeg_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("turned");
    QTest::addColumn<QByteArray>("expected");

    // 1600 x 1200 fits as 42 x 32: dots 43 to 84.
    QTest::newRow("landscape") << QSize(1600, 1200) << false << rectangleBytes({43, 0, 42, 32});
    // Stored as 1000 x 3000 and shown as 3000 x 1000, which fits as 96 x 32: dots 16 to 111.
    QTest::newRow("turned by its orientation tag") << QSize(1000, 3000) << true << rectangleBytes({16, 0, 96, 32});
    QTest::newRow("very wide") << QSize(6000, 150) << false << rectangleBytes({0, 14, 128, 3});
}

// A large JPEG is decoded reduced, yet fills the same dots as a full decode would.
void TestLogoPicture::readLargeJpeg()
{
    QFETCH(QSize, size);
    QFETCH(bool, turned);
    QFETCH(QByteArray, expected);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString path = directory.filePath("photo.jpg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray jpeg = encoded(filled(size.width(), size.height(), grey(0), QImage::Format_RGB32), "jpeg", 90);
    file.write(turned ? turnedJpeg(jpeg) : jpeg);
    file.close();

    const auto result = readLogoImage(path);
    QVERIFY(std::holds_alternative<QImage>(result));
    const QImage &image = std::get<QImage>(result);
    QVERIFY2(image.width() * image.height() < size.width() * size.height() / 16,
             qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
    QCOMPARE(lines(logoBytesFromImage(image)), lines(expected));
}

QTEST_GUILESS_MAIN(TestLogoPicture)
#include "tst_logo_picture.moc"
