#include "command_session.h"
#include "command_table.h"
#include "exchange.h"
#include "machine_scan.h"
#include "name_lookup.h"
#include "network_line.h"
#include "network_opening.h"
#include "serial_server.h"
#include "silent_server.h"
#include "sim_fixture.h"
#include "status_messages.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
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
    void cleanup();
    void floodIsAFailureWithMemoryFlat();
    void lineNeverQuietStopsTheScan();
    void answerArrivingWithTheCloseIsDelivered();
    void rfc2217PeersAsTheyAre_data();
    void rfc2217PeersAsTheyAre();
    void pyserialServerCarriesTheLogo();
    void roundTripLeavesOutTheServersSetUp();
    void roundTripIsTheShortestOnceSetUp_data();
    void roundTripIsTheShortestOnceSetUp();
    void flowControlSuspendHoldsTheFrame();
    void nameLookupEndsWithinTheLimit_data();
    void nameLookupEndsWithinTheLimit();
    void everyAddressIsTriedWithinTheLimit();
    void signalDoesNotEndTheConnectionWait();
    void socketIsClosedOnExec();
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

// A logo download under way through ser2net in front of the paced clock, long enough to be cut: each
// line answered 50 ms late, so that the rest of the download takes seconds, more than a test thread
// starved by a busy machine sleeps before it cuts the line.
struct DownloadUnderway
{
    SimulatedTimeClock clock{pacedClock() + QStringList{QStringLiteral("--delay-ms"), QStringLiteral("50")}};
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

// A peer on 127.0.0.1 that serves one connection as a test scripts it, on a thread of its own, so it acts
// while the test waits on its own thread. After the script, what the client sends is kept until it hangs up.
class ScriptedPeer
{
public:
    using Script = std::function<void(int client, ScriptedPeer &peer)>;

    explicit ScriptedPeer(Script script)
    {
        m_listener = listenOnLoopback(0, 4, m_port);
        m_thread = std::thread([this, script = std::move(script)] { serve(script); });
    }
    ~ScriptedPeer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }

    quint16 port() const { return m_port; }
    QString url(const char *scheme) const { return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(m_port); }
    QString place() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    bool stopping() const { return m_stop; }
    // The client hung up after the script.
    bool done() const { return m_done; }
    QByteArray heard() const
    {
        const std::lock_guard guard(m_lock);
        return m_heard;
    }

    // For scripts: reads until what was heard ends with `ending` (or holds `count` bytes); false when the
    // client hung up or the test ended first.
    bool readUntil(int client, const QByteArray &ending, qsizetype count = 0)
    {
        for (;;) {
            {
                const std::lock_guard guard(m_lock);
                if (ending.isEmpty() ? m_heard.size() >= count : m_heard.endsWith(ending))
                    return true;
            }
            if (!readSome(client))
                return false;
        }
    }
    // For scripts: keeps what the client sends for `ms` milliseconds.
    void hearFor(int client, int ms)
    {
        QElapsedTimer hearing;
        hearing.start();
        while (!m_stop && hearing.elapsed() < ms) {
            pollfd entry{client, POLLIN, 0};
            if (::poll(&entry, 1, 10) <= 0)
                continue;
            char buffer[4096];
            const auto count = ::recv(client, buffer, sizeof buffer, 0);
            if (count <= 0)
                return;
            const std::lock_guard guard(m_lock);
            m_heard.append(buffer, count);
        }
    }
    // For scripts: what was heard so far no longer counts for readUntil().
    void forget()
    {
        const std::lock_guard guard(m_lock);
        m_heard.clear();
    }
    static void sendAll(int client, const QByteArray &bytes)
    {
        for (qsizetype sent = 0; sent < bytes.size();) {
            const auto count = ::send(client, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (count <= 0)
                return;
            sent += count;
        }
    }
    // Sends `bytes` and the end of the connection in one segment, as a server that answers and hangs up.
    static void sendAndHangUp(int client, const QByteArray &bytes)
    {
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_CORK, &on, sizeof on);
        sendAll(client, bytes);
        ::shutdown(client, SHUT_WR);
    }

private:
    bool readSome(int client)
    {
        while (!m_stop) {
            pollfd entry{client, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0)
                continue;
            char buffer[4096];
            const auto count = ::recv(client, buffer, sizeof buffer, 0);
            if (count <= 0)
                return false;
            const std::lock_guard guard(m_lock);
            m_heard.append(buffer, count);
            return true;
        }
        return false;
    }
    void serve(const Script &script)
    {
        int client = -1;
        while (!m_stop && client < 0) {
            pollfd entry{m_listener, POLLIN, 0};
            if (::poll(&entry, 1, 20) > 0)
                client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        }
        if (client < 0)
            return;
        script(client, *this);
        while (readSome(client)) {
        }
        m_done = true;
        ::close(client);
    }

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    mutable std::mutex m_lock;
    QByteArray m_heard;
    std::thread m_thread;
};

