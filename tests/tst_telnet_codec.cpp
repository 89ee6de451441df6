#include "telnet_codec.h"

#include <QTest>

// The Telnet side of a serial server's port, without sockets: what the server sends comes apart into the
// terminal's bytes and the answers owed to the server, whatever pieces the stream arrives in.
class TestTelnetCodec : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void decodesInAnyPieces_data();
    void decodesInAnyPieces();
    void encodeDoublesEveryIac_data();
    void encodeDoublesEveryIac();
    void portSettingsAreConfirmedByTheServer_data();
    void portSettingsAreConfirmedByTheServer();
    void serverAnswersAreKept_data();
    void serverAnswersAreKept();
    void flowControlPausesSending_data();
    void flowControlPausesSending();
    void openingAndSettingsAreExact();
};

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
// The settings as the server receives them once it takes COM-PORT-OPTION.
const char *const Settings = "fffa2c0100002580fff0"  // SET-BAUDRATE 9600
                             "fffa2c0208fff0"         // SET-DATASIZE 8
                             "fffa2c0301fff0"         // SET-PARITY none
                             "fffa2c0401fff0"         // SET-STOPSIZE 1
                             "fffa2c0501fff0"         // SET-CONTROL no flow control
                             "fffa2c0c01fff0";        // PURGE-DATA: the server's receive buffer
} // namespace

void TestTelnetCodec::decodes_data()
{
    QTest::addColumn<QByteArray>("fromServer");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("plain data") << hex("0102031f") << hex("0102031f") << QByteArray();
    QTest::newRow("doubled IAC is one 0xFF (machine 255)") << hex("ffff000000") << hex("ff000000") << QByteArray();
    QTest::newRow("only IACs") << hex("ffffffffffff") << hex("ffffff") << QByteArray();
    QTest::newRow("DO BINARY asked for already: no answer") << hex("fffd00") << QByteArray() << QByteArray();
    QTest::newRow("WILL BINARY asked for already: no answer") << hex("fffb00") << QByteArray() << QByteArray();
    QTest::newRow("DO COM-PORT: the settings go out") << hex("fffd2c") << QByteArray() << hex(Settings);
    QTest::newRow("DO COM-PORT twice: the settings go out once") << hex("fffd2cfffd2c") << QByteArray() << hex(Settings);
    QTest::newRow("WILL ECHO refused") << hex("fffb01") << QByteArray() << hex("fffe01");
    QTest::newRow("WILL SUPPRESS-GO-AHEAD refused") << hex("fffb03") << QByteArray() << hex("fffe03");
    QTest::newRow("DO TERMINAL-TYPE refused") << hex("fffd18") << QByteArray() << hex("fffc18");
    QTest::newRow("WILL TIMING-MARK answers the line's probe: no DONT") << hex("fffb06") << QByteArray() << QByteArray();
    QTest::newRow("DONT and WONT need no answer") << hex("fffe01fffc03") << QByteArray() << QByteArray();
    QTest::newRow("NOP and GA between data carry nothing") << hex("41fff142fff943") << hex("414243") << QByteArray();
    QTest::newRow("notification sub-negotiation dropped") << hex("01fffa2c6a00fff002") << hex("0102") << QByteArray();
    QTest::newRow("IAC doubled inside a sub-negotiation") << hex("fffa2c65ffff0000fff0aa") << hex("aa") << QByteArray();
    QTest::newRow("unknown sub-negotiation dropped") << hex("fffa18010203fff0bb") << hex("bb") << QByteArray();
    QTest::newRow("negotiation between data") << hex("10fffb0111fffd1812")
                                              << hex("101112") << hex("fffe01fffc18");
    QTest::newRow("sub-negotiation cut by another command resumes data") << hex("fffa2c65fff1cc") << hex("cc") << QByteArray();
    QTest::newRow("sub-negotiation cut by WILL: the option is negotiated, never data")
        << hex("fffa2c6bb0fffb01") << QByteArray() << hex("fffe01");
    QTest::newRow("sub-negotiation cut by DO COM-PORT: the settings go out") << hex("fffa2c65fffd2c") << QByteArray() << hex(Settings);
    QTest::newRow("sub-negotiation cut by another sub-negotiation") << hex("fffa2c65fffa2c6a00fff0dd") << hex("dd") << QByteArray();
}

