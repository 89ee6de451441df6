// Figure 6: logo-line exchanges back to back against the simulator with no delays.

#include "drive.h"
#include "figures.h"
#include "measuring.h"

namespace bench {

void measureThroughput(const Setup &setup, Report &report)
{
    std::vector<double> perSecond;
    for (int run = 0; run < setup.counts.throughputRuns; ++run) {
        auto simulator = startSimulator({});
        const BurstResult burst =
            exchangesBackToBack(simulator->devicePath(), setup.counts.throughputExchanges,
                                [&setup](int index) { return logoLineExchange(setup.logo, index); });
        stopSimulator(*simulator);
        perSecond.push_back(double(setup.counts.throughputExchanges) * 1e9 /
                            double(burst.finishedAtNs.back() - burst.startNs));
    }
    report.addDetail(QStringLiteral("6: exchanges per second: ") + fixedEach(perSecond, 0));
    report.add(
        {.figure = QStringLiteral("6"),
         .what = QStringLiteral("Exchange throughput, logo-line exchanges back to back, no line-rate limit"),
         .spread = spreadOf(perSecond),
         .decimals = 0,
         .unit = QStringLiteral("/s"),
         .runs = QStringLiteral("%1 × %2 exchanges")
                     .arg(setup.counts.throughputRuns)
                     .arg(setup.counts.throughputExchanges)});
}

} // namespace bench
