// Decimal text typed by the operator and hexadecimal pairs turned into bytes for the terminal.

#include "text_conversions.h"

#include <QTest>

namespace {

// Rows for both decimal conversions: `valid` false means the text must be refused.
void addDecimal(const char *name, const QString &text, bool valid, int value = 0)
{
    QTest::newRow(name) << text << valid << value;
}

// Full-width forms from a Chinese input method are their ASCII counterparts; nothing else is.
void addFullWidthRows()
{
    addDecimal("full-width digits", QStringLiteral(u"\uFF11\uFF12"), true, 12);
    addDecimal("ideographic spaces around", QStringLiteral(u"\u300018\u3000"), true, 18);
    addDecimal("full-width sign and point", QStringLiteral(u"\uFF0B\uFF12\uFF0E\uFF15"), true, 2);
    addDecimal("full-width letter", QStringLiteral(u"\uFF11\uFF41"), false);
    addDecimal("circled digit", QStringLiteral(u"\u2460"), false);
    addDecimal("superscript digit", QStringLiteral(u"1\u00B2"), false);
}

} // namespace

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void byteFromText_data();
    void byteFromText();
    void portNumberFromText_data();
    void portNumberFromText();
    void pairs_data();
    void pairs();
};

void TestConversions::byteFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");

    addDecimal("zero", "0", true, 0);
    addDecimal("255", "255", true, 255);
    addDecimal("256", "256", false);
    addDecimal("-1", "-1", false);
    addDecimal("plus sign", "+7", true, 7);
    addDecimal("minus zero", "-0", true, 0);

    addDecimal("0.5 to even 0", "0.5", true, 0);
    addDecimal("1.5 to even 2", "1.5", true, 2);
    addDecimal("2.5 to even 2", "2.5", true, 2);
    addDecimal("3.5 to even 4", "3.5", true, 4);
    addDecimal("254.5 to even 254", "254.5", true, 254);
    addDecimal("255.5 to even 256", "255.5", false);
    addDecimal("just above half", "2.5000001", true, 3);
    addDecimal("just below half", "2.4999999", true, 2);
    addDecimal("below half", "12.4", true, 12);
    addDecimal("above half", "12.6", true, 13);
    addDecimal("255.49", "255.49", true, 255);
    addDecimal("-0.4 is 0", "-0.4", true, 0);
    addDecimal("-0.5 to even 0", "-0.5", true, 0);
    addDecimal("-0.6 is -1", "-0.6", false);
    addDecimal("trailing point", "12.", true, 12);
    addDecimal("leading point", ".5", true, 0);
    addDecimal("leading point above half", ".51", true, 1);

    addDecimal("blanks around", "  12  ", true, 12);
    addDecimal("tabs around", "\t7\t", true, 7);
    addDecimal("blanks sign fraction", " +3.5 ", true, 4);
    addDecimal("leading zeros", "0000000000000000012", true, 12);
    addDecimal("400 zeros then 1", QString(400, u'0') + u'1', true, 1);
    addDecimal("401 digits", u'1' + QString(400, u'0'), false);
    addDecimal("400 nines", QString(400, u'9'), false);
    addDecimal("wraps to 1 in 32 bits", "4294967297", false);
    addDecimal("wraps to 1 in 64 bits", "18446744073709551617", false);
    addDecimal("long zero fraction", "1." + QString(400, u'0'), true, 1);
    addDecimal("long exact half", "2.5" + QString(400, u'0'), true, 2);
    addDecimal("long just above half", "2.5" + QString(400, u'0') + u'1', true, 3);
    addDecimal("long nines fraction", "0." + QString(400, u'9'), true, 1);
    addDecimal("below half past double precision", "3.49999999999999999999", true, 3);
    addDecimal("above half past double precision", "2.50000000000000000001", true, 3);

    addDecimal("empty", "", false);
    addDecimal("blanks only", " \t ", false);
    addDecimal("letters", "abc", false);
    addDecimal("trailing letter", "12a", false);
    addDecimal("exponent", "1e2", false);
    addDecimal("hex prefix", "0x10", false);
    addDecimal("group separator", "1,000", false);
    addDecimal("comma fraction", "2,5", false);
    addDecimal("blank inside", "1 2", false);
    addDecimal("blank after sign", "- 1", false);
    addDecimal("two signs", "--1", false);
    addDecimal("mixed signs", "+-1", false);
    addDecimal("sign only", "+", false);
    addDecimal("point only", ".", false);
    addDecimal("sign and point", "-.", false);
    addDecimal("two points", "1.2.3", false);
    addFullWidthRows();
    addDecimal("Arabic-Indic digits", QStringLiteral(u"\u0661\u0662"), false);
    addDecimal("no-break space", QStringLiteral(u"\u00A012"), false);
}

void TestConversions::byteFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);

    const std::optional<quint8> result = ::byteFromText(text);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(int(*result), value);
}

