// Decimal text typed by the operator and hexadecimal digits turned into bytes for the terminal.

#include "text_conversions.h"

#include <QTest>

#include <limits>
#include <optional>

namespace {

// A reader's expectation for a row: the text is refused.
constexpr int Refused = std::numeric_limits<int>::min();

// One row read by both decimal readers: the machine-number and delay boxes (0..255) and the port box
// (signed 16-bit). The same syntax, so one table; the ranges differ, so a column each.
void addDecimal(const char *name, const QString &text, int asByte, int asPort)
{
    QTest::newRow(name) << text << asByte << asPort;
}

template<typename T>
void compareRead(const std::optional<T> &result, int expected)
{
    QCOMPARE(result.has_value(), expected != Refused);
    if (result)
        QCOMPARE(int(*result), expected);
}

} // namespace

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void decimal_data();
    void decimal();
    void hexBytes_data();
    void hexBytes();
};

void TestConversions::decimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("asByte");  // byteFromText
    QTest::addColumn<int>("asPort");  // portNumberFromText

    // The ends of each range.
    addDecimal("zero", "0", 0, 0);
    addDecimal("typical", "3", 3, 3);
    addDecimal("255", "255", 255, 255);
    addDecimal("256", "256", Refused, 256);
    addDecimal("-1", "-1", Refused, -1);
    addDecimal("highest port", "32767", Refused, 32767);
    addDecimal("above highest port", "32768", Refused, Refused);
    addDecimal("lowest port", "-32768", Refused, -32768);
    addDecimal("below lowest port", "-32769", Refused, Refused);
    addDecimal("would wrap to -1", "65535", Refused, Refused);
    addDecimal("would wrap to 0", "65536", Refused, Refused);
    addDecimal("wraps to 1 in 32 bits", "4294967297", Refused, Refused);
    addDecimal("wraps to 1 in 64 bits", "18446744073709551617", Refused, Refused);
    addDecimal("plus sign", "+7", 7, 7);
    addDecimal("minus zero", "-0", 0, 0);

    // Fractions round to the nearest, exactly half to the even neighbour, before the range is checked.
    addDecimal("0.5 to even 0", "0.5", 0, 0);
    addDecimal("1.5 to even 2", "1.5", 2, 2);
    addDecimal("2.5 to even 2", "2.5", 2, 2);
    addDecimal("3.5 to even 4", "3.5", 4, 4);
    addDecimal("254.5 to even 254", "254.5", 254, 254);
    addDecimal("255.5 to even 256", "255.5", Refused, 256);
    addDecimal("just above half", "2.5000001", 3, 3);
    addDecimal("just below half", "2.4999999", 2, 2);
    addDecimal("below half", "12.4", 12, 12);
    addDecimal("above half", "12.6", 13, 13);
    addDecimal("255.49", "255.49", 255, 255);
    addDecimal("-0.4 is 0", "-0.4", 0, 0);
    addDecimal("-0.5 to even 0", "-0.5", 0, 0);
    addDecimal("-0.6 is -1", "-0.6", Refused, -1);
    addDecimal("-1.5 to even", "-1.5", Refused, -2);
    addDecimal("-2.5 to even", "-2.5", Refused, -2);
    addDecimal("-3.5 to even", "-3.5", Refused, -4);
    addDecimal("highest port below half", "32767.4", Refused, 32767);
    addDecimal("highest port half to even above", "32767.5", Refused, Refused);
    addDecimal("half to even highest port", "32766.5", Refused, 32766);
    addDecimal("lowest port half to even", "-32768.5", Refused, -32768);
    addDecimal("lowest port above half", "-32768.6", Refused, Refused);
    addDecimal("trailing point", "12.", 12, 12);
    addDecimal("leading point", ".5", 0, 0);
    addDecimal("leading point above half", ".51", 1, 1);

    addDecimal("blanks around", "  12  ", 12, 12);
    addDecimal("tabs around", "\t7\t", 7, 7);
    addDecimal("blanks sign fraction", " +3.5 ", 4, 4);
    addDecimal("blanks negative", " \t-12.\t ", Refused, -12);
    addDecimal("leading zeros", "0000000000000000012", 12, 12);
    addDecimal("leading zeros negative", "-0000000000000000012", Refused, -12);
    addDecimal("400 zeros then 1", QString(400, u'0') + u'1', 1, 1);
    addDecimal("401 digits", u'1' + QString(400, u'0'), Refused, Refused);
    addDecimal("401 digits negative", "-1" + QString(400, u'0'), Refused, Refused);
    addDecimal("400 nines", QString(400, u'9'), Refused, Refused);
    addDecimal("long zero fraction", "1." + QString(400, u'0'), 1, 1);
    addDecimal("long exact half", "2.5" + QString(400, u'0'), 2, 2);
    addDecimal("long just above half", "2.5" + QString(400, u'0') + u'1', 3, 3);
    addDecimal("long just above half negative", "-7.5" + QString(400, u'0') + u'1', Refused, -8);
    addDecimal("long nines fraction", "0." + QString(400, u'9'), 1, 1);
    addDecimal("below half past double precision", "3.49999999999999999999", 3, 3);
    addDecimal("above half past double precision", "2.50000000000000000001", 3, 3);
    addDecimal("below half past double precision, lowest", "-32767.49999999999999999999", Refused, -32767);

    addDecimal("empty", "", Refused, Refused);
    addDecimal("blanks only", " \t ", Refused, Refused);
    addDecimal("letters", "abc", Refused, Refused);
    addDecimal("a port's name", "COM1", Refused, Refused);
    addDecimal("trailing letter", "12a", Refused, Refused);
    addDecimal("exponent", "1e2", Refused, Refused);
    addDecimal("hex prefix", "0x10", Refused, Refused);
    addDecimal("group separator", "1,000", Refused, Refused);
    addDecimal("comma fraction", "2,5", Refused, Refused);
    addDecimal("blank inside", "1 2", Refused, Refused);
    addDecimal("blank after sign", "- 1", Refused, Refused);
    addDecimal("two signs", "--1", Refused, Refused);
    addDecimal("mixed signs", "+-1", Refused, Refused);
    addDecimal("plus only", "+", Refused, Refused);
    addDecimal("minus only", "-", Refused, Refused);
    addDecimal("point only", ".", Refused, Refused);
    addDecimal("sign and point", "-.", Refused, Refused);
    addDecimal("two points", "1.2.3", Refused, Refused);

    // Full-width forms from a Chinese input method are their ASCII counterparts; nothing else is.
    addDecimal("full-width digits", QStringLiteral(u"\uFF11\uFF12"), 12, 12);
    addDecimal("ideographic spaces around", QStringLiteral(u"\u300018\u3000"), 18, 18);
    addDecimal("full-width sign and point", QStringLiteral(u"\uFF0B\uFF12\uFF0E\uFF15"), 2, 2);
    addDecimal("full-width letter", QStringLiteral(u"\uFF11\uFF41"), Refused, Refused);
    addDecimal("circled digit", QStringLiteral(u"\u2460"), Refused, Refused);
    addDecimal("superscript digit", QStringLiteral(u"1\u00B2"), Refused, Refused);
    addDecimal("Arabic-Indic digits", QStringLiteral(u"\u0661\u0662"), Refused, Refused);
    addDecimal("Devanagari digits", QStringLiteral(u"\u0967\u0968"), Refused, Refused);
    addDecimal("no-break space", QStringLiteral(u"\u00A012"), Refused, Refused);
}

