// Logo data files of any content: the reader against a whole-file reference (every line decoded in full,
// no pieces, no cut after 128 bytes), also with a piece boundary moved into the data, against the same
// data with other line ends, and, for some inputs, against readLogoFile on the same bytes in a file.

#include "fuzz_check.h"
#include "logo_file.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <variant>
#include <vector>

namespace {

using LogoResult = std::variant<LogoPicture, LogoFileError>;

constexpr QByteArrayView Bom("\xEF\xBB\xBF");

// One comparable value per outcome.
QByteArray summary(const LogoResult &result)
{
    if (const auto *error = std::get_if<LogoFileError>(&result))
        return *error == LogoFileError::CannotOpen ? "CannotOpen" : "TooFewLines";
    return std::get<LogoPicture>(result).bytes.toHex();
}

// Finds line ends with memchr: the harness's own loops carry coverage instrumentation, and a byte-by-byte
// scan of the 64 KiB padding would slow every run down. Each kind of end is searched again only once passed.
class LineEndFinder
{
public:
    explicit LineEndFinder(QByteArrayView data) : m_data(data) {}

    // Index of the first CR or LF at or after `from`; the size when there is none.
    qsizetype next(qsizetype from)
    {
        if (m_cr < from)
            m_cr = find('\r', from);
        if (m_lf < from)
            m_lf = find('\n', from);
        return qMin(m_cr, m_lf);
    }

    // Where the line after the end at `end` starts: CR LF is one end.
    qsizetype after(qsizetype end) const
    {
        const bool crLf = m_data[end] == '\r' && end + 1 < m_data.size() && m_data[end + 1] == '\n';
        return end + (crLf ? 2 : 1);
    }

private:
    qsizetype find(char c, qsizetype from) const
    {
        if (from >= m_data.size())
            return m_data.size();
        const void *hit = std::memchr(m_data.data() + from, c, std::size_t(m_data.size() - from));
        return hit ? static_cast<const char *>(hit) - m_data.data() : m_data.size();
    }

    QByteArrayView m_data;
    qsizetype m_cr = -1;
    qsizetype m_lf = -1;
};

// The lines of the data after an optional byte-order mark; a last line without end counts if not empty.
std::vector<QByteArrayView> splitLines(QByteArrayView data)
{
    if (data.startsWith(Bom))
        data = data.sliced(Bom.size());
    std::vector<QByteArrayView> lines;
    LineEndFinder ends(data);
    for (qsizetype start = 0; start < data.size();) {
        const qsizetype end = ends.next(start);
        lines.push_back(data.sliced(start, end - start));
        if (end == data.size())
            break;
        start = ends.after(end);
    }
    return lines;
}

// 16 bytes from a line: pairs of characters 1-2, 3-4, ...; a character outside the Basic Multilingual
// Plane is one character.
QByteArray lineBytes(QByteArrayView line)
{
    // QString::fromUtf8 would drop a byte-order mark at the line's start; in a line it is a character.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder(line);
    std::vector<QStringView> chars;
    for (qsizetype i = 0; i < text.size() && chars.size() < 32;) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        chars.push_back(QStringView(text).sliced(i, length));
        i += length;
    }
    QByteArray bytes(LogoBytesPerLine, '\0');
    for (int pair = 0; pair < LogoBytesPerLine; ++pair) {
        int value = 0;
        for (std::size_t i = std::size_t(pair) * 2; i < std::size_t(pair) * 2 + 2 && i < chars.size(); ++i) {
            const int digit = chars[i].size() == 1 ? oracleHexValue(chars[i].front().unicode()) : -1;
            if (digit < 0)
                break;
            value = value * 16 + digit;
        }
        bytes[pair] = static_cast<char>(value);
    }
    return bytes;
}

QByteArray referenceSummary(QByteArrayView data)
{
    const std::vector<QByteArrayView> lines = splitLines(data);
    if (lines.size() < LogoLineCount)
        return "TooFewLines";
    QByteArray picture;
    for (int line = 0; line < LogoLineCount; ++line)
        picture += lineBytes(lines[line]);
    return picture.toHex();
}

