#include "change_number.h"
#include "command_table.h"
#include "logo_download.h"
#include "read_serial.h"
#include "single_exchange_task.h"
#include "status_messages.h"
#include "terminal_settings.h"
#include "write_serial.h"

#include <QTest>

// The frames the terminal receives, byte for byte, and the texts made from its replies.
class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void renumberFrame_data();
    void renumberFrame();
    void settingsFrame_data();
    void settingsFrame();
    void serialTextFromReply_data();
    void serialTextFromReply();
    void writeSerialFrame_data();
    void writeSerialFrame();
    void logoLineFrame_data();
    void logoLineFrame();
    void logoDownloadSteps();
    void logoDownloadStopsOnFailure_data();
    void logoDownloadStopsOnFailure();
};

void TestCommands::renumberFrame_data()
{
    QTest::addColumn<int>("newNumber");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("12") << 12 << QByteArray::fromHex("05070c0000");
    QTest::newRow("0") << 0 << QByteArray::fromHex("0507000000");
    QTest::newRow("255") << 255 << QByteArray::fromHex("0507ff0000");
}

void TestCommands::renumberFrame()
{
    QFETCH(int, newNumber);
    QFETCH(QByteArray, frame);
    const Exchange exchange = changeNumberExchange(quint8(newNumber));
    QCOMPARE(exchange.addressByte, quint8(0x63));
    QCOMPARE(exchange.commandFrame, frame);
    QCOMPARE(exchange.replyLength, 1);
    QVERIFY(exchange.pauseFirst);
}

void TestCommands::settingsFrame_data()
{
    QTest::addColumn<bool>("bellMode");
    QTest::addColumn<bool>("startupPicture");
    QTest::addColumn<bool>("simplified");
    QTest::addColumn<bool>("unlockDelayUsed");
    QTest::addColumn<QByteArray>("frame");
    // D_Timer holds 5 and dkys 9: which one goes out depends on the whole mode byte.
    QTest::newRow("bell") << true << false << true << false << QByteArray::fromHex("0520000900");
    QTest::newRow("bell+picture") << true << true << true << true << QByteArray::fromHex("0520020500");
    QTest::newRow("door") << false << false << true << true << QByteArray::fromHex("0520010500");
    QTest::newRow("door+picture") << false << true << true << true << QByteArray::fromHex("0520030500");
    QTest::newRow("door traditional") << false << false << false << true << QByteArray::fromHex("0520010501");
    QTest::newRow("bell traditional") << true << false << false << false << QByteArray::fromHex("0520000901");
}

void TestCommands::settingsFrame()
{
    QFETCH(bool, bellMode);
    QFETCH(bool, startupPicture);
    QFETCH(bool, simplified);
    QFETCH(bool, unlockDelayUsed);
    QFETCH(QByteArray, frame);
    const TerminalSettings settings{bellMode, startupPicture, simplified};
    QCOMPARE(usesUnlockDelay(settings), unlockDelayUsed);
    const quint8 delay = unlockDelayUsed ? 5 : 9;
    const Exchange exchange = settingsExchange(18, settings, delay);
    QCOMPARE(exchange.addressByte, quint8(18));
    QCOMPARE(exchange.commandFrame, frame);
}

void TestCommands::serialTextFromReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("123456") << QByteArray::fromHex("01123456") << "123456";
    QTest::newRow("bytes below 16 keep their zero") << QByteArray::fromHex("01010203") << "010203";
    QTest::newRow("zeros") << QByteArray::fromHex("01000000") << "000000";
    QTest::newRow("upper case") << QByteArray::fromHex("01ab0cde") << "AB0CDE";
    QTest::newRow("ff") << QByteArray::fromHex("01ffffff") << "FFFFFF";
}

void TestCommands::serialTextFromReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QCOMPARE(::serialTextFromReply(reply), text);
    const auto resultOf = [&](ExchangeOutcome::Kind kind) {
        auto task = makeCommandTask(TerminalCommand::ReadSerial, {.machineNumber = 1});
        task->begin();
        return std::get<CommandResult>(task->next({kind, reply}));
    };
    const CommandResult answered = resultOf(ExchangeOutcome::Kind::Replied);
    QCOMPARE(answered.message, StatusText::CommunicationSucceeded);
    QCOMPARE(serialTextFromResult(answered), std::optional<QString>(text));
    const CommandResult wrong = resultOf(ExchangeOutcome::Kind::WrongReply);
    QCOMPARE(wrong.message, StatusText::CommunicationFailed);
    QCOMPARE(wrong.status, CommandStatus::WrongReply);
    QCOMPARE(serialTextFromResult(wrong), std::nullopt);
    QCOMPARE(readSerialExchange(1).commandFrame, QByteArray::fromHex("021f"));
    QCOMPARE(readSerialExchange(1).replyLength, 4);
    // What is read can be written straight back.
    QCOMPARE(serialNumberFromText(text), std::optional<QByteArray>(reply.mid(1)));
}

