#include "command_table.h"
#include "logo_download.h"
#include "read_serial.h"
#include "serial_link.h"
#include "status_messages.h"
#include "window_bench.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

// The exchange on a real pseudo-terminal against the simulated time clock: nothing counts as an answer
// that was waiting before its frame went out, and an answer that came in time counts however late the
// program looks at it.
class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void echoIsNeverTheAnswer_data();
    void echoIsNeverTheAnswer();
    void init();
    void cleanup();
    void waitingByteEndsTheCommand_data();
    void waitingByteEndsTheCommand();
    void answerWaitingWhileTheThreadIsBusy_data();
    void answerWaitingWhileTheThreadIsBusy();
    void downloadSaysHowFarItGot_data();
    void downloadSaysHowFarItGot();
    void nothingCountsBeforeTheOutcomeIsDelivered_data();
    void nothingCountsBeforeTheOutcomeIsDelivered();
    void listeningSendsNothing_data();
    void listeningSendsNothing();
};

namespace {
constexpr quint8 Machine = 18;
const QByteArray ReadSerialOnLine = QByteArray::fromHex("12021f");
const TerminalSettings PlainSettings{};

QStringList traceLines;

void keepTraceLine(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "timeclock.link") == 0)
        traceLines << message;
}

LogoPicture countingPicture()
{
    LogoPicture picture;
    for (int i = 0; i < LogoByteCount; ++i)
        picture.bytes += char(i & 0xff);
    return picture;
}

// Runs `task` on a port that is open already, as CommandSession does but without opening it afresh, so
// that bytes left by an earlier exchange are still waiting.
CommandResult runOnOpenLink(SerialLink &link, TerminalTask &task)
{
    CommandStep step = task.begin();
    while (const auto *exchange = std::get_if<Exchange>(&step)) {
        QSignalSpy finished(&link, &SerialLink::exchangeFinished);
        link.transact(*exchange);
        if (!finished.wait(5000))
            return {QStringLiteral("no outcome"), CommandStatus::PortLost};
        step = task.next(finished.constFirst().constFirst().value<ExchangeOutcome>());
    }
    CommandResult result = std::get<CommandResult>(step);
    if (!result.linesConfirmed)
        result.linesConfirmed = task.linesConfirmed();
    return result;
}

// A line that delivers bytes exactly when the test says, so that they can arrive between an exchange's
// start and the delivery of its queued outcome, which a real port can do but not on cue.
class CuedLine : public SerialLine
{
public:
    std::optional<OpenFailure> open(const QString &deviceName) override
    {
        m_name = deviceName;
        m_open = true;
        return std::nullopt;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString portName() const override { return m_name; }
    void write(const QByteArray &bytes) override { written += bytes; }
    qint64 bytesAvailable() const override { return m_arrived.size(); }
    QByteArray read(qint64 maxSize) override
    {
        const QByteArray bytes = m_arrived.left(maxSize);
        m_arrived.remove(0, bytes.size());
        return bytes;
    }
    QByteArray peek(qint64 maxSize) override { return m_arrived.left(maxSize); }

    // Bytes already in the driver, announced by no readyRead yet.
    void hold(const QByteArray &bytes) { m_arrived += bytes; }
    void arrive(const QByteArray &bytes)
    {
        m_arrived += bytes;
        emit readyRead();
    }
    void breakDown() { emit faultOccurred(Fault::Broken, QStringLiteral("gone")); }

    QByteArray written;

private:
    QString m_name;
    QByteArray m_arrived;
    bool m_open = false;
};

ExchangeOutcome exchangeOnce(SerialLink &link, const Exchange &exchange)
{
    QSignalSpy finished(&link, &SerialLink::exchangeFinished);
    link.transact(exchange);
    if (!finished.wait(5000))
        return {ExchangeOutcome::Kind::TimedOut, "no outcome"};
    return finished.constFirst().constFirst().value<ExchangeOutcome>();
}
} // namespace

void TestExchange::init()
{
    qRegisterMetaType<ExchangeOutcome>();
    qRegisterMetaType<CommandResult>();
    traceLines.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("timeclock.link.debug=true"));
    qInstallMessageHandler(keepTraceLine);
}

void TestExchange::cleanup()
{
    qInstallMessageHandler(nullptr);
    QLoggingCategory::setFilterRules(QString());
}