// The first line where two outcomes differ, with that line's bytes, for the failure message.
QByteArray firstDifference(const QByteArray &got, const QByteArray &expected, QByteArrayView data)
{
    const qsizetype lineHex = 2 * LogoBytesPerLine;
    for (qsizetype start = 0; start < qMax(got.size(), expected.size()); start += lineHex) {
        if (got.mid(start, lineHex) == expected.mid(start, lineHex))
            continue;
        const std::vector<QByteArrayView> lines = splitLines(data);
        const std::size_t index = std::size_t(start / lineHex);
        return "line " + QByteArray::number(index) + " got " + got.mid(start, lineHex) + " reference "
            + expected.mid(start, lineHex) + " line bytes "
            + (index < lines.size() ? lines[index].toByteArray().toHex() : QByteArray("none"));
    }
    return "same";
}

// Every line end (CR LF, CR, LF) written as `lineEnd`.
QByteArray withLineEnds(QByteArrayView data, QByteArrayView lineEnd)
{
    QByteArray result;
    result.reserve(data.size() * 2);
    LineEndFinder ends(data);
    for (qsizetype start = 0; start < data.size();) {
        const qsizetype end = ends.next(start);
        result += data.sliced(start, end - start);
        if (end == data.size())
            break;
        result += lineEnd;
        start = ends.after(end);
    }
    return result;
}

// The data behind a first line of padding, placed so that the reader's 64 KiB piece ends just before
// data[offset]. The reference knows nothing of pieces, so the two must still agree.
void checkAcrossPieces(QByteArrayView data, qsizetype offset)
{
    offset = qMin(offset, LogoReadChunkSize - 1);
    QByteArray shifted(LogoReadChunkSize - offset - 1, 'x');
    shifted += '\r';
    shifted += data.toByteArray();
    const QByteArray got = summary(parseLogoData(shifted));
    const QByteArray expected = referenceSummary(shifted);
    FUZZ_CHECK_INFO(got == expected, "offset " + QByteArray::number(offset) + ": " + firstDifference(got, expected, shifted));
}

QByteArray fileSummary(QByteArrayView data)
{
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("logo.txt"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(data.data(), data.size()) == data.size());
    }
    return summary(readLogoFile(path));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView contents(data, qsizetype(size));
    const LogoResult result = parseLogoData(contents);
    const QByteArray got = summary(result);
    const QByteArray info = "got " + got.left(80) + "...";

    FUZZ_CHECK_INFO(!std::holds_alternative<LogoFileError>(result)
                        || std::get<LogoFileError>(result) == LogoFileError::TooFewLines, info);
    // Success exactly when there are 32 lines, and then always the full picture.
    const bool enoughLines = splitLines(contents).size() >= LogoLineCount;
    FUZZ_CHECK_INFO(std::holds_alternative<LogoPicture>(result) == enoughLines, info);
    if (const auto *picture = std::get_if<LogoPicture>(&result))
        FUZZ_CHECK_INFO(picture->bytes.size() == LogoByteCount, info);
    const QByteArray expected = referenceSummary(contents);
    FUZZ_CHECK_INFO(got == expected, firstDifference(got, expected, contents));

    // Line ends are interchangeable; CR LF may now cross the 64 KiB piece boundary.
    FUZZ_CHECK_INFO(summary(parseLogoData(withLineEnds(contents, "\n"))) == got, info);
    FUZZ_CHECK_INFO(summary(parseLogoData(withLineEnds(contents, "\r\n"))) == got, info);
    FUZZ_CHECK_INFO(summary(parseLogoData(withLineEnds(contents, "\r"))) == got, info);

    // Inputs stay within one piece; these move a piece boundary into them: at a place the first byte
    // picks, and between the first CR and what follows it.
    if (!contents.isEmpty())
        checkAcrossPieces(contents, qMin<qsizetype>(static_cast<quint8>(contents.front()), contents.size()));
    if (const qsizetype cr = contents.indexOf('\r'); cr >= 0)
        checkAcrossPieces(contents, cr + 1);

    // A byte-order mark in front of data without one is skipped.
    if (!contents.startsWith(Bom))
        FUZZ_CHECK_INFO(summary(parseLogoData(Bom.toByteArray() + contents.toByteArray())) == got, info);
    // Once 32 lines are complete, what follows is never read.
    if (std::holds_alternative<LogoPicture>(result))
        FUZZ_CHECK_INFO(summary(parseLogoData(contents.toByteArray() + "\n" + contents.toByteArray())) == got, info);

    // Writing a file for every input would make the run crawl; the hash keeps the choice repeatable.
    if (qHash(contents) % 16 == 0)
        FUZZ_CHECK_INFO(fileSummary(contents) == got, info);
    return 0;
}