void TestConversions::portNumberFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");

    addDecimal("zero", "0", true, 0);
    addDecimal("typical", "3", true, 3);
    addDecimal("highest", "32767", true, 32767);
    addDecimal("above highest", "32768", false);
    addDecimal("lowest", "-32768", true, -32768);
    addDecimal("below lowest", "-32769", false);
    addDecimal("would wrap to -1", "65535", false);
    addDecimal("would wrap to 0", "65536", false);
    addDecimal("wraps to 1 in 32 bits", "4294967297", false);
    addDecimal("wraps to 1 in 64 bits", "18446744073709551617", false);
    addDecimal("highest below half", "32767.4", true, 32767);
    addDecimal("highest half to even above", "32767.5", false);
    addDecimal("half to even highest", "32766.5", true, 32766);
    addDecimal("lowest half to even", "-32768.5", true, -32768);
    addDecimal("lowest above half", "-32768.6", false);
    addDecimal("-2.5 to even", "-2.5", true, -2);
    addDecimal("-3.5 to even", "-3.5", true, -4);
    addDecimal("-1.5 to even", "-1.5", true, -2);
    addDecimal("minus zero", "-0", true, 0);
    addDecimal("blanks and sign", " \t-12.\t ", true, -12);
    addDecimal("leading zeros", "-0000000000000000012", true, -12);
    addDecimal("400 digits", u'1' + QString(400, u'0'), false);
    addDecimal("400 digits negative", "-1" + QString(400, u'0'), false);
    addDecimal("long fraction", "-7.5" + QString(400, u'0') + u'1', true, -8);
    addDecimal("below half past double precision", "-32767.49999999999999999999", true, -32767);

    addDecimal("empty", "", false);
    addDecimal("blanks only", "  ", false);
    addDecimal("letters", "COM1", false);
    addDecimal("exponent", "1e2", false);
    addDecimal("hex prefix", "0x10", false);
    addDecimal("group separator", "1,000", false);
    addDecimal("blank inside", "1 2", false);
    addDecimal("two signs", "--1", false);
    addDecimal("sign only", "-", false);
    addDecimal("point only", ".", false);
    addFullWidthRows();
    addDecimal("Devanagari digits", QStringLiteral(u"\u0967\u0968"), false);
}

void TestConversions::portNumberFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);

    const std::optional<qint16> result = ::portNumberFromText(text);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(int(*result), value);
}

void TestConversions::pairs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");

    // Rows with count 1 are also checked against byteFromPair.
    QTest::newRow("FF") << "FF" << 1 << QByteArray("\xFF");
    QTest::newRow("ff") << "ff" << 1 << QByteArray("\xFF");
    QTest::newRow("fF") << "fF" << 1 << QByteArray("\xFF");
    QTest::newRow("0A") << "0A" << 1 << QByteArray("\x0A");
    QTest::newRow("7F") << "7F" << 1 << QByteArray("\x7F");
    QTest::newRow("A alone") << "A" << 1 << QByteArray("\x0A");
    QTest::newRow("empty") << "" << 1 << QByteArray(1, '\0');
    QTest::newRow("G1") << "G1" << 1 << QByteArray(1, '\0');
    QTest::newRow("1G") << "1G" << 1 << QByteArray("\x01");
    QTest::newRow("blank first") << " 1" << 1 << QByteArray(1, '\0');
    QTest::newRow("third character ignored") << "123" << 1 << QByteArray("\x12");
    QTest::newRow("full-width digits") << QStringLiteral(u"\uFF11\uFF12") << 1 << QByteArray(1, '\0');

    QTest::newRow("cut pair") << "123" << 3 << QByteArray("\x12\x03\x00", 3);
    QTest::newRow("empty text") << "" << 3 << QByteArray(3, '\0');
    QTest::newRow("bad first of middle pair") << "12G456" << 3 << QByteArray("\x12\x00\x56", 3);
    QTest::newRow("bad second of first pair") << "1G3456" << 3 << QByteArray("\x01\x34\x56", 3);
    QTest::newRow("lower case") << "abcdef" << 3 << QByteArray("\xAB\xCD\xEF");
    QTest::newRow("characters after last pair") << "abcdef" << 2 << QByteArray("\xAB\xCD");
    QTest::newRow("no pairs") << "abcdef" << 0 << QByteArray();
    QTest::newRow("surrogate pair is one character") << QStringLiteral(u"\U0001F600" "12") << 2 << QByteArray("\x00\x02", 2);
    QTest::newRow("lone surrogate is one character") << QChar(0xD83D) + QStringLiteral("12") << 2 << QByteArray("\x00\x02", 2);
}

void TestConversions::pairs()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QByteArray, expected);

    QCOMPARE(bytesFromPairs(text, count), expected);
    if (count == 1)
        QCOMPARE(byteFromPair(text), quint8(expected[0]));
}

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
