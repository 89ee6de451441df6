// Reading the start-up logo data file: line splitting, hexadecimal pairs, and which paths may be opened.

#include "logo_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using LogoResult = std::variant<LogoPicture, LogoFileError>;

// Every line and every byte position differs, so a shifted or repeated line shows.
char pictureByte(int line, int column)
{
    return static_cast<char>(line * 7 + column * 13 + line * column);
}

QByteArray standardLineBytes(int line)
{
    QByteArray bytes;
    for (int column = 0; column < LogoBytesPerLine; ++column)
        bytes.append(pictureByte(line, column));
    return bytes;
}

// Odd lines in upper case, even lines in lower case.
QByteArray standardLine(int line)
{
    const QByteArray hex = standardLineBytes(line).toHex();
    return line % 2 ? hex.toUpper() : hex;
}

QList<QByteArray> standardLines(int count = LogoLineCount)
{
    QList<QByteArray> lines;
    for (int line = 0; line < count; ++line)
        lines.append(standardLine(line));
    return lines;
}

QByteArray standardPicture()
{
    QByteArray picture;
    for (int line = 0; line < LogoLineCount; ++line)
        picture.append(standardLineBytes(line));
    return picture;
}

QByteArray joined(const QList<QByteArray> &lines, const QByteArray &lineEnd, bool finalLineEnd = true)
{
    QByteArray data = lines.join(lineEnd);
    if (finalLineEnd)
        data.append(lineEnd);
    return data;
}

QByteArray standardFile()
{
    return joined(standardLines(), "\r\n");
}

// Lines of the picture as hex text, or the error's name, so a mismatch names the first differing line.
QStringList outcome(const LogoResult &result)
{
    if (const auto *error = std::get_if<LogoFileError>(&result)) {
        switch (error->kind) {
        case LogoFileError::Kind::CannotOpen:
            return {"CannotOpen"};
        case LogoFileError::Kind::TooFewLines:
            return {"TooFewLines"};
        case LogoFileError::Kind::BadLine:
            return {QStringLiteral("BadLine %1").arg(error->line)};
        case LogoFileError::Kind::ImageUnreadable:
            return {"ImageUnreadable"};
        }
    }
    const QByteArray &bytes = std::get<LogoPicture>(result).bytes;
    QStringList lines;
    for (qsizetype start = 0; start < bytes.size(); start += LogoBytesPerLine)
        lines.append(QString::fromLatin1(bytes.mid(start, LogoBytesPerLine).toHex(' ')));
    return lines;
}

QStringList pictureOutcome(const QByteArray &picture)
{
    return outcome(LogoPicture{picture});
}

const QStringList TooFewLines{"TooFewLines"};
const QStringList CannotOpen{"CannotOpen"};

QStringList badLine(int lineFromOne)
{
    return {QStringLiteral("BadLine %1").arg(lineFromOne)};
}

// The same text as UTF-16 with its byte-order mark, as Windows editors save "Unicode".
QByteArray utf16(const QByteArray &utf8, QSysInfo::Endian order)
{
    const QString text = QString::fromUtf8(utf8);
    QByteArray data = order == QSysInfo::LittleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        data.append(order == QSysInfo::LittleEndian ? low : high).append(order == QSysInfo::LittleEndian ? high : low);
    }
    return data;
}

// A line that sits at a chunk boundary when it is followed by its line end.
QByteArray paddedToChunkEnd(const QByteArray &line)
{
    return line + QByteArray(LogoReadChunkSize - 1 - line.size(), 'x');
}

constexpr int ChangedLine = 5;

QByteArray withChangedLine(const QByteArray &lineText, int line = ChangedLine)
{
    QList<QByteArray> lines = standardLines();
    lines[line] = lineText;
    return joined(lines, "\r\n");
}

void addChangedLineRow(const char *name, const QByteArray &lineText, const QByteArray &lineBytes)
{
    QByteArray picture = standardPicture();
    picture.replace(ChangedLine * LogoBytesPerLine, LogoBytesPerLine, lineBytes);
    QTest::newRow(name) << withChangedLine(lineText) << pictureOutcome(picture);
}

// A line that does not begin with 32 hexadecimal digits: the file is refused, naming the line.
void addBadLineRow(const char *name, const QByteArray &lineText, int line = ChangedLine)
{
    QTest::newRow(name) << withChangedLine(lineText, line) << badLine(line + 1);
}