void TestExchange::waitingByteEndsTheCommand_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<bool>("readSerialFirst"); // an earlier exchange on the same open port
    QTest::addColumn<bool>("download");        // else the settings command, a single exchange
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("reply");   // what the command ended on
    QTest::addColumn<int>("linesConfirmed"); // -1: not a download
    QTest::addColumn<QByteArray>("onLine");

    const QString interrupted = StatusText::CommunicationInterrupted.toString();
    const QString failed = StatusText::CommunicationFailed.toString();
    const QByteArray settingsOnLine = QByteArray::fromHex("120520000000");
    const auto logo = [](int lines) {
        QByteArray bytes;
        for (int line = 0; line < lines; ++line)
            bytes += char(Machine) + logoLineFrame(line, countingPicture().line(line));
        return bytes;
    };

    QTest::newRow("download, machine number waiting at the first line")
        << QStringList{"--extra-byte", "0"} << true << true << interrupted << QByteArray("\x12") << 0
        << ReadSerialOnLine;
    QTest::newRow("download, another byte waiting at the first line")
        << QStringList{"--stray-byte", "7@0"} << true << true << interrupted << QByteArray("\x07") << 0
        << ReadSerialOnLine;
    QTest::newRow("download, machine number waiting at line 16")
        << QStringList{"--extra-byte", "15"} << false << true << interrupted << QByteArray("\x12") << 16
        << logo(16);
    QTest::newRow("download, another byte waiting at line 16")
        << QStringList{"--stray-byte", "200@15"} << false << true << interrupted << QByteArray("\xc8") << 16
        << logo(16);
    QTest::newRow("download, line 3 answered twice and line 4 never")
        << QStringList{"--extra-byte", "3", "--silence", "4"} << false << true << interrupted
        << QByteArray("\x12") << 4 << logo(4);
    QTest::newRow("settings, machine number waiting")
        << QStringList{"--extra-byte", "0"} << true << false << failed << QByteArray("\x12") << -1
        << ReadSerialOnLine;
    QTest::newRow("settings, another byte waiting") << QStringList{"--stray-byte", "7@0"} << true << false
                                                    << failed << QByteArray("\x07") << -1 << ReadSerialOnLine;
    // Nothing waiting: the check stays quiet.
    QTest::newRow("download after a clean answer")
        << QStringList() << true << true << StatusText::DownloadComplete.toString() << QByteArray("\x12")
        << LogoLineCount << ReadSerialOnLine + logo(LogoLineCount);
    QTest::newRow("settings after a clean answer")
        << QStringList() << true << false << StatusText::SettingSucceeded.toString() << QByteArray("\x12")
        << -1 << ReadSerialOnLine + settingsOnLine;
}

void TestExchange::waitingByteEndsTheCommand()
{
    QFETCH(QStringList, simOptions);
    QFETCH(bool, readSerialFirst);
    QFETCH(bool, download);
    QFETCH(QString, message);
    QFETCH(QByteArray, reply);
    QFETCH(int, linesConfirmed);
    QFETCH(QByteArray, onLine);

    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    SerialLink link;
    QVERIFY(!link.prepareLink(clock.devicePath()));
    if (readSerialFirst) {
        QCOMPARE(exchangeOnce(link, readSerialExchange(Machine)).kind, ExchangeOutcome::Kind::Replied);
        // The surplus byte came in the answer's own write: it is in the driver by now.
        const int answered = 4 + (simOptions.isEmpty() ? 0 : 1);
        QVERIFY(clock.waitUntil([&] { return clock.transmitted().size() >= answered; }, 5000));
    }
    CommandInputs inputs{.machineNumber = Machine, .settings = PlainSettings, .picture = countingPicture()};
    auto task = makeCommandTask(download ? TerminalCommand::DownloadLogo : TerminalCommand::Settings, inputs);
    const CommandResult result = runOnOpenLink(link, *task);

    QCOMPARE(result.message, message);
    QCOMPARE(result.reply.toHex(' '), reply.toHex(' '));
    QCOMPARE(result.linesConfirmed.value_or(-1), linesConfirmed);
    link.releaseLink();
    // Everything the simulator received, read once it has stopped: no frame went out after the waiting byte.
    QVERIFY(clock.stop());
    QCOMPARE(clock.received().toHex(' '), onLine.toHex(' '));
    if (result.status == CommandStatus::WrongReply) {
        const QString waiting =
            QStringLiteral("RX (waiting before the frame) ") + QString::fromLatin1(reply.toHex(' '));
        QVERIFY2(traceLines.contains(waiting), qPrintable(traceLines.join(u'\n')));
    }
}

