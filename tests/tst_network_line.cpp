#include "command_session.h"
#include "command_table.h"
#include "network_line.h"
#include "network_opening.h"
#include "serial_server.h"
#include "sim_fixture.h"
#include "status_messages.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <optional>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

// Terminals behind a serial server: a real ser2net, started here on a free port of 127.0.0.1 in front of the
// simulated time clock's pseudo-terminal, reached through rfc2217:// and socket:// as an operator names it.
class TestNetworkLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandsReachTheTerminal_data();
    void commandsReachTheTerminal();
    void serverKilledMidDownload_data();
    void serverKilledMidDownload();
    void serverStoppedTimesOut_data();
    void serverStoppedTimesOut();
    void secondClientIsRefused_data();
    void secondClientIsRefused();
    void connectionFailuresNameTheServer_data();
    void connectionFailuresNameTheServer();
    void lineReportsItsRoundTrip_data();
    void lineReportsItsRoundTrip();
    void openingNeverHoldsUpTheThread_data();
    void openingNeverHoldsUpTheThread();
};

namespace {
constexpr quint8 Machine = 255;  // an IAC on the wire, each time

void addServerKinds()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("rfc2217, chardelay false") << int(SerialServer::Kind::Rfc2217NoCharDelay);
    QTest::newRow("rfc2217, chardelay default") << int(SerialServer::Kind::Rfc2217);
    QTest::newRow("raw") << int(SerialServer::Kind::Raw);
}

// A picture in which every third byte is 0xFF, and the others count: a lost or doubled IAC shifts it.
QByteArray pictureWithIacs()
{
    QByteArray bytes;
    for (int i = 0; i < 512; ++i)
        bytes += char(i % 3 == 0 ? 0xff : i % 251);
    return bytes;
}

// The simulated time clock answering at 9600 baud's pace, so that a download lasts long enough to be cut.
QStringList pacedClock()
{
    return {QStringLiteral("--machine"), QString::number(Machine), QStringLiteral("--line-rate"), QStringLiteral("9600")};
}

// A logo download under way through ser2net in front of the paced clock, long enough to be cut.
struct DownloadUnderway
{
    SimulatedTimeClock clock{pacedClock()};
    std::optional<SerialServer> server;
    CommandSession session;
    QSignalSpy finished{&session, &CommandSession::finished};

    // Starts the clock, a server of `kind` in front of it and the download, and returns once the clock has
    // had `frames` frames: empty then, otherwise what did not start.
    QString start(int kind, int frames)
    {
        if (!clock.start())
            return QStringLiteral("the simulated time clock did not start");
        server.emplace(SerialServer::Kind(kind), clock.devicePath());
        if (!server->start())
            return QStringLiteral("ser2net did not start: ") + server->errors();
        session.run(PortChoice{.deviceName = server->url()},
                    makeCommandTask(TerminalCommand::DownloadLogo,
                                    {.machineNumber = Machine, .picture = LogoPicture{pictureWithIacs()}}));
        return clock.waitForReceived(frames) ? QString() : QStringLiteral("the download did not get under way");
    }
};

CommandResult runCommand(CommandSession &session, const QString &url, TerminalCommand command, CommandInputs inputs,
                         int timeoutMs = 15000)
{
    QSignalSpy finished(&session, &CommandSession::finished);
    inputs.machineNumber = Machine;
    session.run(PortChoice{.number = 0, .deviceName = url}, makeCommandTask(command, inputs));
    if (finished.isEmpty() && !finished.wait(timeoutMs))
        return {QStringLiteral("no outcome"), CommandStatus::Interrupted};
    return finished.constFirst().constFirst().value<CommandResult>();
}
// A server on 127.0.0.1 that takes connections and never says a word, so an RFC 2217 open waits for the
// answer to its port settings.
class SilentServer
{
public:
    SilentServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) == 0 && ::listen(m_listener, 4) == 0
            && ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~SilentServer()
    {
        if (m_client >= 0)
            ::close(m_client);
        ::close(m_listener);
    }

    QString url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_port); }

    // The client has connected and then hung up (everything it sent read and counted first).
    bool clientHungUp()
    {
        if (m_client < 0)
            m_client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK);
        if (m_client < 0)
            return false;
        char buffer[256];
        for (;;) {
            const auto count = ::recv(m_client, buffer, sizeof buffer, 0);
            if (count <= 0)
                return count == 0;
            m_heard += count;
        }
    }
    qsizetype heard() const { return m_heard; }

private:
    int m_listener = -1;
    int m_client = -1;
    quint16 m_port = 0;
    qsizetype m_heard = 0;
};
} // namespace

void TestNetworkLine::initTestCase()
{
    if (SerialServer::program().isEmpty())
        QSKIP("ser2net is not installed: the tests through a serial server need it");
}