// The leading bytes of a line, written as hex, and zeros for the rest.
QByteArray lineBytes(const char *leadingHex)
{
    const QByteArray leading = QByteArray::fromHex(leadingHex);
    return leading + QByteArray(LogoBytesPerLine - leading.size(), '\0');
}

enum class Fixture {
    Missing,
    EmptyPath,
    Directory,
    Fifo,
    SymlinkToFifo,
    Device,
    Unreadable,
    EmptyFile,
    Standard,
    SymlinkToStandard,
    CrLfAcrossChunks,
    ThirtyOneLines,
};

} // namespace

class TestLogoFile : public QObject
{
    Q_OBJECT

private slots:
    void parseLogoData_data();
    void parseLogoData();
    void readLogoFile_data();
    void readLogoFile();
    void readLogoFile_hugeFile_data();
    void readLogoFile_hugeFile();
};

void TestLogoFile::parseLogoData_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("expected");

    const QStringList standard = pictureOutcome(standardPicture());

    // Pairs within one line.
    addChangedLineRow("FF ff fF Ff", "FFfffFFfFFfffFFfFFfffFFfFFfffFFf", lineBytes("ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff"));
    addChangedLineRow("40 characters", "0123456789abcdef0123456789ABCDEFFEDCBA98",
                      lineBytes("01 23 45 67 89 ab cd ef 01 23 45 67 89 ab cd ef"));
    addChangedLineRow("anything after character 32", "0123456789abcdef0123456789ABCDEF ; \xFF\xFE prose",
                      lineBytes("01 23 45 67 89 ab cd ef 01 23 45 67 89 ab cd ef"));

    // Lines that cannot be logo lines.
    addBadLineRow("30-character line 7", "0123456789abcdef0123456789ABCD", 6);
    addBadLineRow("G1 pair in line 3", "0123G1456789abcdef0123456789ABCD", 2);
    addBadLineRow("1G pair", "1G23456789abcdef0123456789ABCDEF");
    addBadLineRow("A alone", "A");
    addBadLineRow("blank line", "");
    addBadLineRow("blank in the digits", "01234567 89abcdef0123456789ABCDEF");
    addBadLineRow("full-width digits", QStringLiteral(u"\uFF10\uFF11").repeated(16).toUtf8());
    addBadLineRow("invalid UTF-8 byte", "\xFF" "0123456789ABCDEF0123456789ABCDEF");
    addBadLineRow("byte-order mark after the start", "\xEF\xBB\xBF" "0123456789abcdef0123456789ABCDEF");
    addBadLineRow("bad first line", "not a logo", 0);
    addBadLineRow("bad last line", "0123456789abcdef0123456789ABCDE", LogoLineCount - 1);
    {
        QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x80\0\0\0\x20\x08\x00\x00\x00\x00");
        QTest::newRow("PNG renamed .txt") << png + QByteArray(200, '\0') << badLine(1);
        QTest::newRow("prose") << QByteArray("Our new logo, as agreed with the shop.\r\n").repeated(40) << badLine(1);
    }

    // Encodings: UTF-16 files with their byte-order mark read as their UTF-8 twin.
    QTest::newRow("UTF-16 LE") << utf16(standardFile(), QSysInfo::LittleEndian) << standard;
    QTest::newRow("UTF-16 BE") << utf16(standardFile(), QSysInfo::BigEndian) << standard;
    QTest::newRow("UTF-16 LE, LF alone, no final end")
        << utf16(joined(standardLines(), "\n", false), QSysInfo::LittleEndian) << standard;
    QTest::newRow("UTF-16 LE, 31 lines") << utf16(joined(standardLines(LogoLineCount - 1), "\r\n"), QSysInfo::LittleEndian)
                                         << TooFewLines;
    QTest::newRow("UTF-16 BE, bad line 4") << utf16(withChangedLine("xyz", 3), QSysInfo::BigEndian) << badLine(4);
    QTest::newRow("UTF-16 LE without its mark") << utf16(standardFile(), QSysInfo::LittleEndian).mid(2) << badLine(1);
    QTest::newRow("UTF-16 mark only") << QByteArray("\xFF\xFE") << TooFewLines;

    // Line ends and line count.
    QTest::newRow("CR LF") << standardFile() << standard;
    QTest::newRow("LF alone") << joined(standardLines(), "\n") << standard;
    QTest::newRow("CR alone") << joined(standardLines(), "\r") << standard;
    {
        const QByteArray ends[] = {"\r\n", "\n", "\r"};
        QByteArray data;
        for (int line = 0; line < LogoLineCount; ++line)
            data += standardLine(line) + ends[line % 3];
        QTest::newRow("mixed line ends") << data << standard;
    }
    // LF CR is two line ends, so the second line is blank.
    QTest::newRow("LF CR is two line ends")
        << standardLine(0) + "\n\r" + joined(standardLines(LogoLineCount - 1).mid(1), "\n") << badLine(2);
    QTest::newRow("BOM") << "\xEF\xBB\xBF" + standardFile() << standard;
    QTest::newRow("32 lines without final line end") << joined(standardLines(), "\r\n", false) << standard;
    QTest::newRow("31 lines and final CR LF") << joined(standardLines(LogoLineCount - 1), "\r\n") << TooFewLines;
    QTest::newRow("31 lines, BOM, no final line end")
        << "\xEF\xBB\xBF" + joined(standardLines(LogoLineCount - 1), "\r\n", false) << TooFewLines;
    QTest::newRow("blank 32nd line") << joined(standardLines(LogoLineCount - 1), "\r\n") + "\r\n" << badLine(32);
    QTest::newRow("empty") << QByteArray() << TooFewLines;
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << TooFewLines;
    {
        QList<QByteArray> lines = standardLines();
        for (int extra = 0; extra < 8; ++extra)
            lines.append("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF" + QByteArray(extra * 10, 'F'));
        QTest::newRow("40 lines, 32 used") << joined(lines, "\r\n") << standard;
        QTest::newRow("40 lines, CR alone") << joined(lines, "\r", false) << standard;
    }

    // The reader takes the data in chunks; a line end must not care where one chunk stops.
    {
        QList<QByteArray> lines = standardLines();
        lines[0] = paddedToChunkEnd(lines[0]);
        QTest::newRow("CR LF split across chunks") << joined(lines, "\r\n") << standard;
        QTest::newRow("CR alone at chunk end") << joined(lines, "\r") << standard;
        lines[0].append('x');
        QTest::newRow("LF at chunk start") << joined(lines, "\n") << standard;
    }
}

