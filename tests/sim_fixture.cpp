#include "sim_fixture.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int startTimeoutMs = 5000;
constexpr int stopTimeoutMs = 5000;
constexpr int expectedLogoSize = 512; // two blocks of 256 bytes
const QString pictureOutOption = QStringLiteral("--picture-out");

// Value of `key=` in a line of space-separated key=value pairs; -1 when missing or not a number.
int numberAfter(const QByteArray &line, const QByteArray &key)
{
    for (const QByteArray &field : line.split(' ')) {
        if (field.startsWith(key + '=')) {
            bool ok = false;
            const int value = field.mid(key.size() + 1).toInt(&ok);
            return ok ? value : -1;
        }
    }
    return -1;
}

QByteArray textAfter(const QByteArray &line, const QByteArray &key)
{
    for (const QByteArray &field : line.split(' ')) {
        if (field.startsWith(key + '='))
            return field.mid(key.size() + 1);
    }
    return {};
}

} // namespace

SimulatedTimeClock::SimulatedTimeClock(QStringList options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    const qsizetype named = m_options.indexOf(pictureOutOption);
    if (named >= 0 && named + 1 < m_options.size()) {
        m_picturePath = m_options.at(named + 1);
    } else if (named < 0) {
        m_picturePath = m_pictureDir.filePath(QStringLiteral("logo.png"));
        m_options << pictureOutOption << m_picturePath;
    }
    // Sanitizer reports and option errors show in the test's own output.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &SimulatedTimeClock::readOutput);
}

SimulatedTimeClock::~SimulatedTimeClock()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // lets it remove its --link
    if (!m_process.waitForFinished(stopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(stopTimeoutMs);
    }
}

QString SimulatedTimeClock::programPath()
{
    return QStringLiteral(TIMECLOCK_SIM_PATH);
}

bool SimulatedTimeClock::start()
{
    // With standard input watched, the simulator also ends when the test process dies without stopping it.
    m_process.start(programPath(), m_options + QStringList{QStringLiteral("--quit-on-eof")});
    if (!m_process.waitForStarted(startTimeoutMs))
        return false;
    return waitUntil([this] { return !m_devicePath.isEmpty(); }, startTimeoutMs);
}

bool SimulatedTimeClock::waitForReceived(int byteCount, int timeoutMs)
{
    return waitUntil([this, byteCount] { return m_received.size() >= byteCount; }, timeoutMs);
}

bool SimulatedTimeClock::waitForHangUp(int timeoutMs)
{
    return waitUntil([this] { return m_hungUp; }, timeoutMs);
}

bool SimulatedTimeClock::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        waitUntil([this] { return m_process.state() == QProcess::NotRunning; }, stopTimeoutMs);
    }
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(stopTimeoutMs);
        return false;
    }
    readOutput();
    if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0)
        return false;
    return parseFinalState();
}

void SimulatedTimeClock::readOutput()
{
    const QByteArray data = m_process.readAllStandardOutput();
    if (data.isEmpty())
        return;
    m_output += data;
    m_partialLine += data;
    qsizetype end = 0;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        const QByteArray line = m_partialLine.left(end);
        m_partialLine.remove(0, end + 1);
        handleLine(line);
    }
}

void SimulatedTimeClock::handleLine(const QByteArray &line)
{
    if (line.startsWith("DEVICE ")) {
        m_devicePath = QString::fromLocal8Bit(line.mid(7));
    } else if (line.startsWith("RX ")) {
        m_received += QByteArray::fromHex(line.mid(3));
        emit bytesReceived();
    } else if (line.startsWith("TX ")) {
        m_transmitted += QByteArray::fromHex(line.mid(3));
    } else if (line.startsWith("FRAME ")) {
        m_frameLines.append(QString::fromLatin1(line));
    } else if (line == "HANGUP") {
        m_hungUp = true;
    }
    emit lineRead();
}

bool SimulatedTimeClock::parseFinalState()
{
    QByteArray stateLine;
    QByteArray logoLine;
    for (const QByteArray &line : m_output.split('\n')) {
        if (line.startsWith("STATE "))
            stateLine = line;
        else if (line.startsWith("LOGO "))
            logoLine = line;
    }
    if (stateLine.isEmpty() || logoLine.isEmpty())
        return false;
    m_machineNumber = numberAfter(stateLine, "machine");
    m_serial = QByteArray::fromHex(textAfter(stateLine, "serial"));
    m_mode = numberAfter(stateLine, "mode");
    m_delay = numberAfter(stateLine, "delay");
    m_font = numberAfter(stateLine, "font");
    m_logo = QByteArray::fromHex(logoLine.mid(5));
    return m_machineNumber >= 0 && m_serial.size() == 3 && m_mode >= 0 && m_delay >= 0 && m_font >= 0 &&
           m_logo.size() == expectedLogoSize;
}

bool SimulatedTimeClock::waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (m_process.state() == QProcess::NotRunning) {
            readOutput();
            return condition();
        }
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        connect(this, &SimulatedTimeClock::lineRead, &loop, &QEventLoop::quit);
        connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