void TestConversions::decimal()
{
    QFETCH(QString, text);
    QFETCH(int, asByte);
    QFETCH(int, asPort);

    compareRead(byteFromText(text), asByte);
    compareRead(portNumberFromText(text), asPort);
}

void TestConversions::hexBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<std::optional<QByteArray>>("expected");  // nothing: refused

    const std::optional<QByteArray> refused;
    QTest::newRow("FF") << "FF" << 1 << std::optional(QByteArray("\xFF"));
    QTest::newRow("ff") << "ff" << 1 << std::optional(QByteArray("\xFF"));
    QTest::newRow("fF") << "fF" << 1 << std::optional(QByteArray("\xFF"));
    QTest::newRow("0A") << "0A" << 1 << std::optional(QByteArray("\x0A"));
    QTest::newRow("7F") << "7F" << 1 << std::optional(QByteArray("\x7F"));
    QTest::newRow("lower case") << "abcdef" << 3 << std::optional(QByteArray("\xAB\xCD\xEF"));
    QTest::newRow("blanks around") << " \t0a1b2c\t " << 3 << std::optional(QByteArray("\x0A\x1B\x2C"));
    QTest::newRow("full-width digits") << QStringLiteral(u"\uFF11\uFF12") << 1 << std::optional(QByteArray("\x12"));
    QTest::newRow("ideographic spaces around") << QStringLiteral(u"\u3000123456\u3000") << 3
                                               << std::optional(QByteArray("\x12\x34\x56"));
    QTest::newRow("nothing asked, nothing typed") << "" << 0 << std::optional(QByteArray());

    // Anything but exactly two digits a byte.
    QTest::newRow("one digit") << "A" << 1 << refused;
    QTest::newRow("empty") << "" << 1 << refused;
    QTest::newRow("empty, three asked") << "" << 3 << refused;
    QTest::newRow("G1") << "G1" << 1 << refused;
    QTest::newRow("1G") << "1G" << 1 << refused;
    QTest::newRow("blank before one digit") << " 1" << 1 << refused;
    QTest::newRow("a digit too many") << "123" << 1 << refused;
    QTest::newRow("cut pair") << "123" << 3 << refused;
    QTest::newRow("bad first of middle pair") << "12G456" << 3 << refused;
    QTest::newRow("bad second of first pair") << "1G3456" << 3 << refused;
    QTest::newRow("letter O for zero") << "12O456" << 3 << refused;
    QTest::newRow("blank inside") << "123 456" << 3 << refused;
    QTest::newRow("characters after the last pair") << "abcdef" << 2 << refused;
    QTest::newRow("digits where none asked") << "abcdef" << 0 << refused;
    QTest::newRow("negative count") << "" << -1 << refused;
    QTest::newRow("hex prefix") << "0x12" << 1 << refused;
    QTest::newRow("surrogate pair") << QStringLiteral(u"\U0001F600" "12") << 2 << refused;
    QTest::newRow("lone surrogate") << QChar(0xD83D) + QStringLiteral("123") << 2 << refused;
    QTest::newRow("circled digit") << QStringLiteral(u"12345\u2460") << 3 << refused;
}

void TestConversions::hexBytes()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(std::optional<QByteArray>, expected);

    QCOMPARE(hexBytesFromText(text, count), expected);
}

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
