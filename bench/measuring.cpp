#include "measuring.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace bench {

qint64 monotonicNs()
{
    // libstdc++'s steady_clock is CLOCK_MONOTONIC on Linux.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 processCpuNs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto microseconds = [](const timeval &time) {
        return qint64(time.tv_sec) * 1'000'000 + time.tv_usec;
    };
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

void abortBenchmark(const QString &why)
{
    std::fprintf(stderr, "bench: FAILED: %s\n", qPrintable(why));
    std::exit(1);
}

} // namespace bench
