#include "sim_process.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace sim {

namespace {
constexpr int StartTimeoutMs = 5000;
constexpr int StopTimeoutMs = 5000;
constexpr int OutputFilePollMs = 2; // while waiting for the device's name in Reading::AtStop
} // namespace

SimProcess::SimProcess(QStringList options, Reading reading, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_reading(reading)
{
    // Sanitizer reports and option errors show in the caller's own output.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (m_reading == Reading::Live)
        connect(&m_process, &QProcess::readyReadStandardOutput, this, &SimProcess::readLiveOutput);
}

SimProcess::~SimProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // lets it remove its --link
    if (!m_process.waitForFinished(StopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(StopTimeoutMs);
    }
}

QString SimProcess::programPath()
{
    return QStringLiteral(TIMECLOCK_SIM_PATH);
}

bool SimProcess::start(QString *error)
{
    const auto failed = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_reading == Reading::AtStop) {
        if (!m_outputFile.open())
            return failed(QStringLiteral("cannot make a file for the simulator's output"));
        m_process.setStandardOutputFile(m_outputFile.fileName(), QIODevice::Truncate);
    }
    // With standard input watched, the simulator also ends when this process dies without stopping it.
    m_process.start(programPath(), m_options + QStringList{QStringLiteral("--quit-on-eof")});
    if (!m_process.waitForStarted(StartTimeoutMs))
        return failed(QStringLiteral("timeclock-sim did not start: ") + m_process.errorString());

    const auto named = [this, lines = lineCount()] { return m_output.devicePaths().size() >= lines; };
    if (m_reading == Reading::Live)
        return waitUntil(named, StartTimeoutMs) || failed(QStringLiteral("timeclock-sim named no device"));
    // Nothing signals a write to the file: look again every few milliseconds.
    const QDeadlineTimer deadline(StartTimeoutMs);
    for (readOutputFile(); !named(); readOutputFile()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return failed(QStringLiteral("timeclock-sim named no device"));
        QThread::msleep(OutputFilePollMs);
    }
    return true;
}

bool SimProcess::waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (m_process.state() == QProcess::NotRunning) {
            readLiveOutput();
            return condition();
        }
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        connect(this, &SimProcess::lineRead, &loop, &QEventLoop::quit);
        connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool SimProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        waitUntil([this] { return m_process.state() == QProcess::NotRunning; }, StopTimeoutMs);
    }
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(StopTimeoutMs);
        return false;
    }
    if (m_reading == Reading::Live)
        readLiveOutput();
    else
        readOutputFile();
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0 && m_output.complete();
}

int SimProcess::lineCount() const
{
    const qsizetype at = m_options.indexOf(QStringLiteral("--lines"));
    return at >= 0 && at + 1 < m_options.size() ? std::max(1, m_options.at(at + 1).toInt()) : 1;
}

void SimProcess::readLiveOutput()
{
    const QByteArray data = m_process.readAllStandardOutput();
    if (data.isEmpty())
        return;
    const qsizetype receivedBefore = m_output.received().size();
    const int lines = m_output.read(data);
    if (m_output.received().size() > receivedBefore)
        emit bytesReceived();
    if (lines > 0)
        emit lineRead();
}

// Reads what has been added to the file since the last time.
void SimProcess::readOutputFile()
{
    QFile file(m_outputFile.fileName());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_output.text().size()))
        return;
    m_output.read(file.readAll());
}

} // namespace sim