SocketAddress loopback(quint16 port)
{
    SocketAddress address{.family = AF_INET, .socketType = SOCK_STREAM, .protocol = IPPROTO_TCP};
    auto *inet = reinterpret_cast<sockaddr_in *>(&address.address);
    inet->sin_family = AF_INET;
    inet->sin_port = htons(port);
    inet->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.length = sizeof(sockaddr_in);
    return address;
}

// A listener whose queue of connections is full: the system drops every further connection's first
// packet, so a connection to it is never answered, and no packet leaves the machine.
class UnansweringListener
{
public:
    UnansweringListener()
    {
        m_listener = listenOnLoopback(0, 0, m_port);
        if (m_listener < 0)
            return;
        const SocketAddress address = loopback(m_port);
        // Fill the queue until a connection stays unanswered.
        for (int i = 0; i < 8; ++i) {
            const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            m_fillers.push_back(filler);
            ::connect(filler, reinterpret_cast<const sockaddr *>(&address.address), socklen_t(address.length));
            pollfd entry{filler, POLLOUT, 0};
            if (::poll(&entry, 1, 300) == 0) {
                m_full = true;
                return;
            }
        }
    }
    ~UnansweringListener()
    {
        for (const int filler : m_fillers)
            ::close(filler);
        ::close(m_listener);
    }
    bool full() const { return m_full; }
    quint16 port() const { return m_port; }

private:
    int m_listener = -1;
    quint16 m_port = 0;
    bool m_full = false;
    std::vector<int> m_fillers;
};

// What the test's resolver answers, in place of the system's, for any name.
std::vector<SocketAddress> resolvedAddresses;
QString resolverFailure;
std::atomic<bool> resolverHangs{false};
NameLookupResult testResolver(const QByteArray &, quint16)
{
    // A name server that does not answer: held until the test ends, then a failure nobody hears.
    QElapsedTimer held;
    held.start();
    while (resolverHangs && held.elapsed() < 20000)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return {resolvedAddresses, resolverFailure};
}

// The socket this process holds that is connected to `port` of 127.0.0.1; -1 when there is none.
int socketConnectedTo(quint16 port)
{
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) == 0 && peer.sin_family == AF_INET
            && ntohs(peer.sin_port) == port)
            return fd;
    }
    return -1;
}

// The Telnet side of an RFC 2217 server's greeting and answers, as such servers send them.
const QByteArray TelnetGreeting = QByteArray::fromHex("fffb00fffd00fffd2c");  // WILL BINARY, DO BINARY, DO COM-PORT
const QByteArray LastSetting = QByteArray::fromHex("fffa2c0c01fff0");          // PURGE-DATA ends the settings
QByteArray confirmation(const char *baud, const char *dataSize, const char *parity, const char *stopSize)
{
    return QByteArray::fromHex(QByteArray("fffa2c65") + baud + "fff0fffa2c66" + dataSize + "fff0fffa2c67" + parity
                               + "fff0fffa2c68" + stopSize + "fff0");
}
const QByteArray Confirms9600 = confirmation("00002580", "08", "01", "01");
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
    QTest::newRow("IPv6 without brackets") << QStringLiteral("rfc2217://::1:7103") << QStringLiteral("rfc2217://::1:7103");
}