void TestLogoFile::parseLogoData()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, expected);

    QCOMPARE(outcome(::parseLogoData(data)), expected);
}

void TestLogoFile::readLogoFile_data()
{
    QTest::addColumn<Fixture>("fixture");
    QTest::addColumn<QStringList>("expected");

    const QStringList standard = pictureOutcome(standardPicture());

    QTest::newRow("missing") << Fixture::Missing << CannotOpen;
    QTest::newRow("empty path") << Fixture::EmptyPath << CannotOpen;
    QTest::newRow("directory") << Fixture::Directory << CannotOpen;
    QTest::newRow("FIFO") << Fixture::Fifo << CannotOpen;
    QTest::newRow("symlink to FIFO") << Fixture::SymlinkToFifo << CannotOpen;
    QTest::newRow("device") << Fixture::Device << CannotOpen;
    QTest::newRow("unreadable") << Fixture::Unreadable << CannotOpen;
    QTest::newRow("empty file") << Fixture::EmptyFile << TooFewLines;
    QTest::newRow("31 lines") << Fixture::ThirtyOneLines << TooFewLines;
    QTest::newRow("standard") << Fixture::Standard << standard;
    QTest::newRow("symlink to standard") << Fixture::SymlinkToStandard << standard;
    QTest::newRow("CR LF split across chunks") << Fixture::CrLfAcrossChunks << standard;
}

