#include "logo_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace {

// Hexadecimal digits are ASCII, so in UTF-8 the 32 characters that matter are a line's first 32 bytes.
constexpr qsizetype LineCharsUsed = 2 * LogoBytesPerLine;

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");
constexpr QByteArrayView Utf16LeBom("\xFF\xFE");
constexpr QByteArrayView Utf16BeBom("\xFE\xFF");

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Splits the file into lines as its bytes arrive in pieces of any size, keeping only the part of the
// current line that can still matter, and stops at the first line that cannot be a logo line.
class LogoLineReader
{
public:
    LogoLineReader() { m_picture.reserve(LogoByteCount); }

    // True once all 32 lines are in, or a bad line was met; nothing more needs reading.
    bool feed(QByteArrayView data)
    {
        if (!m_encodingKnown) {
            const qsizetype take = qMin(Utf8Bom.size() - m_head.size(), data.size());
            m_head.append(data.first(take));
            data = data.sliced(take);
            if (mayStillBeBom())
                return false;
            decideEncoding();
        }
        decodeAndSplit(data);
        return done();
    }

    std::variant<LogoPicture, LogoFileError> finish()
    {
        if (!m_encodingKnown)
            decideEncoding();  // shorter than a byte-order mark, though it began like one
        // The last line needs no end.
        if (!done() && m_lineStarted)
            endLine();
        if (m_badLine > 0)
            return LogoFileError{LogoFileError::Kind::BadLine, m_badLine};
        if (!done())
            return LogoFileError{LogoFileError::Kind::TooFewLines};
        return LogoPicture{m_picture};
    }

private:
    bool done() const { return m_lineCount == LogoLineCount || m_badLine > 0; }

    bool mayStillBeBom() const
    {
        return m_head.size() < Utf8Bom.size() && !m_head.startsWith(Utf16LeBom) && !m_head.startsWith(Utf16BeBom)
               && (Utf8Bom.startsWith(m_head) || Utf16LeBom.startsWith(m_head) || Utf16BeBom.startsWith(m_head));
    }

    void decideEncoding()
    {
        m_encodingKnown = true;
        QByteArrayView rest = m_head;
        if (rest.startsWith(Utf8Bom)) {
            rest = rest.sliced(Utf8Bom.size());
        } else if (rest.startsWith(Utf16LeBom) || rest.startsWith(Utf16BeBom)) {
            const bool littleEndian = rest.startsWith(Utf16LeBom);
            m_utf16 = QStringDecoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
            rest = rest.sliced(Utf16LeBom.size());
        }
        decodeAndSplit(rest);
        m_head.clear();
    }

    // UTF-16 is turned into UTF-8 piece by piece (the decoder keeps a character cut between two pieces),
    // so that lines are split and checked the same way whatever the encoding.
    void decodeAndSplit(QByteArrayView data)
    {
        if (m_utf16.isValid())
            split(QString(m_utf16.decode(data)).toUtf8());
        else
            split(data);
    }

    void split(QByteArrayView data)
    {
        while (!data.isEmpty() && !done()) {
            // CR LF is one line end even when the two arrive in different pieces.
            if (m_afterCr) {
                m_afterCr = false;
                if (data.front() == '\n') {
                    data = data.sliced(1);
                    continue;
                }
            }
            const auto lineEnd = std::find_if(data.begin(), data.end(), [](char c) { return c == '\r' || c == '\n'; });
            const qsizetype length = lineEnd - data.begin();
            keep(data.first(length));
            if (length == data.size() || done())
                return;
            m_afterCr = data[length] == '\r';
            endLine();
            data = data.sliced(length + 1);
        }
    }

    void keep(QByteArrayView part)
    {
        if (part.isEmpty())
            return;
        m_lineStarted = true;
        const QByteArrayView used = part.first(qMin(part.size(), LineCharsUsed - m_line.size()));
        if (!std::all_of(used.begin(), used.end(), isHexDigit)) {
            m_badLine = m_lineCount + 1;
            return;
        }
        m_line.append(used);
    }

    void endLine()
    {
        if (m_line.size() < LineCharsUsed) {
            m_badLine = m_lineCount + 1;
            return;
        }
        m_picture.append(QByteArray::fromHex(m_line));
        ++m_lineCount;
        m_line.clear();
        m_lineStarted = false;
    }

    QByteArray m_picture;
    QByteArray m_head;
    QByteArray m_line;
    QStringDecoder m_utf16;
    int m_lineCount = 0;
    int m_badLine = 0;
    bool m_encodingKnown = false;
    bool m_lineStarted = false;
    bool m_afterCr = false;
};

} // namespace

std::variant<LogoPicture, LogoFileError> readLogoFile(const QString &path)
{
    // Only regular files: opening a FIFO or a device could block or never reach an end.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return LogoFileError{LogoFileError::Kind::CannotOpen};

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.isSequential())
        return LogoFileError{LogoFileError::Kind::CannotOpen};

    LogoLineReader reader;
    QByteArray chunk(LogoReadChunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0)
            return LogoFileError{LogoFileError::Kind::CannotOpen};
        if (got == 0 || reader.feed(QByteArrayView(chunk.constData(), got)))
            break;
    }
    file.close();
    return reader.finish();
}

std::variant<LogoPicture, LogoFileError> parseLogoData(QByteArrayView contents)
{
    // Same pieces as a file is read in, so both see the same boundaries.
    LogoLineReader reader;
    while (!contents.isEmpty()) {
        const qsizetype size = qMin(contents.size(), LogoReadChunkSize);
        if (reader.feed(contents.first(size)))
            break;
        contents = contents.sliced(size);
    }
    return reader.finish();
}
