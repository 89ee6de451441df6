#include "bench_support.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <sys/resource.h>

namespace bench {

namespace {
constexpr int startTimeoutMs = 5000;
constexpr int stopTimeoutMs = 5000;
} // namespace

qint64 monotonicNs()
{
    // libstdc++'s steady_clock is CLOCK_MONOTONIC on Linux.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 processCpuNs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto microseconds = [](const timeval &time) { return qint64(time.tv_sec) * 1'000'000 + time.tv_usec; };
    return (microseconds(usage.ru_utime) + microseconds(usage.ru_stime)) * 1000;
}

Spread spreadOf(std::vector<double> values)
{
    Spread spread;
    spread.count = int(values.size());
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    spread.median = values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    spread.min = values.front();
    spread.max = values.back();
    return spread;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = size_t(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

SimProcess::SimProcess(QStringList options)
    : m_options(std::move(options))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning)
        stop();
}

bool SimProcess::start(QString *error)
{
    if (!m_output.open()) {
        *error = QStringLiteral("cannot make a file for the simulator's output");
        return false;
    }
    m_process.setStandardOutputFile(m_output.fileName(), QIODevice::Truncate);
    // With standard input watched, the simulator also ends when this process dies without stopping it.
    m_process.start(QStringLiteral(TIMECLOCK_SIM_PATH),
                    m_options + QStringList{QStringLiteral("--quit-on-eof")});
    if (!m_process.waitForStarted(startTimeoutMs)) {
        *error = QStringLiteral("timeclock-sim did not start: ") + m_process.errorString();
        return false;
    }
    const qint64 deadline = monotonicNs() + qint64(startTimeoutMs) * 1'000'000;
    while (monotonicNs() < deadline) {
        QFile output(m_output.fileName());
        if (output.open(QIODevice::ReadOnly)) {
            const QByteArray firstLine = output.readLine();
            if (firstLine.startsWith("DEVICE ") && firstLine.endsWith('\n')) {
                m_device = QString::fromLocal8Bit(firstLine.mid(7).trimmed());
                return true;
            }
        }
        QThread::msleep(2);
    }
    *error = QStringLiteral("timeclock-sim named no device");
    return false;
}

bool SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return false;
    m_process.terminate();
    if (!m_process.waitForFinished(stopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(stopTimeoutMs);
        return false;
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QList<StampedChunk> SimProcess::chunks() const
{
    QList<StampedChunk> chunks;
    QFile output(m_output.fileName());
    if (!output.open(QIODevice::ReadOnly))
        return chunks;
    for (const QByteArray &line : output.readAll().split('\n')) {
        const bool transmitted = line.startsWith("TX ");
        if (!transmitted && !line.startsWith("RX "))
            continue;
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3)
            continue;
        chunks.append({transmitted, QByteArray::fromHex(fields.at(1)), fields.at(2).toLongLong()});
    }
    return chunks;
}

} // namespace bench
