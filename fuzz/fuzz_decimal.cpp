// Decimal text typed by the operator: the two conversions checked against each other, against the same
// text with blanks around it, and against a plain string-handling reference of the accepted form.

#include "fuzz_check.h"
#include "text_conversions.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace {

// Far outside both ranges; every longer number is held here.
constexpr qint64 OutOfRange = 1'000'000;

// Full-width forms (U+FF01..U+FF5E) and the ideographic space stand for their ASCII counterparts.
QString withAsciiForms(QStringView text)
{
    QString ascii = text.toString();
    for (QChar &c : ascii) {
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(c.unicode() - 0xFEE0);
        else if (c.unicode() == 0x3000)
            c = u' ';
    }
    return ascii;
}

// Blanks, optional sign, ASCII digits with an optional point, blanks; at least one digit somewhere.
std::optional<qint64> referenceValue(QStringView typed)
{
    const QString text = withAsciiForms(typed);
    static const QRegularExpression form(QRegularExpression::anchoredPattern(
        QStringLiteral("[ \\t]*([+-]?)([0-9]*)(?:\\.([0-9]*))?[ \\t]*")));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QStringView whole = match.capturedView(2);
    const QStringView fraction = match.capturedView(3);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;

    while (whole.size() > 1 && whole.front() == u'0')
        whole = whole.sliced(1);
    // Six digits already exceed both ranges, so nothing longer needs its exact value.
    qint64 value = whole.size() > 6 ? OutOfRange : (whole.isEmpty() ? 0 : whole.toLongLong());

    if (!fraction.isEmpty() && value < OutOfRange) {
        const QChar first = fraction.front();
        const QStringView rest = fraction.sliced(1);
        const bool restNonZero = std::any_of(rest.begin(), rest.end(), [](QChar c) { return c != u'0'; });
        if (first > u'5' || (first == u'5' && (restNonZero || value % 2 == 1)))
            ++value;
    }
    return match.capturedView(1) == u"-" ? -value : value;
}

template<typename T>
std::optional<qint64> inRange(std::optional<qint64> value)
{
    if (!value || *value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max())
        return std::nullopt;
    return value;
}

template<typename T>
std::optional<qint64> widened(std::optional<T> value)
{
    return value ? std::optional<qint64>(*value) : std::nullopt;
}

QByteArray describe(QStringView text, std::optional<qint64> port, std::optional<qint64> byte, std::optional<qint64> expected)
{
    const auto show = [](std::optional<qint64> v) { return v ? QByteArray::number(*v) : QByteArray("none"); };
    return "text utf16 " + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2).toHex()
        + " port " + show(port) + " byte " + show(byte) + " reference " + show(expected);
}

void check(QStringView text)
{
    const std::optional<qint64> port = widened(portNumberFromText(text));
    const std::optional<qint64> byte = widened(byteFromText(text));
    const std::optional<qint64> expected = referenceValue(text);
    // Built only when a check fails.
    const auto info = [&] { return describe(text, port, byte, expected); };

    FUZZ_CHECK_INFO(port == inRange<qint16>(expected), info());
    FUZZ_CHECK_INFO(byte == inRange<quint8>(expected), info());
    // Both read the same number; only the ranges differ.
    FUZZ_CHECK_INFO(byte.has_value() == (port && *port >= 0 && *port <= 255), info());
    if (byte)
        FUZZ_CHECK_INFO(*byte == *port, info());

    // Blanks around a text never change its meaning, accepted or not.
    const QString padded = QStringLiteral(" \t") + text.toString() + QStringLiteral("\t ");
    FUZZ_CHECK_INFO(widened(portNumberFromText(padded)) == port, info());
    FUZZ_CHECK_INFO(widened(byteFromText(padded)) == byte, info());
}

// Checked through a buffer of exactly the text's length, so a read one unit past the end is caught.
void checkExact(const std::vector<char16_t> &units)
{
    check(QStringView(units.data(), qsizetype(units.size())));
}

void checkExact(const QString &text)
{
    checkExact(std::vector<char16_t>(text.utf16(), text.utf16() + text.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    checkExact(QString::fromUtf8(bytes));
    checkExact(QString::fromLatin1(bytes));
    // Raw UTF-16 reaches every unit, lone surrogates and other scripts' digits included.
    std::vector<char16_t> units(size / 2);
    if (!units.empty())
        std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    checkExact(units);
    return 0;
}
