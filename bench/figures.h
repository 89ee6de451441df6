#pragma once

// The figures of the benchmark table: each a function that measures and fills a Report.

#include "logo_file.h"
#include "report.h"

namespace bench {

// How many runs each figure takes.
struct Counts
{
    int waitPairs = 10;  // figures 1 and 4: one event-driven and one polling wait each
    int latencyRuns = 5; // figure 2
    int latencyExchanges = 1000;
    int downloads = 7;      // figure 3, each of three kinds
    int startups = 10;      // figure 5, after one run not counted
    int memoryRuns = 3;     // figure 5
    int throughputRuns = 5; // figure 6
    int throughputExchanges = 2000;
    int conversionRuns = 15; // figure 7, after one run not counted
    int scanRuns = 3;        // figures 9, 12 and 13
};

// What every figure measures with.
struct Setup
{
    Counts counts;
    LogoPicture logo; // the sample logo the program ships with
};

void measureWaits(const Setup &setup, Report &report);          // figures 1 and 4
void measureLatency(const Setup &setup, Report &report);        // figure 2
void measureDownloads(const Setup &setup, Report &report);      // figure 3
void measureWindow(const Setup &setup, Report &report);         // figure 5
void measureThroughput(const Setup &setup, Report &report);     // figure 6
void measureLogoConversion(const Setup &setup, Report &report); // figure 7
void measureCommandLineStart(const Setup &setup, Report &report); // figure 8, with figure 5's count
void measureScan(const Setup &setup, Report &report);             // figure 9
void measureNetworkDownload(const Setup &setup, Report &report);  // figure 10, with figure 3's count
void measureEchoDownload(const Setup &setup, Report &report);     // figure 11, with figure 3's count
void measureSiteScan(const Setup &setup, Report &report);         // figure 12, with figure 9's count
void measureSiteApply(const Setup &setup, Report &report);        // figure 13, with figure 9's count

} // namespace bench