void TestExchange::answerWaitingWhileTheThreadIsBusy_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<bool>("readSerial"); // else the settings frame
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("serial number read, answer waiting")
        << QStringList{"--serial", "0a1b2c"} << true << int(ExchangeOutcome::Kind::Replied)
        << QByteArray::fromHex("120a1b2c");
    QTest::newRow("settings, answer waiting")
        << QStringList() << false << int(ExchangeOutcome::Kind::Replied) << QByteArray::fromHex("12");
    QTest::newRow("answer still to come when the thread is free")
        << QStringList{"--delay-ms", "3000"} << false << int(ExchangeOutcome::Kind::TimedOut) << QByteArray();
}

void TestExchange::answerWaitingWhileTheThreadIsBusy()
{
    QFETCH(QStringList, simOptions);
    QFETCH(bool, readSerial);
    QFETCH(int, kind);
    QFETCH(QByteArray, reply);

    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    SerialLink link;
    QVERIFY(!link.prepareLink(clock.devicePath()));
    QSignalSpy finished(&link, &SerialLink::exchangeFinished);
    link.transact(readSerial ? readSerialExchange(Machine) : settingsExchange(Machine, PlainSettings, 0));
    // The thread is busy (a large picture decoded, a slow redraw) well past the reply limit, with neither
    // the port's notifier nor the reply timer run meanwhile; the simulator answers within milliseconds.
    QThread::msleep(1500);
    QVERIFY(finished.wait(5000));
    const auto outcome = finished.constFirst().constFirst().value<ExchangeOutcome>();
    QCOMPARE(int(outcome.kind), kind);
    QCOMPARE(outcome.reply.toHex(' '), reply.toHex(' '));
    link.releaseLink();
    QVERIFY(clock.stop());
}

void TestExchange::downloadSaysHowFarItGot_data()
{
    QTest::addColumn<QStringList>("simOptions"); // empty: the port does not open
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("linesConfirmed");
    QTest::newRow("complete") << QStringList{"--machine", "18"} << int(CommandStatus::Done) << LogoLineCount;
    QTest::newRow("no answer at line 5") << QStringList{"--silence", "5"} << int(CommandStatus::NoReply) << 5;
    QTest::newRow("wrong answer at line 0")
        << QStringList{"--wrong-byte", "0"} << int(CommandStatus::WrongReply) << 0;
    QTest::newRow("line cut at line 7")
        << QStringList{"--hangup-at", "7"} << int(CommandStatus::PortLost) << 7;
    QTest::newRow("port does not open") << QStringList() << int(CommandStatus::PortOpenFailed) << 0;
}

void TestExchange::downloadSaysHowFarItGot()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, status);
    QFETCH(int, linesConfirmed);
    SimulatedTimeClock clock(simOptions);
    QString device = QStringLiteral("/dev/timeclock-no-such-device");
    if (!simOptions.isEmpty()) {
        QVERIFY(clock.start());
        device = clock.devicePath();
    }
    CommandSession session;
    QSignalSpy finished(&session, &CommandSession::finished);
    session.run(PortChoice{.number = 1, .deviceName = device},
                makeCommandTask(TerminalCommand::DownloadLogo,
                                {.machineNumber = Machine, .picture = countingPicture()}));
    QVERIFY(!finished.isEmpty() || finished.wait(10000));
    const auto result = finished.constFirst().constFirst().value<CommandResult>();
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.linesConfirmed, std::optional<int>(linesConfirmed));
}

void TestExchange::nothingCountsBeforeTheOutcomeIsDelivered_data()
{
    QTest::addColumn<QByteArray>("waiting"); // in the driver when the exchange starts
    QTest::addColumn<QByteArray>("inGap");   // arriving before the outcome is delivered; empty: the line breaks
    QTest::addColumn<int>("kind");           // -1: the link is lost
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("written");

    const QByteArray answer = QByteArray::fromHex("120a1b2c");
    const int wrong = int(ExchangeOutcome::Kind::WrongReply);
    QTest::newRow("a whole answer waiting, another one in the gap")
        << answer << answer << wrong << answer << QByteArray();
    QTest::newRow("a stray byte waiting, the addressee's answer in the gap")
        << QByteArray("\x07") << answer << wrong << QByteArray("\x07") << QByteArray();
    QTest::newRow("the machine number waiting, the rest of an answer in the gap")
        << QByteArray("\x12") << QByteArray::fromHex("0a1b2c") << wrong << QByteArray("\x12") << QByteArray();
    QTest::newRow("a stray byte waiting, the line breaks in the gap")
        << QByteArray("\x07") << QByteArray() << -1 << QByteArray() << QByteArray();
    // Nothing waiting: the frame goes out and the answer in the same place is the reply.
    QTest::newRow("nothing waiting, the answer arrives")
        << QByteArray() << answer << int(ExchangeOutcome::Kind::Replied) << answer << ReadSerialOnLine;
}

