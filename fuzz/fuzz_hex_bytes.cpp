// Hexadecimal digits typed by the operator (the serial number) turned into bytes: the strict reader checked
// against a plain reference of the accepted form, exactly 2 x count digits with blanks around them, and
// with the text held in an exact-size buffer.
//
// Input: two bytes of signed little-endian count (taken modulo 4200), then the text.

#include "fuzz_check.h"
#include "text_conversions.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// Full-width forms (U+FF01..U+FF5E) and the ideographic space stand for their ASCII counterparts.
char16_t asciiForm(char16_t unit)
{
    if (unit >= 0xFF01 && unit <= 0xFF5E)
        return char16_t(unit - 0xFEE0);
    return unit == 0x3000 ? u' ' : unit;
}

bool isBlank(char16_t unit)
{
    return unit == u' ' || unit == u'\t';
}

std::optional<QByteArray> reference(const std::vector<char16_t> &units, int count)
{
    std::vector<char16_t> ascii;
    for (const char16_t unit : units)
        ascii.push_back(asciiForm(unit));
    std::size_t first = 0;
    std::size_t end = ascii.size();
    while (first < end && isBlank(ascii[first]))
        ++first;
    while (end > first && isBlank(ascii[end - 1]))
        --end;
    if (count < 0 || end - first != std::size_t(count) * 2)
        return std::nullopt;
    QByteArray bytes;
    for (std::size_t i = first; i < end; i += 2) {
        const int high = oracleHexValue(ascii[i]);
        const int low = oracleHexValue(ascii[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
    }
    return bytes;
}

QByteArray describe(const std::vector<char16_t> &units, int count)
{
    return "count " + QByteArray::number(count) + " text utf16 "
        + QByteArray(reinterpret_cast<const char *>(units.data()), qsizetype(units.size() * 2)).toHex();
}

void check(const std::vector<char16_t> &units, int count)
{
    const QStringView text(units.data(), qsizetype(units.size()));
    const std::optional<QByteArray> bytes = hexBytesFromText(text, count);
    const std::optional<QByteArray> expected = reference(units, count);
    FUZZ_CHECK_INFO(bytes.has_value() == expected.has_value(), describe(units, count));
    if (bytes)
        FUZZ_CHECK_INFO(*bytes == *expected, describe(units, count) + " got " + bytes->toHex() + " expected " + expected->toHex());
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
