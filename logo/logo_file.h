#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <variant>

// The start-up logo as the terminal takes it: 32 lines of 16 bytes, 512 bytes in all, in two blocks of 256.
constexpr int LogoLineCount = 32;
constexpr int LogoBytesPerLine = 16;
constexpr int LogoLinesPerBlock = 16;
constexpr int LogoByteCount = LogoLineCount * LogoBytesPerLine;

// A file is read in pieces of this size, so memory use does not grow with the file.
constexpr qsizetype LogoReadChunkSize = 64 * 1024;

struct LogoFileError
{
    enum class Kind {
        CannotOpen,   // missing, unreadable, a directory, a FIFO or device, an empty path
        TooFewLines,  // fewer than 32 lines
        BadLine,      // a line that does not begin with 32 hexadecimal digits
        ImageUnreadable,  // an image file that cannot be decoded (cut short, corrupt, too large)
    };
    Kind kind = Kind::CannotOpen;
    int line = 0;  // BadLine: the first bad line, counted from 1
    QSize imageSize{};  // ImageUnreadable because it is too large: the size its header gives

    bool operator==(const LogoFileError &other) const = default;
};

// The 512 picture bytes, line L at bytes 16 L .. 16 L + 15.
struct LogoPicture
{
    QByteArray bytes;
    // Where the picture came from, for the records: the file's path, or "text:" and the text drawn.
    QString source{};
    QByteArray line(int lineIndex) const { return bytes.mid(lineIndex * LogoBytesPerLine, LogoBytesPerLine); }
};

// Reads the first 32 lines of a logo data file (text, 16 hexadecimal pairs in characters 1 to 32 of each
// line) and closes the file before returning.
//
// Each of the first 32 lines must begin with 32 hexadecimal digits, either case; anything else is not a
// logo (a picture or a page of prose renamed .txt, a line cut short) and is refused rather than sent.
// A line ends at CR LF, CR alone or LF alone; the last line needs no end. The text is UTF-8, with or
// without a byte-order mark, or UTF-16 in either byte order when it starts with its byte-order mark (as
// Windows editors save "Unicode"). Characters after the 32nd of a line and lines after the 32nd are never
// used, and memory stays bounded whatever the file holds. Reading stops at the first bad line. Only
// regular files are opened, so a FIFO or a device cannot block the program.
std::variant<LogoPicture, LogoFileError> readLogoFile(const QString &path);

// The same rules applied to file contents already in memory.
std::variant<LogoPicture, LogoFileError> parseLogoData(QByteArrayView contents);
