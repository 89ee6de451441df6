#include "serial_server.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

quint16 SerialServer::freePort()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr *>(&address), length);
    ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

namespace {

// Whether something listens on the port of 127.0.0.1, asked of the kernel without connecting: a probing
// connection would itself take ser2net's one client place for a moment.
bool listening(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields.at(1) == local && fields.at(3) == "0A")  // 0A: LISTEN
            return true;
    }
    return false;
}

} // namespace

QString SerialServer::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/local/sbin")});
}

SerialServer::~SerialServer()
{
    stop();
}

bool SerialServer::start()
{
    m_ports.clear();
    QString config;
    for (qsizetype index = 0; index < m_devices.size(); ++index) {
        // No port is held between one question to the kernel and the next, so one may come twice: asked
        // again then, since ser2net would listen for only one of two connections on it.
        quint16 port = freePort();
        while (m_ports.contains(port))
            port = freePort();
        m_ports.append(port);
        const QString accepter = m_kind == Kind::Raw ? QStringLiteral("tcp,127.0.0.1,%1").arg(port)
                                                     : QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1").arg(port);
        config += QStringLiteral("connection: &line%1\n"
                                 "    accepter: %2\n"
                                 "    connector: serialdev,%3,local\n")
                      .arg(index + 1)
                      .arg(accepter, m_devices.at(index));
        if (m_kind == Kind::Rfc2217NoCharDelay)
            config += QStringLiteral("    options:\n      chardelay: false\n");
    }
    QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) != config.toUtf8().size())
        return false;
    file.close();
    // A test or benchmark that crashes takes its server with it, instead of leaving it on the port.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    // -n: stay in the foreground; -d: no daemon, messages on standard error; -P: no system pid file.
    m_process.start(program(), {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"), file.fileName(),
                                QStringLiteral("-P"), m_dir.filePath(QStringLiteral("ser2net.pid"))});
    if (!m_process.waitForStarted(5000))
        return false;
    const auto everyPortListens = [this] {
        return std::all_of(m_ports.cbegin(), m_ports.cend(), [](quint16 port) { return listening(port); });
    };
    return QTest::qWaitFor([&] { return everyPortListens() || m_process.state() == QProcess::NotRunning; }, 5000)
           && m_process.state() == QProcess::Running;
}

QString SerialServer::url(qsizetype device) const
{
    return (m_kind == Kind::Raw ? QStringLiteral("socket://127.0.0.1:%1") : QStringLiteral("rfc2217://127.0.0.1:%1")).arg(port(device));
}

QStringList SerialServer::urls() const
{
    QStringList all;
    for (qsizetype device = 0; device < m_ports.size(); ++device)
        all << url(device);
    return all;
}

void SerialServer::signal(int number)
{
    if (m_process.state() != QProcess::NotRunning)
        ::kill(pid_t(m_process.processId()), number);
}

void SerialServer::resume()
{
    signal(SIGCONT);
}

void SerialServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    resume();
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString SerialServer::errors()
{
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}