void TestNetworkLine::commandsReachTheTerminal_data()
{
    addServerKinds();
}

void TestNetworkLine::commandsReachTheTerminal()
{
    QFETCH(int, kind);
    SimulatedTimeClock clock({QStringLiteral("--machine"), QString::number(Machine), QStringLiteral("--serial"), QStringLiteral("FF12FF")});
    QVERIFY(clock.start());
    SerialServer server(SerialServer::Kind(kind), clock.devicePath());
    QVERIFY2(server.start(), qPrintable(server.errors()));
    CommandSession session;

    const CommandResult read = runCommand(session, server.url(), TerminalCommand::ReadSerial, {});
    QCOMPARE(read.message, StatusText::CommunicationSucceeded.toString());
    QCOMPARE(read.reply.toHex(), QByteArray("ffff12ff"));

    const CommandResult settings = runCommand(session, server.url(), TerminalCommand::Settings,
                                              {.settings = {.startupPicture = true}, .delay = 255});
    QCOMPARE(settings.message, StatusText::SettingSucceeded.toString());

    const CommandResult logo = runCommand(session, server.url(), TerminalCommand::DownloadLogo,
                                          {.picture = LogoPicture{pictureWithIacs()}});
    QCOMPARE(logo.message, StatusText::DownloadComplete.toString());
    QCOMPARE(logo.linesConfirmed, std::optional<int>(32));

    QVERIFY(clock.stop());
    QCOMPARE(clock.delay(), 255);
    QCOMPARE(clock.logo().toHex(), pictureWithIacs().toHex());
}

void TestNetworkLine::serverKilledMidDownload_data()
{
    addServerKinds();
}

void TestNetworkLine::serverKilledMidDownload()
{
    QFETCH(int, kind);
    DownloadUnderway download;
    const QString problem = download.start(kind, 100);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    download.server->signal(SIGKILL);
    // The connection's end is heard at once: the lost port is named, never a time-out taken for no answer.
    QTRY_COMPARE_WITH_TIMEOUT(download.finished.size(), 1, 1500);
    const auto result = download.finished.constFirst().constFirst().value<CommandResult>();
    QCOMPARE(int(result.status), int(CommandStatus::PortLost));
    QCOMPARE(result.message, StatusText::PortLost.toString());
    QVERIFY(!download.session.link().isOpen());
    download.clock.stop();
}

void TestNetworkLine::serverStoppedTimesOut_data()
{
    addServerKinds();
}

void TestNetworkLine::serverStoppedTimesOut()
{
    QFETCH(int, kind);
    DownloadUnderway download;
    const QString problem = download.start(kind, 100);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    download.server->signal(SIGSTOP);
    QElapsedTimer sinceStopped;
    sinceStopped.start();
    QTRY_COMPARE_WITH_TIMEOUT(download.finished.size(), 1, 5000);
    const auto result = download.finished.constFirst().constFirst().value<CommandResult>();
    // A silent server is a terminal that does not answer: the usual second, then no answer.
    QCOMPARE(int(result.status), int(CommandStatus::NoReply));
    QVERIFY2(sinceStopped.elapsed() >= 900, qPrintable(QString::number(sinceStopped.elapsed())));
    QVERIFY(result.linesConfirmed.value_or(0) > 0);
    download.server->resume();
    download.clock.stop();
}

void TestNetworkLine::secondClientIsRefused_data()
{
    addServerKinds();
}

void TestNetworkLine::secondClientIsRefused()
{
    QFETCH(int, kind);
    DownloadUnderway first;
    const QString problem = first.start(kind, 40);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    CommandSession second;
    const CommandResult refused = runCommand(second, first.server->url(), TerminalCommand::ReadSerial, {});
    QCOMPARE(int(refused.status), int(CommandStatus::PortOpenFailed));
    const QString expected = StatusText::PortOpenFailed.toString().arg(
        StatusText::ReasonAndPlace.toString().arg(StatusText::PortBusyReason.toString(), QStringLiteral("127.0.0.1:%1").arg(first.server->port())));
    QCOMPARE(refused.message, expected);
    QVERIFY(!second.link().isOpen());

    // The first client's download goes on undisturbed.
    QVERIFY(!first.finished.isEmpty() || first.finished.wait(15000));
    QCOMPARE(first.finished.constFirst().constFirst().value<CommandResult>().message, StatusText::DownloadComplete.toString());
    first.clock.stop();
}

