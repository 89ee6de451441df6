#include "soak_report.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>

// AddressSanitizer, as GCC and clang announce it.
#if defined(__SANITIZE_ADDRESS__)
#define TIMECLOCK_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TIMECLOCK_SOAK_ASAN 1
#endif
#endif

#if !defined(TIMECLOCK_SOAK_ASAN)
#include <malloc.h>
#endif

namespace soak {

namespace {

constexpr int PortErrorsPerHangUp = 3; // Qt reports a vanished device once or twice, not in a storm
constexpr qint64 RssMarginKiB = 1024;
constexpr int MaxListed = 50; // unexpected outcomes listed one by one

int openDescriptorCount()
{
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

qint64 residentKiB()
{
#if !defined(TIMECLOCK_SOAK_ASAN)
    malloc_trim(0); // memory freed but kept by the allocator is not a leak
#endif
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

QString mib(qint64 kib)
{
    return QString::number(double(kib) / 1024.0, 'f', 2) + QStringLiteral(" MiB");
}

} // namespace

ResourceLook lookAtResources()
{
    return {openDescriptorCount(), residentKiB()};
}

void Tally::countTimeout(qint64 afterMs)
{
    ++timeouts;
    if (shortestTimeoutMs < 0 || afterMs < shortestTimeoutMs)
        shortestTimeoutMs = afterMs;
    longestTimeoutMs = std::max(longestTimeoutMs, afterMs);
}

void printLine(const QString &text)
{
    std::fputs(text.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

void printProgress(const QString &text)
{
    std::fputs(("soak: " + text + u'\n').toUtf8().constData(), stderr);
}

bool printSummary(const Tally &tally)
{
    QStringList faultCounts;
    for (const auto &[fault, count] : tally.faultCounts)
        faultCounts << QStringLiteral("%1 %2").arg(QLatin1String(faultName(fault))).arg(count);

    printLine(QStringLiteral("faults (one per batch): %1").arg(faultCounts.join(QStringLiteral(", "))));
    printLine(QStringLiteral("run: %1 exchanges, %2 logo downloads, on %3 simulators (%4 hang-ups)")
                  .arg(tally.exchangesRun)
                  .arg(tally.downloadsRun)
                  .arg(tally.simulators)
                  .arg(tally.hangUps));
    printLine(
        QStringLiteral("outcomes: %1 as expected, %2 unexpected (terminal state checked on %3 simulators)")
            .arg(tally.outcomesExpected)
            .arg(tally.unexpected.size())
            .arg(tally.simulatorChecks));
    for (qsizetype i = 0; i < tally.unexpected.size() && i < MaxListed; ++i) {
        const Unexpected &each = tally.unexpected[i];
        printLine(QStringLiteral("  batch %1, %2, fault %3: %4")
                      .arg(each.batch)
                      .arg(each.command < 0
                               ? each.commandName
                               : QStringLiteral("command %1 (%2)").arg(each.command).arg(each.commandName),
                           each.fault, each.what));
    }
    if (tally.unexpected.size() > MaxListed)
        printLine(QStringLiteral("  ... and %1 more").arg(tally.unexpected.size() - MaxListed));
    if (tally.timeouts > 0)
        printLine(QStringLiteral("no reply: %1 times, decided after %2 to %3 ms (limit 1000 ms)")
                      .arg(tally.timeouts)
                      .arg(tally.shortestTimeoutMs)
                      .arg(tally.longestTimeoutMs));

    const bool descriptorsKept = tally.atEnd.descriptors == tally.atStart.descriptors;
    printLine(QStringLiteral("open descriptors: %1 at start, %2 after warm-up (%3 batches), %4 at end%5")
                  .arg(tally.atStart.descriptors)
                  .arg(tally.afterWarmUp.descriptors)
                  .arg(tally.warmUpBatches)
                  .arg(tally.atEnd.descriptors)
                  .arg(descriptorsKept ? QString() : QStringLiteral("  LEAK")));

    const qint64 growth = tally.atEnd.residentKiB - tally.afterWarmUp.residentKiB;
#if defined(TIMECLOCK_SOAK_ASAN)
    // AddressSanitizer holds freed memory in quarantine, so resident memory grows by design here; leaks
    // are LeakSanitizer's to report when the program exits.
    const bool memoryKept = true;
    const QString memoryVerdict =
        QStringLiteral("  (not judged: AddressSanitizer quarantine; LeakSanitizer at exit)");
#else
    const bool memoryKept =
        tally.afterWarmUp.residentKiB > 0 && tally.atEnd.residentKiB > 0 && growth <= RssMarginKiB;
    const QString memoryVerdict = memoryKept ? QString() : QStringLiteral("  GROWTH");
#endif
    printLine(QStringLiteral("resident memory: %1 after warm-up, %2 at end (%3%4 KiB, margin %5 KiB)%6")
                  .arg(mib(tally.afterWarmUp.residentKiB), mib(tally.atEnd.residentKiB),
                       growth >= 0 ? QStringLiteral("+") : QString())
                  .arg(growth)
                  .arg(RssMarginKiB)
                  .arg(memoryVerdict));

    const int portErrorLimit = PortErrorsPerHangUp * tally.hangUps;
    const bool portErrorsBounded = tally.portErrors <= portErrorLimit;
    printLine(QStringLiteral("port errors: %1 (limit %2 per hang-up: %3)%4")
                  .arg(tally.portErrors)
                  .arg(PortErrorsPerHangUp)
                  .arg(portErrorLimit)
                  .arg(portErrorsBounded ? QString() : QStringLiteral("  STORM")));
    printLine(QStringLiteral("elapsed: %1 s").arg(double(tally.elapsedMs) / 1000.0, 0, 'f', 1));

    const bool passed = tally.unexpected.isEmpty() && descriptorsKept && memoryKept && portErrorsBounded;
    printLine(passed ? QStringLiteral("soak: PASSED") : QStringLiteral("soak: FAILED"));
    return passed;
}

} // namespace soak
