// Hexadecimal pairs turned into bytes: every byte checked against the leading hex digits of its pair,
// with pairs counted in characters (a surrogate pair is one) and the text held in an exact-size buffer.
//
// Input: two bytes of signed little-endian count (taken modulo 4200), then the text.

#include "fuzz_check.h"
#include "text_conversions.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// One character: a high surrogate followed by a low one is one character of two units.
struct Character
{
    char16_t first;
    bool twoUnits;
};

std::vector<Character> characters(const char16_t *units, std::size_t size)
{
    std::vector<Character> result;
    result.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        const bool twoUnits = QChar::isHighSurrogate(units[i]) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]);
        result.push_back({units[i], twoUnits});
        if (twoUnits)
            ++i;
    }
    return result;
}

// Value of the leading hex digits among at most two characters; a two-unit character is never a digit.
quint8 leadingHex(const std::vector<Character> &chars, std::size_t first)
{
    int value = 0;
    for (std::size_t i = first; i < first + 2 && i < chars.size(); ++i) {
        const int digit = chars[i].twoUnits ? -1 : oracleHexValue(chars[i].first);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return static_cast<quint8>(value);
}

QByteArray describe(const std::vector<char16_t> &units, int count)
{
    return "count " + QByteArray::number(count) + " text utf16 "
        + QByteArray(reinterpret_cast<const char *>(units.data()), qsizetype(units.size() * 2)).toHex();
}

void check(const std::vector<char16_t> &units, int count)
{
    const QStringView text(units.data(), qsizetype(units.size()));
    // Built only when a check fails.
    const auto info = [&] { return describe(units, count); };
    const std::vector<Character> chars = characters(units.data(), units.size());

    // One pair alone looks at its first two units, not characters; a surrogate is no digit either way.
    const quint8 single = byteFromPair(text);
    FUZZ_CHECK_INFO(single == leadingHex(characters(units.data(), qMin<std::size_t>(2, units.size())), 0), info());
    FUZZ_CHECK_INFO(single == byteFromPair(text.first(qMin<qsizetype>(2, text.size()))), info());

    const QByteArray bytes = bytesFromPairs(text, count);
    FUZZ_CHECK_INFO(bytes.size() == qMax(count, 0), info());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 expected = leadingHex(chars, std::size_t(i) * 2);
        FUZZ_CHECK_INFO(static_cast<quint8>(bytes[i]) == expected,
                        info() + " at byte " + QByteArray::number(i) + " got " + QByteArray::number(quint8(bytes[i]))
                            + " expected " + QByteArray::number(expected));
    }
    if (!text.isEmpty() && count > 0)
        FUZZ_CHECK_INFO(static_cast<quint8>(bytes.front()) == single, info());
}

std::vector<char16_t> unitsOf(const QString &text)
{
    return std::vector<char16_t>(text.utf16(), text.utf16() + text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    // Beyond twice the longest text the count only adds zeros, and slows every run down.
    const int count = static_cast<qint16>(quint16(data[0] | (data[1] << 8))) % 4200;
    const QByteArrayView rest(data + 2, qsizetype(size - 2));

    std::vector<char16_t> raw(std::size_t(rest.size()) / 2);
    if (!raw.empty())
        std::memcpy(raw.data(), rest.data(), raw.size() * sizeof(char16_t));
    check(raw, count);
    check(unitsOf(QString::fromUtf8(rest)), count);
    check(unitsOf(QString::fromLatin1(rest)), count);
    return 0;
}