void TestNetworkLine::connectionFailuresNameTheServer_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("place");
    const quint16 nobody = SerialServer::freePort();
    QTest::newRow("refused, rfc2217") << QStringLiteral("rfc2217://127.0.0.1:%1").arg(nobody) << QStringLiteral("127.0.0.1:%1").arg(nobody);
    QTest::newRow("refused, raw") << QStringLiteral("socket://127.0.0.1:%1").arg(nobody) << QStringLiteral("127.0.0.1:%1").arg(nobody);
    QTest::newRow("refused, tcp") << QStringLiteral("tcp://[::1]:%1").arg(nobody) << QStringLiteral("[::1]:%1").arg(nobody);
    QTest::newRow("unknown host, Telnet's port") << QStringLiteral("rfc2217://timeclock-no-such-host.invalid")
                                                 << QStringLiteral("timeclock-no-such-host.invalid:23");
    QTest::newRow("raw port without a number") << QStringLiteral("socket://127.0.0.1") << QStringLiteral("socket://127.0.0.1");
}

void TestNetworkLine::connectionFailuresNameTheServer()
{
    QFETCH(QString, url);
    QFETCH(QString, place);
    CommandSession session;
    const CommandResult result = runCommand(session, url, TerminalCommand::ReadSerial, {});
    QCOMPARE(int(result.status), int(CommandStatus::PortOpenFailed));
    const QString start = StatusText::PortOpenFailed.toString().arg(
        StatusText::ReasonAndPlace.toString().arg(StatusText::ConnectionRefusedReason.toString(), place));
    // The system's own words for the reason follow the place.
    QVERIFY2(result.message.startsWith(start.chopped(1) + QStringLiteral("，")), qPrintable(result.message));
    QVERIFY(!session.link().isOpen());
}

void TestNetworkLine::lineReportsItsRoundTrip_data()
{
    addServerKinds();
}

// The scan's short wait takes the network's round trip on top: the line that picks local or network by
// name must pass on what the network line measured.
void TestNetworkLine::lineReportsItsRoundTrip()
{
    QFETCH(int, kind);
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    SerialServer server(SerialServer::Kind(kind), clock.devicePath());
    QVERIFY2(server.start(), qPrintable(server.errors()));
    const auto line = makeSerialLine();
    QCOMPARE(line->open(server.url()), std::nullopt);
    QVERIFY(line->replyAllowance() > std::chrono::microseconds(0));
    QVERIFY(line->replyAllowance() <= std::chrono::microseconds(TerminalReplyLimit));
    line->close();
    QVERIFY(!line->open(clock.devicePath()));
    QCOMPARE(line->replyAllowance(), std::chrono::microseconds(0));
    line->close();
    clock.stop();
}

void TestNetworkLine::openingNeverHoldsUpTheThread_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("the server's answer never comes") << QStringLiteral("limit");
    QTest::newRow("the window closes meanwhile") << QStringLiteral("abort");
    QTest::newRow("a stop is asked meanwhile") << QStringLiteral("stop");
}

void TestNetworkLine::openingNeverHoldsUpTheThread()
{
    QFETCH(QString, ending);
    SilentServer server;
    CommandSession session;
    QSignalSpy finished(&session, &CommandSession::finished);
    QElapsedTimer sinceRun;
    sinceRun.start();
    session.run(PortChoice{.deviceName = server.url()}, makeCommandTask(TerminalCommand::ReadSerial, {.machineNumber = 1}));

    // The thread's events go on while the connection waits for the server.
    QTimer tick;
    QSignalSpy ticked(&tick, &QTimer::timeout);
    tick.start(20);
    QTRY_VERIFY_WITH_TIMEOUT(ticked.size() >= 3, 1000);
    QVERIFY(finished.isEmpty());
    QVERIFY(session.isRunning());
    QVERIFY(session.link().isOpening());

    if (ending == u"limit") {
        QVERIFY(finished.wait(NetworkOpening::NegotiationLimitMs + 2000));
        QVERIFY(sinceRun.elapsed() >= NetworkOpening::NegotiationLimitMs);
        const auto result = finished.constFirst().constFirst().value<CommandResult>();
        QCOMPARE(int(result.status), int(CommandStatus::PortOpenFailed));
        QVERIFY2(result.message.contains(QStringLiteral("服务器没有回答端口设置")), qPrintable(result.message));
    } else if (ending == u"abort") {
        session.abort();
        QVERIFY(!session.isRunning());
    } else {
        session.requestStop();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(int(finished.constFirst().constFirst().value<CommandResult>().status), int(CommandStatus::Interrupted));
    }
    // The connection is given up at once, long before the server's time is up, and nothing but the Telnet
    // opening went out.
    QTRY_VERIFY_WITH_TIMEOUT(server.clientHungUp(), 500);
    QCOMPARE(server.heard(), TelnetCodec::opening().size());
    QVERIFY(!session.link().isOpen());
    QVERIFY(!finished.wait(100));
    QCOMPARE(finished.size(), ending == u"abort" ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestNetworkLine)
#include "tst_network_line.moc"
