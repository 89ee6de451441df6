#include "logo_file.h"

#include "text_conversions.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr qsizetype LineCharsUsed = 2 * LogoBytesPerLine;
// A UTF-8 character never takes more than 4 bytes, and each invalid byte becomes a character of its own,
// so the first 32 characters of a line always lie within its first 128 bytes.
constexpr qsizetype LineBytesKept = LineCharsUsed * 4;

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

// Splits the file into lines as its bytes arrive in pieces of any size, keeping only the part of the
// current line that can still matter.
class LogoLineReader
{
public:
    LogoLineReader() { m_picture.reserve(LogoByteCount); }

    // True once all 32 lines are in; nothing more needs reading.
    bool feed(QByteArrayView data)
    {
        if (!m_bomChecked) {
            const qsizetype take = qMin(Utf8Bom.size() - m_head.size(), data.size());
            m_head.append(data.first(take));
            data = data.sliced(take);
            if (m_head.size() < Utf8Bom.size() && Utf8Bom.startsWith(m_head))
                return false;
            m_bomChecked = true;
            if (m_head != Utf8Bom)
                split(m_head);
            m_head.clear();
        }
        split(data);
        return done();
    }

    std::variant<LogoPicture, LogoFileError> finish()
    {
        if (!m_bomChecked) {
            // Shorter than a byte-order mark, though it began like one.
            m_bomChecked = true;
            split(m_head);
        }
        // The last line needs no end.
        if (!done() && m_lineStarted)
            endLine();
        if (!done())
            return LogoFileError::TooFewLines;
        return LogoPicture{m_picture};
    }

private:
    bool done() const { return m_lineCount == LogoLineCount; }

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
            if (length == data.size())
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
        m_line.append(part.first(qMin(part.size(), LineBytesKept - m_line.size())));
    }

    void endLine()
    {
        // Each line is decoded on its own and the file's byte-order mark is already gone, so a mark
        // further on is an ordinary character rather than something to skip.
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        const QString text = decoder(m_line);
        // 16 pairs reach no further than the 32nd character.
        m_picture.append(bytesFromPairs(text, LogoBytesPerLine));
        ++m_lineCount;
        m_line.clear();
        m_lineStarted = false;
    }

    QByteArray m_picture;
    QByteArray m_head;
    QByteArray m_line;
    int m_lineCount = 0;
    bool m_bomChecked = false;
    bool m_lineStarted = false;
    bool m_afterCr = false;
};

} // namespace

std::variant<LogoPicture, LogoFileError> readLogoFile(const QString &path)
{
    // Only regular files: opening a FIFO or a device could block or never reach an end.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return LogoFileError::CannotOpen;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.isSequential())
        return LogoFileError::CannotOpen;

    LogoLineReader reader;
    QByteArray chunk(LogoReadChunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0)
            return LogoFileError::CannotOpen;
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
