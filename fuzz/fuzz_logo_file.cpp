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
#include <optional>
#include <variant>
#include <vector>

namespace {

using LogoResult = std::variant<LogoPicture, LogoFileError>;

constexpr QByteArrayView Bom("\xEF\xBB\xBF");
constexpr QByteArrayView Utf16LeBom("\xFF\xFE");
constexpr QByteArrayView Utf16BeBom("\xFE\xFF");

bool isUtf16(QByteArrayView data)
{
    return data.startsWith(Utf16LeBom) || data.startsWith(Utf16BeBom);
}

// One comparable value per outcome.
QByteArray summary(const LogoResult &result)
{
    if (const auto *error = std::get_if<LogoFileError>(&result)) {
        switch (error->kind) {
        case LogoFileError::Kind::CannotOpen:
            return "CannotOpen";
        case LogoFileError::Kind::TooFewLines:
            return "TooFewLines";
        case LogoFileError::Kind::BadLine:
            return "BadLine " + QByteArray::number(error->line);
        case LogoFileError::Kind::ImageUnreadable:
            return "ImageUnreadable";
        }
    }
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

// A line is a logo line when its first 32 characters are hexadecimal digits; the bytes they spell.
std::optional<QByteArray> lineBytes(QByteArrayView line)
{
    // QString::fromUtf8 would drop a byte-order mark at the line's start; in a line it is a character.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder(line);
    if (text.size() < 2 * LogoBytesPerLine)
        return std::nullopt;
    QByteArray bytes(LogoBytesPerLine, '\0');
    for (int pair = 0; pair < LogoBytesPerLine; ++pair) {
        const int high = oracleHexValue(text[2 * pair].unicode());
        const int low = oracleHexValue(text[2 * pair + 1].unicode());
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[pair] = static_cast<char>(high * 16 + low);
    }
    return bytes;
}

// UTF-16 with its byte-order mark, decoded whole, as UTF-8; anything else as it is.
QByteArray asUtf8(QByteArrayView data)
{
    if (!isUtf16(data))
        return data.toByteArray();
    QStringDecoder decoder(data.startsWith(Utf16LeBom) ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return QString(decoder(data.sliced(2))).toUtf8();
}

QByteArray referenceSummary(QByteArrayView data)
{
    const QByteArray utf8 = asUtf8(data);
    const std::vector<QByteArrayView> lines = splitLines(utf8);
    QByteArray picture;
    for (std::size_t line = 0; line < lines.size() && line < std::size_t(LogoLineCount); ++line) {
        const std::optional<QByteArray> bytes = lineBytes(lines[line]);
        if (!bytes)
            return "BadLine " + QByteArray::number(qsizetype(line) + 1);
        picture += *bytes;
    }
    if (lines.size() < LogoLineCount)
        return "TooFewLines";
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
    offset = qMin(offset, LogoReadChunkSize - 2 * LogoBytesPerLine - 1);
    // The padding is itself a logo line, so the data's lines are read on behind it.
    QByteArray shifted(LogoReadChunkSize - offset - 1, '0');
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
                        || std::get<LogoFileError>(result).kind != LogoFileError::Kind::CannotOpen, info);
    if (const auto *picture = std::get_if<LogoPicture>(&result))
        FUZZ_CHECK_INFO(picture->bytes.size() == LogoByteCount, info);
    const QByteArray expected = referenceSummary(contents);
    FUZZ_CHECK_INFO(got == expected, firstDifference(got, expected, contents));

    // The checks below rewrite bytes, which only keeps the meaning of an 8-bit text.
    if (isUtf16(contents))
        return 0;

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
