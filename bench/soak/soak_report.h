#pragma once

// What a soak run counts, what it found unexpected, and the summary it prints with its verdict.

#include "soak_plan.h"

#include <QList>
#include <QString>

#include <map>

namespace soak {

struct Unexpected
{
    int batch = 0;
    int command = 0; // -1: the terminal's state at the end
    QString commandName;
    QString fault;
    QString what;
};

// The process's own resources, looked at after the warm-up and at the end.
struct ResourceLook
{
    int descriptors = -1;
    qint64 residentKiB = -1;
};
ResourceLook lookAtResources();

struct Tally
{
    int exchangesRun = 0;
    int downloadsRun = 0;
    int outcomesExpected = 0;
    int simulators = 0;
    int simulatorChecks = 0;
    int hangUps = 0;
    int timeouts = 0;
    qint64 shortestTimeoutMs = -1;
    qint64 longestTimeoutMs = -1;
    std::map<Fault, int> faultCounts;
    QList<Unexpected> unexpected;
    int portErrors = 0;
    ResourceLook atStart;
    ResourceLook afterWarmUp;
    ResourceLook atEnd;
    int warmUpBatches = 0;
    qint64 elapsedMs = 0;

    void countTimeout(qint64 elapsedMs);
};

// A line of the summary, on standard output.
void printLine(const QString &text);
// A line of progress, on standard error.
void printProgress(const QString &text);

// Prints what the run did and found; true when everything was as expected.
bool printSummary(const Tally &tally);

} // namespace soak
