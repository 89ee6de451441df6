#pragma once

// Clocks, summaries and a simulated time clock for the benchmarks in this folder.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <vector>

namespace bench {

qint64 monotonicNs();     // CLOCK_MONOTONIC, the same clock in every process on the machine
qint64 processCpuNs();    // processor time of this process, user and system, all threads (getrusage; µs steps)

struct Spread
{
    double median = 0;
    double min = 0;
    double max = 0;
    int count = 0;
};

Spread spreadOf(std::vector<double> values);
// Nearest-rank percentile, p in (0, 100].
double percentile(std::vector<double> values, double p);

// One line of the simulator's output with its --timestamps time: RX (bytes it read) or TX (bytes it wrote).
struct StampedChunk
{
    bool transmitted = false;  // TX; otherwise RX
    QByteArray bytes;
    qint64 stampNs = 0;
};

// timeclock-sim (pass --timestamps among the options for chunks()), its output going to a file rather than a pipe, so that nothing in the
// measuring process is woken while the simulator reports what it does.
class SimProcess
{
public:
    explicit SimProcess(QStringList options = {});
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts it and waits (at most 5 s) until it names its device.
    bool start(QString *error);
    QString device() const { return m_device; }

    // Ends it (SIGTERM) and waits for it; false when it did not end cleanly.
    bool stop();

    // Every RX and TX line printed so far that carries a time (--timestamps), in order.
    QList<StampedChunk> chunks() const;

private:
    QStringList m_options;
    QProcess m_process;
    QTemporaryFile m_output;
    QString m_device;
};

} // namespace bench