void TestTelnetCodec::decodes()
{
    QFETCH(QByteArray, fromServer);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, reply);
    TelnetCodec codec;
    const TelnetCodec::Decoded decoded = codec.decode(fromServer);
    QCOMPARE(decoded.data.toHex(), data.toHex());
    QCOMPARE(decoded.reply.toHex(), reply.toHex());
}

void TestTelnetCodec::decodesInAnyPieces_data()
{
    QTest::addColumn<QByteArray>("fromServer");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("data, negotiation and sub-negotiation")
        << hex("ffff01fffb01fffa2c65000025 80fff0ffff02fffd2c03") << hex("ff01ff0203")
        << hex("fffe01") + hex(Settings);
    QTest::newRow("a frame full of 0xFF") << hex("ffffffff1fffff") << hex("ffff1fff") << QByteArray();
}

void TestTelnetCodec::decodesInAnyPieces()
{
    QFETCH(QByteArray, fromServer);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, reply);
    // Every split into two pieces, and byte by byte: a TCP stream may be cut anywhere.
    for (qsizetype cut = 0; cut <= fromServer.size(); ++cut) {
        TelnetCodec codec;
        const auto first = codec.decode(fromServer.left(cut));
        const auto second = codec.decode(fromServer.mid(cut));
        QCOMPARE((first.data + second.data).toHex(), data.toHex());
        QCOMPARE((first.reply + second.reply).toHex(), reply.toHex());
    }
    TelnetCodec codec;
    QByteArray gotData, gotReply;
    for (const char byte : fromServer) {
        const auto piece = codec.decode(QByteArray(1, byte));
        gotData += piece.data;
        gotReply += piece.reply;
    }
    QCOMPARE(gotData.toHex(), data.toHex());
    QCOMPARE(gotReply.toHex(), reply.toHex());
}

void TestTelnetCodec::encodeDoublesEveryIac_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("onTheConnection");
    QTest::newRow("no IAC") << hex("1202") << hex("1202");
    QTest::newRow("address 255 and frame") << hex("ff021f") << hex("ffff021f");
    QTest::newRow("a logo line of 0xFF") << hex("ffffff") << hex("ffffffffffff");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestTelnetCodec::encodeDoublesEveryIac()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, onTheConnection);
    QCOMPARE(TelnetCodec::encode(data).toHex(), onTheConnection.toHex());
    TelnetCodec codec;
    QCOMPARE(codec.decode(onTheConnection).data.toHex(), data.toHex());
}

void TestTelnetCodec::portSettingsAreConfirmedByTheServer_data()
{
    QTest::addColumn<QByteArray>("fromServer");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<quint32>("baudRate");
    const QByteArray answers = hex("fffa2c6500002580fff0fffa2c6608fff0fffa2c6701fff0fffa2c6801fff0");
    QTest::newRow("all four answered, no SET-CONTROL (a pty behind the server)") << answers << true << 9600u;
    QTest::newRow("with SET-CONTROL and PURGE-DATA") << answers + hex("fffa2c6901fff0fffa2c7001fff0") << true << 9600u;
    QTest::newRow("stop size missing") << answers.left(answers.size() - 7) << false << 9600u;
    QTest::newRow("baud rate holding 0xFF, doubled") << hex("fffa2c650000ffffffff fff0") << false << 0xffffu;
    QTest::newRow("nothing") << QByteArray() << false << 0u;
}

void TestTelnetCodec::portSettingsAreConfirmedByTheServer()
{
    QFETCH(QByteArray, fromServer);
    QFETCH(bool, confirmed);
    QFETCH(quint32, baudRate);
    TelnetCodec codec;
    QVERIFY(codec.decode(fromServer).data.isEmpty());
    QCOMPARE(codec.portSettingsConfirmed(), confirmed);
    QCOMPARE(codec.confirmedBaudRate(), baudRate);
    QVERIFY(!codec.comPortRefused());
    codec.decode(hex("fffe2c"));
    QVERIFY(codec.comPortRefused());
}

