#pragma once

// Image files made byte by byte, for tests of what the program does with broken or hostile pictures.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

inline QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char(value >> shift));
    return bytes;
}

inline quint32 crc32(QByteArrayView data)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(crc32(type + data));
}

// A small PNG file whose header claims a picture of the given size: the start of its picture data is
// there, the rest is missing.
inline QByteArray pngClaiming(quint32 width, quint32 height)
{
    const QByteArray header = bigEndian32(width) + bigEndian32(height) + QByteArray::fromHex("0802000000");
    // qCompress puts the length in front of the zlib stream.
    const QByteArray data = qCompress(QByteArray(4096, '\0')).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n") + pngChunk("IHDR", header) + pngChunk("IDAT", data) + pngChunk("IEND", {});
}