namespace {

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Runs readLogoFile on a worker so that a reader stuck opening a FIFO fails the test instead of hanging it.
std::optional<LogoResult> readWithoutHanging(const QString &path)
{
    auto reading = std::async(std::launch::async, [path] { return ::readLogoFile(path); });
    if (reading.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
        return reading.get();
#ifdef Q_OS_UNIX
    // A writer that comes and goes lets the stuck open return and the read see end of file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
#endif
    reading.wait();
    return std::nullopt;
}

qsizetype openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

} // namespace

void TestLogoFile::readLogoFile()
{
    QFETCH(Fixture, fixture);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("logo.txt");

    switch (fixture) {
    case Fixture::Missing:
        break;
    case Fixture::EmptyPath:
        QCOMPARE(outcome(::readLogoFile(QString())), expected);
        return;
    case Fixture::Directory:
        QVERIFY(QDir(dir.path()).mkdir("logo.txt"));
        break;
    case Fixture::Fifo:
    case Fixture::SymlinkToFifo: {
#ifdef Q_OS_UNIX
        const QString fifoPath = fixture == Fixture::Fifo ? path : dir.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifoPath).constData(), 0600), 0);
        if (fixture == Fixture::SymlinkToFifo)
            QVERIFY(QFile::link(fifoPath, path));
        break;
#else
        QSKIP("FIFOs are a Unix feature");
#endif
    }
    case Fixture::Device:
        if (!QFileInfo::exists("/dev/null"))
            QSKIP("no /dev/null here");
        QCOMPARE(outcome(::readLogoFile("/dev/null")), expected);
        return;
    case Fixture::Unreadable: {
        QVERIFY(writeFile(path, standardFile()));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("file permissions do not apply to this user (root)");
        break;
    }
    case Fixture::EmptyFile:
        QVERIFY(writeFile(path, QByteArray()));
        break;
    case Fixture::Standard:
        QVERIFY(writeFile(path, standardFile()));
        break;
    case Fixture::SymlinkToStandard:
        QVERIFY(writeFile(dir.filePath("target.txt"), standardFile()));
        QVERIFY(QFile::link(dir.filePath("target.txt"), path));
        break;
    case Fixture::CrLfAcrossChunks: {
        QList<QByteArray> lines = standardLines();
        lines[0] = paddedToChunkEnd(lines[0]);
        QVERIFY(writeFile(path, joined(lines, "\r\n")));
        break;
    }
    case Fixture::ThirtyOneLines:
        QVERIFY(writeFile(path, joined(standardLines(LogoLineCount - 1), "\r\n")));
        break;
    }

    const qsizetype descriptorsBefore = openDescriptorCount();
    const std::optional<LogoResult> result = readWithoutHanging(path);
    if (!result)
        QFAIL("readLogoFile blocked on the path");
    QCOMPARE(outcome(*result), expected);
    // The file is closed on every way out, including the refusals.
    QCOMPARE(openDescriptorCount(), descriptorsBefore);
}

void TestLogoFile::readLogoFile_hugeFile_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QStringList>("expected");

    // Refused at the first zero byte, without reading on.
    QTest::newRow("no line end at all") << QByteArray("0123") << badLine(1);
    QTest::newRow("32 digits, then no line end") << standardLine(0) << TooFewLines;
    QTest::newRow("huge 32nd line without end")
        << joined(standardLines(LogoLineCount - 1), "\r\n") + standardLine(LogoLineCount - 1)
        << pictureOutcome(standardPicture());
}

// A 64 MiB file whose tail is a hole (zero bytes, no line end): reading it must not take memory in
// proportion to its size.
void TestLogoFile::readLogoFile_hugeFile()
{
    QFETCH(QByteArray, start);
    QFETCH(QStringList, expected);

    constexpr qint64 HugeSize = 64 * 1024 * 1024;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("huge.txt");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(start), start.size());
        QVERIFY(file.resize(HugeSize));
    }

#ifdef Q_OS_LINUX
    rusage usage{};
    QCOMPARE(::getrusage(RUSAGE_SELF, &usage), 0);
    const long peakKiBBefore = usage.ru_maxrss;
#endif

    QCOMPARE(outcome(::readLogoFile(path)), expected);

#ifdef Q_OS_LINUX
    QCOMPARE(::getrusage(RUSAGE_SELF, &usage), 0);
    const long growthKiB = usage.ru_maxrss - peakKiBBefore;
    QVERIFY2(growthKiB < 16 * 1024, qPrintable(QString("peak memory grew by %1 KiB").arg(growthKiB)));
#endif
}

QTEST_APPLESS_MAIN(TestLogoFile)
#include "tst_logo_file.moc"