void TestExchange::nothingCountsBeforeTheOutcomeIsDelivered()
{
    QFETCH(QByteArray, waiting);
    QFETCH(QByteArray, inGap);
    QFETCH(int, kind);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, written);

    auto owned = std::make_unique<CuedLine>();
    CuedLine *line = owned.get();
    SerialLink link(std::move(owned));
    QVERIFY(!link.prepareLink(QStringLiteral("cued")));
    QSignalSpy finished(&link, &SerialLink::exchangeFinished);
    QSignalSpy lost(&link, &SerialLink::linkLost);
    line->hold(waiting);
    link.transact(readSerialExchange(Machine));
    if (inGap.isEmpty())
        line->breakDown();
    else
        line->arrive(inGap);

    if (kind < 0) {
        QVERIFY(lost.wait(5000));
    } else {
        QVERIFY(!finished.isEmpty() || finished.wait(5000));
        const auto outcome = finished.constFirst().constFirst().value<ExchangeOutcome>();
        QCOMPARE(int(outcome.kind), kind);
        QCOMPARE(outcome.reply.toHex(' '), reply.toHex(' '));
    }
    // Whatever else was queued has run by now: one outcome, of one kind.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(finished.size() + lost.size(), 1);
    QCOMPARE(line->written.toHex(' '), written.toHex(' '));
    if (kind != int(ExchangeOutcome::Kind::WrongReply))
        return;
    // The bytes of the gap answer nothing either: they are still there, and the next exchange ends on them
    // without sending its frame.
    QCOMPARE(line->bytesAvailable(), inGap.size());
    const ExchangeOutcome next = exchangeOnce(link, readSerialExchange(Machine));
    QCOMPARE(int(next.kind), int(ExchangeOutcome::Kind::WrongReply));
    QCOMPARE(next.reply.toHex(' '), inGap.toHex(' '));
    QVERIFY(line->written.isEmpty());
}

void TestExchange::listeningSendsNothing_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<int>("questionWaitMs");  // the serial read before the listening; 0: none
    QTest::addColumn<QByteArray>("heard");    // empty: the listening ends as a time-out
    QTest::newRow("a quiet line") << QStringList() << 0 << QByteArray();
    QTest::newRow("a byte trailing the answer") << QStringList{"--extra-byte", "0", "--serial", "0a1b2c"} << 1000
                                                << QByteArray("\x12");
    QTest::newRow("an answer after its wait") << QStringList{"--delay-ms", "150", "--serial", "0a1b2c"} << 100
                                              << QByteArray::fromHex("120a1b2c");
}

void TestExchange::listeningSendsNothing()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, questionWaitMs);
    QFETCH(QByteArray, heard);
    SimulatedTimeClock clock(simOptions);
    QVERIFY(clock.start());
    SerialLink link;
    QVERIFY(!link.prepareLink(clock.devicePath()));
    if (questionWaitMs > 0) {
        Exchange question = readSerialExchange(Machine);
        question.replyLimit = std::chrono::milliseconds(questionWaitMs);
        exchangeOnce(link, question);
    }
    Exchange listening;
    listening.listenOnly = true;
    listening.replyLimit = std::chrono::milliseconds(200);
    const ExchangeOutcome outcome = exchangeOnce(link, listening);
    QCOMPARE(outcome.kind, heard.isEmpty() ? ExchangeOutcome::Kind::TimedOut : ExchangeOutcome::Kind::WrongReply);
    QCOMPARE(outcome.reply.toHex(' '), heard.toHex(' '));
    link.releaseLink();
    QVERIFY(clock.stop());
    // Only the question went out; listening wrote nothing.
    QCOMPARE(clock.received(), questionWaitMs > 0 ? ReadSerialOnLine : QByteArray());
}

