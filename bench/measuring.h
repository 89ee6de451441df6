#pragma once

// Clocks and summaries for the benchmarks and the soak.

#include <QString>

#include <vector>

namespace bench {

qint64 monotonicNs();  // CLOCK_MONOTONIC, the same clock in every process on the machine
qint64 processCpuNs(); // processor time of this process, user and system, all threads (getrusage; µs steps)

constexpr double NsPerMs = 1e6;
constexpr double NsPerUs = 1e3;

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

// A measurement that cannot go on: says why on standard error and ends the benchmark with exit code 1.
[[noreturn]] void abortBenchmark(const QString &why);

} // namespace bench