void TestTelnetCodec::serverAnswersAreKept_data()
{
    QTest::addColumn<QByteArray>("fromServer");
    QTest::addColumn<bool>("binaryAnswered");
    QTest::addColumn<bool>("binaryRefused");
    QTest::addColumn<QList<int>>("confirmed");  // baud rate, data size, parity, stop size
    QTest::addColumn<int>("timingMarks");       // answers to DO TIMING-MARK
    QTest::newRow("nothing yet") << QByteArray() << false << false << QList<int>{0, 0, 0, 0} << 0;
    QTest::newRow("WILL and DO BINARY") << hex("fffb00fffd00") << true << false << QList<int>{0, 0, 0, 0} << 0;
    QTest::newRow("WONT BINARY") << hex("fffc00") << true << true << QList<int>{0, 0, 0, 0} << 0;
    QTest::newRow("DONT BINARY") << hex("fffb00fffe00") << true << true << QList<int>{0, 0, 0, 0} << 0;
    QTest::newRow("9600 8N1") << hex("fffa2c6500002580fff0fffa2c6608fff0fffa2c6701fff0fffa2c6801fff0") << false << false
                              << QList<int>{9600, 8, 1, 1} << 0;
    QTest::newRow("the server's own 115200 7E2")
        << hex("fffa2c650001c200fff0fffa2c6607fff0fffa2c6703fff0fffa2c6802fff0") << false << false
        << QList<int>{115200, 7, 3, 2} << 0;
    // ser2net refuses TIMING-MARK each time it is asked; a server that takes it says WILL: both answer.
    QTest::newRow("TIMING-MARK refused twice, taken once") << hex("fffc06fffc06fffb06") << false << false
                                                           << QList<int>{0, 0, 0, 0} << 3;
    QTest::newRow("the server's own DO TIMING-MARK answers nothing") << hex("fffd06") << false << false
                                                                    << QList<int>{0, 0, 0, 0} << 0;
}

void TestTelnetCodec::serverAnswersAreKept()
{
    QFETCH(QByteArray, fromServer);
    QFETCH(bool, binaryAnswered);
    QFETCH(bool, binaryRefused);
    QFETCH(QList<int>, confirmed);
    QFETCH(int, timingMarks);
    TelnetCodec codec;
    QVERIFY(codec.decode(fromServer).data.isEmpty());
    QCOMPARE(codec.timingMarksAnswered(), timingMarks);
    QCOMPARE(codec.binaryAnswered(), binaryAnswered);
    QCOMPARE(codec.binaryRefused(), binaryRefused);
    const QList<int> got{int(codec.confirmedBaudRate()), codec.confirmedDataSize(), codec.confirmedParity(),
                         codec.confirmedStopSize()};
    QCOMPARE(got, confirmed);
}

void TestTelnetCodec::flowControlPausesSending_data()
{
    QTest::addColumn<QByteArray>("fromServer");
    QTest::addColumn<bool>("suspended");
    QTest::newRow("nothing") << QByteArray() << false;
    QTest::newRow("FLOWCONTROL-SUSPEND") << hex("fffa2c6cfff0") << true;
    QTest::newRow("FLOWCONTROL-SUSPEND, then RESUME") << hex("fffa2c6cfff0fffa2c6dfff0") << false;
    QTest::newRow("a line-state notification changes nothing") << hex("fffa2c6cfff0fffa2c6a00fff0") << true;
}

void TestTelnetCodec::flowControlPausesSending()
{
    QFETCH(QByteArray, fromServer);
    QFETCH(bool, suspended);
    TelnetCodec codec;
    QVERIFY(codec.decode(fromServer).data.isEmpty());
    QCOMPARE(codec.dataSuspended(), suspended);
}

void TestTelnetCodec::openingAndSettingsAreExact()
{
    QCOMPARE(TelnetCodec::opening().toHex(), QByteArray("fffb00fffd00fffb2c"));
    QCOMPARE(TelnetCodec::portSettings().toHex(), hex(Settings).toHex());
    QCOMPARE(TelnetCodec::timingMark().toHex(), QByteArray("fffd06"));
}

QTEST_APPLESS_MAIN(TestTelnetCodec)
#include "tst_telnet_codec.moc"