void TestExchange::echoIsNeverTheAnswer_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("expected");  // EchoExpected
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<bool>("final");
    QTest::addColumn<std::optional<bool>>("remembered");
    QTest::addColumn<int>("verdict");   // EchoVerdict

    const QByteArray settings = QByteArray::fromHex("120520000000");
    const QByteArray readSerial = QByteArray::fromHex("12021f");
    const int yes = int(EchoExpected::Yes), no = int(EchoExpected::No), unknown = int(EchoExpected::Unknown);
    const auto row = [](const char *name, const QByteArray &sent, const QByteArray &received, int expected, int length,
                        bool final, std::optional<bool> remembered, EchoVerdict verdict) {
        QTest::newRow(name) << sent << received << expected << length << final << remembered << int(verdict);
    };
    row("known echo, whole copy", settings, settings + "\x12", yes, 1, false, {}, EchoVerdict::Echo);
    row("known echo, a byte changed", settings, QByteArray::fromHex("1205df"), yes, 1, false, {}, EchoVerdict::Differs);
    row("known echo, part so far", settings, QByteArray::fromHex("1205"), yes, 1, false, {}, EchoVerdict::NeedMore);
    row("known echo, cut short", settings, QByteArray::fromHex("1205"), yes, 1, true, {}, EchoVerdict::Differs);
    // --echo on where the line gives none: only the answer comes, and that is said, not "it differs".
    row("known echo, the answer alone so far", settings, QByteArray::fromHex("12"), yes, 1, false, {},
        EchoVerdict::NeedMore);
    row("known echo, the answer alone at the end", settings, QByteArray::fromHex("12"), yes, 1, true, {},
        EchoVerdict::Missing);
    row("known echo, the serial number alone at the end", readSerial, QByteArray::fromHex("12123456"), yes, 4, true,
        {}, EchoVerdict::Missing);
    row("known echo, read-serial echo altered and the answer", readSerial, QByteArray::fromHex("12021e12123456"), yes, 4,
        false, {}, EchoVerdict::Differs);
    row("no echo, the answer", settings, QByteArray::fromHex("12"), no, 1, false, {}, EchoVerdict::NoEcho);
    row("no echo, a whole copy still is none", settings, settings, no, 1, false, {}, EchoVerdict::Echo);
    row("no echo, serial 021F33 read at once", readSerial, QByteArray::fromHex("12021f33"), no, 4, false, {},
        EchoVerdict::NoEcho);
    row("not known, address byte alone waits", settings, QByteArray::fromHex("12"), unknown, 1, false, {},
        EchoVerdict::NeedMore);
    row("not known, address byte alone at the end", settings, QByteArray::fromHex("12"), unknown, 1, true, {},
        EchoVerdict::NoEcho);
    row("not known, whole copy", settings, settings, unknown, 1, false, {}, EchoVerdict::Echo);
    row("not known, copy changed at its third byte", settings, QByteArray::fromHex("1205df000000"), unknown, 1, false,
        {}, EchoVerdict::Differs);
    row("not known, another answer", settings, QByteArray::fromHex("34"), unknown, 1, false, {}, EchoVerdict::NoEcho);
    row("not known, bare read-serial question at the end", readSerial, readSerial, unknown, 4, true, {},
        EchoVerdict::Echo);
    row("not known, read-serial echo and answer", readSerial, QByteArray::fromHex("12021f12123456"), unknown, 4, false,
        {}, EchoVerdict::Echo);
    row("not known, serial 021F33 waits for what follows", readSerial, QByteArray::fromHex("12021f33"), unknown, 4,
        false, {}, EchoVerdict::NeedMore);
    row("not known, serial 021F33 at the end", readSerial, QByteArray::fromHex("12021f33"), unknown, 4, true, {},
        EchoVerdict::NoEcho);
    row("remembered without echo, serial 021F33 at once", readSerial, QByteArray::fromHex("12021f33"), unknown, 4,
        false, false, EchoVerdict::NoEcho);
}

void TestExchange::echoIsNeverTheAnswer()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, received);
    QFETCH(int, expected);
    QFETCH(int, replyLength);
    QFETCH(bool, final);
    QFETCH(std::optional<bool>, remembered);
    QFETCH(int, verdict);
    QCOMPARE(int(echoVerdict(sent, received, EchoExpected(expected), replyLength, final, remembered)), verdict);
}

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