void TestNetworkLine::connectionFailuresNameTheServer()
{
    QFETCH(QString, url);
    QFETCH(QString, place);
    CommandSession session;
    const CommandResult result = runCommand(session, url, TerminalCommand::ReadSerial, {});
    QCOMPARE(int(result.status), int(CommandStatus::PortOpenFailed));
    // Each failure in its own words: a name not known, a malformed address (given past the checks where
    // names enter), a refused connection.
    const QString reason = url.contains(u".invalid")    ? StatusText::HostNotFoundReason.toString()
                           : !place.contains(u"127.0.0.1:") && !place.contains(u"[::1]:") ? StatusText::AddressMalformedReason.toString()
                                                                                   : StatusText::ConnectionRefusedReason.toString();
    const QString start = StatusText::PortOpenFailed.toString().arg(StatusText::ReasonAndPlace.toString().arg(reason, place));
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

void TestNetworkLine::cleanup()
{
    resolverHangs = false;
    NameLookup::useResolver(nullptr);
    resolvedAddresses.clear();
    resolverFailure.clear();
}

// A peer that sends without pause: each notification reads once and the line holds a bounded amount, so
// the thread's events go on, the exchange ends as a wrong answer, and memory stays flat.
void TestNetworkLine::floodIsAFailureWithMemoryFlat()
{
    const auto flood = [](int client, ScriptedPeer &peer) {
        const QByteArray noise(4096, '\x5a');
        while (!peer.stopping() && ::send(client, noise.constData(), size_t(noise.size()), MSG_NOSIGNAL) > 0) {
        }
    };
    {
        ScriptedPeer peer(flood);
        NetworkLine line;
        QCOMPARE(line.open(peer.url("socket")), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(line.bytesAvailable() >= 64 * 1024, 5000);
        QTimer tick;
        QSignalSpy ticked(&tick, &QTimer::timeout);
        tick.start(50);
        QTRY_VERIFY_WITH_TIMEOUT(ticked.size() >= 5, 5000);
        QVERIFY2(line.bytesAvailable() <= 68 * 1024, qPrintable(QString::number(line.bytesAvailable())));
        QVERIFY(line.isOpen());
        line.close();
    }
    ScriptedPeer peer(flood);
    CommandSession session;
    const CommandResult result = runCommand(session, peer.url("socket"), TerminalCommand::ReadSerial, {}, 10000);
    QCOMPARE(int(result.status), int(CommandStatus::WrongReply));
    // Said as what it is, not as a terminal's wrong answer.
    QCOMPARE(result.message, StatusText::withDetail(StatusText::CommunicationFailed.toString(), StatusText::LineTalking.toString()));
    QVERIFY(!session.link().isOpen());
}

// A line that never goes quiet (a server at another rate, noise): a few bytes every few milliseconds, any
// value, so that some of them name a number asked. The scan says so within seconds instead of asking every
// number a second each, and lists no terminal from bytes that answered nothing.
void TestNetworkLine::lineNeverQuietStopsTheScan()
{
    ScriptedPeer peer([](int client, ScriptedPeer &peer) {
        QByteArray chatter;
        for (int value = 0; value < 256; ++value)
            chatter.append(char((value * 37) & 0xff));
        for (qsizetype at = 0; !peer.stopping(); at = (at + 8) % chatter.size()) {
            if (::send(client, chatter.constData() + at, 8, MSG_NOSIGNAL) <= 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    });
    CommandSession session;
    QSignalSpy finished(&session, &CommandSession::finished);
    QList<ScanAnswer> answers;
    session.run(PortChoice{.number = 0, .deviceName = peer.url("socket")},
                std::make_unique<MachineScanTask>(MachineRange{}, DefaultScanWait,
                                                  [&answers](const ScanAnswer &answer) { answers << answer; }));
    QVERIFY(finished.wait(15000));
    const auto result = finished.constFirst().constFirst().value<CommandResult>();
    QCOMPARE(result.message, StatusText::LineTalking.toString());
    QCOMPARE(int(result.status), int(CommandStatus::WrongReply));
    for (const ScanAnswer &answer : std::as_const(answers))
        QVERIFY2(answer.kind == ScanAnswer::Kind::Wrong, qPrintable(QString::number(answer.machine)));
    QVERIFY(!session.link().isOpen());
}

// A server that answers and hangs up in the same packet: the answer is the command's, the end comes after.
void TestNetworkLine::answerArrivingWithTheCloseIsDelivered()
{
    const QByteArray answer = QByteArray::fromHex("ff021f33");
    for (int run = 0; run < 5; ++run) {
        ScriptedPeer peer([answer](int client, ScriptedPeer &peer) {
            if (peer.readUntil(client, {}, 3))
                ScriptedPeer::sendAndHangUp(client, answer);
        });
        CommandSession session;
        const CommandResult result = runCommand(session, peer.url("socket"), TerminalCommand::ReadSerial, {});
        QCOMPARE(result.message, StatusText::CommunicationSucceeded.toString());
        QCOMPARE(result.reply.toHex(), answer.toHex());
    }
}

void TestNetworkLine::rfc2217PeersAsTheyAre_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("answer");  // to the settings; empty: none
    QTest::addColumn<bool>("hangUp");        // with the answer
    QTest::addColumn<QByteArray>("afterFrame");  // sent once the read-serial frame came
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");    // PLACE: the server's HOST:PORT
    const int openFailed = int(CommandStatus::PortOpenFailed);
    const QString rawHint = StatusText::RawPortHint.toString().arg(QStringLiteral("PLACE"));
    QTest::newRow("confirms 115200") << TelnetGreeting << confirmation("0001c200", "08", "01", "01") << false << QByteArray() << openFailed
                                     << QStringLiteral("串口打开失败！（服务器的串口是 115200 波特，不是 9600）");
    QTest::newRow("confirms 7 data bits") << TelnetGreeting << confirmation("00002580", "07", "01", "01") << false << QByteArray()
                                          << openFailed << QStringLiteral("7 位数据");
    QTest::newRow("confirms even parity") << TelnetGreeting << confirmation("00002580", "08", "03", "01") << false << QByteArray()
                                          << openFailed << QStringLiteral("校验");
    QTest::newRow("confirms 2 stop bits") << TelnetGreeting << confirmation("00002580", "08", "01", "02") << false << QByteArray()
                                          << openFailed << QStringLiteral("停止位");
    QTest::newRow("refuses COM-PORT-OPTION") << QByteArray::fromHex("fffb00fffd00fffe2c") << QByteArray() << false << QByteArray()
                                             << openFailed << StatusText::ComPortRefusedReason.toString() + QStringLiteral("：PLACE；") + rawHint;
    QTest::newRow("refuses BINARY") << QByteArray::fromHex("fffc00fffd00fffd2c") << Confirms9600 << false << QByteArray() << openFailed
                                    << StatusText::BinaryRefusedReason.toString() + QStringLiteral("：PLACE");
    QTest::newRow("never confirms") << TelnetGreeting << QByteArray() << false << QByteArray() << openFailed
                                    << StatusText::SettingsUnansweredReason.toString() + QStringLiteral("：PLACE；") + rawHint;
    // Lost just before the frame: the frame is not sent and the port is named lost, never "no answer".
    QTest::newRow("hangs up as it confirms") << TelnetGreeting << Confirms9600 << true << QByteArray() << int(CommandStatus::PortLost)
                                             << StatusText::PortLost.toString();
    // IAC WILL inside a sub-negotiation ends it as a command: nothing of it comes before the answer.
    QTest::newRow("a sub-negotiation cut short before the answer")
        << TelnetGreeting << Confirms9600 << false << QByteArray::fromHex("fffa2c6bb0fffb01ffff021f33")
        << int(CommandStatus::Done) << StatusText::CommunicationSucceeded.toString();
}

// RFC 2217 servers other than ser2net: what they confirm is checked and what they refuse is said, with
// nothing sent to the terminal.
void TestNetworkLine::rfc2217PeersAsTheyAre()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, answer);
    QFETCH(bool, hangUp);
    QFETCH(QByteArray, afterFrame);
    QFETCH(int, status);
    QFETCH(QString, message);
    ScriptedPeer peer([&](int client, ScriptedPeer &peer) {
        ScriptedPeer::sendAll(client, greeting);
        if (answer.isEmpty() || !peer.readUntil(client, LastSetting))
            return;
        if (hangUp)
            ScriptedPeer::sendAndHangUp(client, answer);
        else
            ScriptedPeer::sendAll(client, answer);
        if (!afterFrame.isEmpty() && peer.readUntil(client, QByteArray::fromHex("021f")))
            ScriptedPeer::sendAll(client, afterFrame);
    });
    CommandSession session;
    const CommandResult result = runCommand(session, peer.url("rfc2217"), TerminalCommand::ReadSerial, {});
    QCOMPARE(int(result.status), status);
    message.replace(QStringLiteral("PLACE"), peer.place());
    QVERIFY2(result.message.contains(message), qPrintable(result.message + u'\n' + message));
    if (status == int(CommandStatus::Done))
        QCOMPARE(result.reply.toHex(), QByteArray("ff021f33"));
    QVERIFY(!session.link().isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(peer.done(), 2000);
    // Only the Telnet opening, the settings and answers to options: no frame.
    if (status != int(CommandStatus::Done)) {
        QByteArray heard = peer.heard();
        QVERIFY(heard.startsWith(TelnetCodec::opening()));
        heard.remove(0, TelnetCodec::opening().size());
        heard.replace(TelnetCodec::portSettings(), QByteArray());
        QVERIFY2(heard.isEmpty() || heard.startsWith('\xff'), qPrintable(heard.toHex(' ')));
        QVERIFY2(!heard.contains(QByteArray::fromHex("021f")), qPrintable(heard.toHex(' ')));
    }
}

// A server that takes long to set its port up answers data as quickly as any: the short wait after a frame
// takes the Telnet round trip, not the set-up time.
// pyserial's own RFC 2217 server side, set up as a new user would (tests/rfc2217_bridge.py), in front of the
// simulated time clock: its Telnet differs from ser2net's (it offers ECHO and SGA, and reports modem lines).
void TestNetworkLine::pyserialServerCarriesTheLogo()
{
    const QString python = QStringLiteral("/usr/bin/python3");
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import serial.rfc2217")}) != 0)
        QSKIP("/usr/bin/python3 has no serial module (Debian's python3-serial): pyserial's RFC 2217 server is not tried");
    SimulatedTimeClock clock({QStringLiteral("--machine"), QString::number(Machine), QStringLiteral("--serial"),
                              QStringLiteral("FF12FF")});
    QVERIFY(clock.start());
    QProcess bridge;
    // A test that crashes takes its server with it.
    bridge.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    bridge.start(python, {QStringLiteral(RFC2217_BRIDGE_PATH), clock.devicePath()});
    const auto endBridge = qScopeGuard([&bridge] {
        bridge.kill();
        bridge.waitForFinished(5000);
    });
    // It prints its port once it listens.
    QTRY_VERIFY_WITH_TIMEOUT(bridge.canReadLine() || bridge.state() == QProcess::NotRunning, 10000);
    const QByteArray listening = bridge.readLine().trimmed();
    QVERIFY2(listening.startsWith("PORT "), (listening + bridge.readAllStandardError()).constData());
    const QString url = QStringLiteral("rfc2217://127.0.0.1:") + QString::fromLatin1(listening.mid(5));
    CommandSession session;

    const CommandResult read = runCommand(session, url, TerminalCommand::ReadSerial, {});
    QCOMPARE(read.message, StatusText::CommunicationSucceeded.toString());
    QCOMPARE(read.reply.toHex(), QByteArray("ffff12ff"));

    const CommandResult logo = runCommand(session, url, TerminalCommand::DownloadLogo, {.picture = LogoPicture{pictureWithIacs()}});
    QCOMPARE(logo.message, StatusText::DownloadComplete.toString());
    QCOMPARE(logo.linesConfirmed, std::optional<int>(32));
    QVERIFY(clock.stop());
    QCOMPARE(clock.logo().toHex(), pictureWithIacs().toHex());
}

void TestNetworkLine::roundTripLeavesOutTheServersSetUp()
{
    ScriptedPeer peer([](int client, ScriptedPeer &peer) {
        ScriptedPeer::sendAll(client, TelnetGreeting);
        if (!peer.readUntil(client, LastSetting))
            return;
        // Past the line's reply limit, inside the server's time.
        peer.hearFor(client, int(TerminalReplyLimit.count()) + 300);
        ScriptedPeer::sendAll(client, Confirms9600);
    });
    NetworkLine line;
    QCOMPARE(line.open(peer.url("rfc2217")), std::nullopt);
    QVERIFY(line.replyAllowance() > std::chrono::microseconds(0));
    QVERIFY2(line.replyAllowance() < std::chrono::microseconds(TerminalReplyLimit),
             qPrintable(QString::number(line.replyAllowance().count())));
    line.close();
}

void TestNetworkLine::roundTripIsTheShortestOnceSetUp_data()
{
    QTest::addColumn<bool>("answersTimingMark");
    QTest::newRow("the server answers TIMING-MARK at once") << true;
    QTest::newRow("the server never answers TIMING-MARK: the opening's round trip is kept") << false;
}

// A server busy while the connection opens (as eight lines opened at once on a busy machine) answers BINARY
// late, and later questions at once: the scan's short wait takes the round trip measured once the port is
// set up, not the one of the opening, which every question would wait again.
void TestNetworkLine::roundTripIsTheShortestOnceSetUp()
{
    QFETCH(bool, answersTimingMark);
    constexpr int BusyOpeningMs = 800;
    ScriptedPeer peer([answersTimingMark](int client, ScriptedPeer &peer) {
        if (!peer.readUntil(client, TelnetCodec::opening()))
            return;
        peer.hearFor(client, BusyOpeningMs);
        ScriptedPeer::sendAll(client, TelnetGreeting);
        if (!peer.readUntil(client, LastSetting))
            return;
        ScriptedPeer::sendAll(client, Confirms9600);
        for (int probe = 0; answersTimingMark && probe < NetworkOpening::SettledRoundTrips; ++probe) {
            if (!peer.readUntil(client, TelnetCodec::timingMark()))
                return;
            ScriptedPeer::sendAll(client, QByteArray::fromHex("fffc06"));  // WONT TIMING-MARK, as ser2net
            peer.forget();
        }
    });
    NetworkLine line;
    QCOMPARE(line.open(peer.url("rfc2217")), std::nullopt);
    const auto opening = std::chrono::milliseconds(BusyOpeningMs);
    const QString allowance = QString::number(line.replyAllowance().count());
    if (answersTimingMark)
        QVERIFY2(line.replyAllowance() < opening, qPrintable(allowance));
    else
        QVERIFY2(line.replyAllowance() >= opening, qPrintable(allowance));
    line.close();
}

// A server whose port's buffer is full asks for a pause: the frame waits until it resumes, then goes.
void TestNetworkLine::flowControlSuspendHoldsTheFrame()
{
    std::atomic<bool> sentWhilePaused{false};
    ScriptedPeer peer([&sentWhilePaused](int client, ScriptedPeer &peer) {
        ScriptedPeer::sendAll(client, TelnetGreeting);
        if (!peer.readUntil(client, LastSetting))
            return;
        ScriptedPeer::sendAll(client, Confirms9600 + QByteArray::fromHex("fffa2c6cfff0"));  // FLOWCONTROL-SUSPEND
        const qsizetype heardBefore = peer.heard().size();
        peer.hearFor(client, 300);
        sentWhilePaused = peer.heard().size() != heardBefore;
        ScriptedPeer::sendAll(client, QByteArray::fromHex("fffa2c6dfff0"));  // FLOWCONTROL-RESUME
        if (peer.readUntil(client, QByteArray::fromHex("021f")))
            ScriptedPeer::sendAll(client, QByteArray::fromHex("ffff021f33"));
    });
    CommandSession session;
    const CommandResult result = runCommand(session, peer.url("rfc2217"), TerminalCommand::ReadSerial, {});
    QCOMPARE(result.message, StatusText::CommunicationSucceeded.toString());
    QCOMPARE(result.reply.toHex(), QByteArray("ff021f33"));
    QVERIFY(!sentWhilePaused);
}

void TestNetworkLine::nameLookupEndsWithinTheLimit_data()
{
    QTest::addColumn<bool>("hangs");
    QTest::addColumn<QString>("systemWords");
    QTest::newRow("the name server never answers") << true << QString();
    QTest::newRow("the name is not known") << false << QStringLiteral("Name or service not known");
}

// The name's lookup is inside the connection's 3 s, and a name not found is said as such.
void TestNetworkLine::nameLookupEndsWithinTheLimit()
{
    QFETCH(bool, hangs);
    QFETCH(QString, systemWords);
    resolverHangs = hangs;
    resolverFailure = systemWords;
    NameLookup::useResolver(&testResolver);
    CommandSession session;
    QElapsedTimer sinceRun;
    sinceRun.start();
    const CommandResult result = runCommand(session, QStringLiteral("rfc2217://timeclock-test-host:7103"),
                                            TerminalCommand::ReadSerial, {}, NetworkOpening::ConnectLimitMs + 3000);
    QCOMPARE(int(result.status), int(CommandStatus::PortOpenFailed));
    const QString start = StatusText::ReasonAndPlace.toString().arg(StatusText::HostNotFoundReason.toString(),
                                                                    QStringLiteral("timeclock-test-host:7103"));
    QVERIFY2(result.message.startsWith(StatusText::PortOpenFailed.toString().arg(start + u'，').chopped(1)), qPrintable(result.message));
    if (hangs)
        QVERIFY2(sinceRun.elapsed() >= NetworkOpening::ConnectLimitMs - 100, qPrintable(QString::number(sinceRun.elapsed())));
    else
        QVERIFY2(result.message.endsWith(systemWords + u'）'), qPrintable(result.message));
}

// A name with two addresses whose first never answers: the second is reached within the same 3 s.
void TestNetworkLine::everyAddressIsTriedWithinTheLimit()
{
    UnansweringListener unanswering;
    if (!unanswering.full())
        QSKIP("this system answers every connection to a full listener");
    ScriptedPeer peer([](int client, ScriptedPeer &peer) {
        if (peer.readUntil(client, {}, 3))
            ScriptedPeer::sendAll(client, QByteArray::fromHex("ff021f33"));
    });
    resolvedAddresses = {loopback(unanswering.port()), loopback(peer.port())};
    NameLookup::useResolver(&testResolver);
    CommandSession session;
    const CommandResult result = runCommand(session, QStringLiteral("socket://timeclock-test-host:%1").arg(peer.port()),
                                            TerminalCommand::ReadSerial, {});
    QCOMPARE(result.message, StatusText::CommunicationSucceeded.toString());
}

// A signal during the wait for the connection (a profiler, a resized terminal) does not end it early.
void TestNetworkLine::signalDoesNotEndTheConnectionWait()
{
    UnansweringListener unanswering;
    if (!unanswering.full())
        QSKIP("this system answers every connection to a full listener");
    resolvedAddresses = {loopback(unanswering.port())};
    NameLookup::useResolver(&testResolver);
    struct sigaction quiet{}, before{};
    quiet.sa_handler = [](int) {};
    ::sigaction(SIGUSR1, &quiet, &before);
    const pthread_t opener = ::pthread_self();
    std::atomic<bool> opened{false};
    std::thread signaller([&] {
        while (!opened) {
            ::pthread_kill(opener, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    NetworkLine line;
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    const auto failure = line.open(QStringLiteral("socket://timeclock-test-host:%1").arg(unanswering.port()));
    const qint64 elapsed = sinceOpen.elapsed();
    opened = true;
    signaller.join();
    ::sigaction(SIGUSR1, &before, nullptr);
    QCOMPARE(failure, std::optional(OpenFailure::ConnectionTimedOut));
    QVERIFY2(elapsed >= NetworkOpening::ConnectLimitMs - 100, qPrintable(QString::number(elapsed)));
}

// A program this one starts (a help viewer, a file manager) does not inherit the connection.
void TestNetworkLine::socketIsClosedOnExec()
{
    ScriptedPeer peer([](int, ScriptedPeer &) {});
    NetworkLine line;
    QCOMPARE(line.open(peer.url("socket")), std::nullopt);
    const int socket = socketConnectedTo(peer.port());
    QVERIFY(socket >= 0);
    QVERIFY(::fcntl(socket, F_GETFD) & FD_CLOEXEC);
    line.close();
}

QTEST_GUILESS_MAIN(TestNetworkLine)
#include "tst_network_line.moc"
