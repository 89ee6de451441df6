#include "text_conversions.h"

#include <limits>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Only ASCII digits: QChar::isDigit() would also accept full-width and other scripts' digits.
int decimalDigit(QChar c)
{
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : -1;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// The text without the spaces and tabs around it.
QStringView withoutBlanksAround(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// The whole number nearest to the decimal in `typed`, exactly half going to the even neighbour. Worked on
// the digits themselves so no binary rounding error creeps in. A magnitude that passes Saturation is held
// there: it is outside every caller's range already, and holding it keeps any length of text from overflowing.
std::optional<qint64> roundedDecimal(QStringView typed)
{
    constexpr qint64 Saturation = 1'000'000'000;

    const QString folded = foldFullWidth(typed);
    const QStringView text = withoutBlanksAround(folded);

    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }

    qint64 magnitude = 0;
    bool anyDigit = false;
    for (; pos < text.size() && decimalDigit(text[pos]) >= 0; ++pos) {
        anyDigit = true;
        if (magnitude < Saturation)
            magnitude = qMin(magnitude * 10 + decimalDigit(text[pos]), Saturation);
    }

    int firstFractionDigit = 0;
    bool nonZeroAfterFirst = false;
    if (pos < text.size() && text[pos] == u'.') {
        ++pos;
        for (qsizetype i = 0; pos < text.size() && decimalDigit(text[pos]) >= 0; ++pos, ++i) {
            anyDigit = true;
            const int digit = decimalDigit(text[pos]);
            if (i == 0)
                firstFractionDigit = digit;
            else if (digit != 0)
                nonZeroAfterFirst = true;
        }
    }

    if (!anyDigit || pos != text.size())
        return std::nullopt;

    const bool roundUp = firstFractionDigit > 5
        || (firstFractionDigit == 5 && (nonZeroAfterFirst || magnitude % 2 == 1));
    if (roundUp)
        ++magnitude;
    return negative ? -magnitude : magnitude;
}

template<typename T>
std::optional<T> decimalInRange(QStringView text)
{
    const std::optional<qint64> value = roundedDecimal(text);
    if (!value || *value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max())
        return std::nullopt;
    return static_cast<T>(*value);
}

} // namespace

QString foldFullWidth(QStringView text)
{
    QString folded = text.toString();
    for (QChar &c : folded) {
        // U+3000 and U+FF01..U+FF5E are the full-width forms, each decomposing to one ASCII character.
        if (c.decompositionTag() != QChar::Wide)
            continue;
        const QString ascii = c.decomposition();
        if (ascii.size() == 1 && ascii.front().unicode() < 0x80)
            c = ascii.front();
    }
    return folded;
}

std::optional<qint16> portNumberFromText(QStringView text)
{
    return decimalInRange<qint16>(text);
}

std::optional<quint8> byteFromText(QStringView text)
{
    return decimalInRange<quint8>(text);
}

std::optional<QByteArray> hexBytesFromText(QStringView typed, int byteCount)
{
    const QString folded = foldFullWidth(typed);
    const QStringView digits = withoutBlanksAround(folded);
    if (digits.size() != 2 * qsizetype(byteCount))
        return std::nullopt;
    QByteArray bytes(byteCount, '\0');
    for (int i = 0; i < byteCount; ++i) {
        const int high = hexDigit(digits[2 * i]);
        const int low = hexDigit(digits[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = static_cast<char>(high * 16 + low);
    }
    return bytes;
}