void TestCommands::writeSerialFrame_data()
{
    // The serial-number box: six hexadecimal digits or nothing is sent.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("frame");  // empty: refused
    QTest::newRow("123456") << "123456" << QByteArray::fromHex("050f123456");
    QTest::newRow("000000") << "000000" << QByteArray::fromHex("050f000000");
    QTest::newRow("lower case") << "abcdef" << QByteArray::fromHex("050fabcdef");
    QTest::newRow("mixed case") << "aB0cDe" << QByteArray::fromHex("050fab0cde");
    QTest::newRow("blanks around") << " \t010203 " << QByteArray::fromHex("050f010203");
    QTest::newRow("full-width digits") << QStringLiteral(u"\uFF10\uFF10\uFF10\uFF21\uFF46\uFF10")
                                       << QByteArray::fromHex("050f000af0");
    QTest::newRow("ideographic spaces around") << QStringLiteral(u"\u3000123456\u3000")
                                               << QByteArray::fromHex("050f123456");
    QTest::newRow("five digits") << "12345" << QByteArray();
    QTest::newRow("seven characters") << "1234567" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("blanks only") << "   " << QByteArray();
    QTest::newRow("letter O for zero") << "12O456" << QByteArray();
    QTest::newRow("12G456") << "12G456" << QByteArray();
    QTest::newRow("blank inside") << "123 456" << QByteArray();
    QTest::newRow("hex prefix") << "0x1234" << QByteArray();
    QTest::newRow("circled digit") << QStringLiteral(u"12345\u2460") << QByteArray();
}

void TestCommands::writeSerialFrame()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, frame);
    const auto serialNumber = serialNumberFromText(text);
    QCOMPARE(serialNumber.has_value(), !frame.isEmpty());
    if (serialNumber)
        QCOMPARE(writeSerialExchange(1, *serialNumber).commandFrame, frame);
}

void TestCommands::logoLineFrame_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("0") << 0 << QByteArray::fromHex("1c550000");
    QTest::newRow("1") << 1 << QByteArray::fromHex("1c550010");
    QTest::newRow("5") << 5 << QByteArray::fromHex("1c550050");
    QTest::newRow("15") << 15 << QByteArray::fromHex("1c5500f0");
    QTest::newRow("16") << 16 << QByteArray::fromHex("1c550100");
    QTest::newRow("31") << 31 << QByteArray::fromHex("1c5501f0");
}

void TestCommands::logoLineFrame()
{
    QFETCH(int, line);
    QFETCH(QByteArray, header);
    const QByteArray data = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
    QCOMPARE(::logoLineFrame(line, data), header + data);
}

namespace {
LogoPicture countingPicture()
{
    QByteArray bytes(LogoByteCount, 0);
    for (int i = 0; i < LogoByteCount; ++i)
        bytes[i] = char(i);
    return {bytes};
}
} // namespace

void TestCommands::logoDownloadSteps()
{
    QList<int> progress;
    constexpr quint8 MachineNumber = 7;
    LogoDownloadTask task(countingPicture(), MachineNumber, [&](int linesBegun) { progress << linesBegun; });
    CommandStep step = task.begin();
    for (int line = 0; line < LogoLineCount; ++line) {
        const auto *exchange = std::get_if<Exchange>(&step);
        QVERIFY2(exchange, qPrintable(QStringLiteral("line %1").arg(line)));
        QCOMPARE(exchange->addressByte, MachineNumber);
        QVERIFY(!exchange->pauseFirst);
        QCOMPARE(exchange->commandFrame, ::logoLineFrame(line, countingPicture().line(line)));
        step = task.next({ExchangeOutcome::Kind::Replied, QByteArray(1, char(exchange->addressByte))});
    }
    QCOMPARE(std::get<CommandResult>(step).message, StatusText::DownloadComplete);
    QList<int> expected;
    for (int line = 0; line < LogoLineCount; ++line)
        expected << line;
    QCOMPARE(progress, expected);
}

void TestCommands::logoDownloadStopsOnFailure_data()
{
    QTest::addColumn<int>("failingLine");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");
    QTest::newRow("timed out at 5") << 5 << int(ExchangeOutcome::Kind::TimedOut)
                                    << StatusText::CommunicationFailed.toString();
    QTest::newRow("wrong reply at 0") << 0 << int(ExchangeOutcome::Kind::WrongReply)
                                      << StatusText::CommunicationInterrupted.toString();
    QTest::newRow("timed out at 31") << 31 << int(ExchangeOutcome::Kind::TimedOut)
                                     << StatusText::CommunicationFailed.toString();
}

void TestCommands::logoDownloadStopsOnFailure()
{
    QFETCH(int, failingLine);
    QFETCH(int, outcome);
    QFETCH(QString, message);
    LogoDownloadTask task(countingPicture(), 18, [](int) {});
    CommandStep step = task.begin();
    for (int line = 0; line < failingLine; ++line)
        step = task.next({ExchangeOutcome::Kind::Replied, QByteArray(1, char(18))});
    QVERIFY(std::holds_alternative<Exchange>(step));
    step = task.next({ExchangeOutcome::Kind(outcome), QByteArray(1, char(0x55))});
    QCOMPARE(std::get<CommandResult>(step).message, message);
}

QTEST_APPLESS_MAIN(TestCommands)
#include "tst_commands.moc"
