#pragma once

#include "command_history.h"
#include "command_runner.h"
#include "line_identity.h"
#include "outcome.h"

#include <QCommandLineOption>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <chrono>
#include <optional>
#include <variant>
#include <vector>

// timeclock-setup scan: which machine numbers answer on the line, or on several lines at once.
int runScan(const QStringList &arguments);
QList<QCommandLineOption> scanOptions();

// --port all: every mapped port (given as N=DEVICE now, or remembered), never one nobody named.
inline constexpr QStringView AllPorts = u"all";
// Whether the --port values name more than one line: several, "all", or a mapping N=DEVICE.
bool scansSeveralPorts(const QStringList &portValues);
// The lines the --port values name, each once, sorted by port; a number reaches its device through the
// mappings given and remembered. A problem for a bad value, or for "all" with nothing mapped.
std::variant<QList<PortChoice>, Problem> sitePorts(const QStringList &portValues, const QStringList &rememberedMappings);
// What one line of a scan over several heard.
struct LineScan
{
    PortChoice port;
    QList<ScanAnswer> answers;
    QList<qint64> answeredAtMs;  // for each answer, since the scan began
    int asked = 0;
    bool finished = false;
    CommandRun run;
};
// Scans `range` on every line side by side, each its own link on the one event loop, with the progress
// line on standard error: each line's answers and run, in the order of `ports`. A line that does not open
// or is lost ends its own scan only. Nothing is printed or recorded: see finishScanLine().
std::vector<LineScan> scanLines(const QList<PortChoice> &ports, const MachineRange &range, std::chrono::milliseconds wait);
// What a scan's line tells at its end: the count it remembers, its history entry, and its summary.
Outcome finishScanLine(const PortChoice &port, const MachineRange &range, const QString &rangeText, int lastAsked,
                       const QList<ScanAnswer> &answers, const CommandRun &run);

// The progress line of a scan over several lines: "3/8 串口，1234/2048 个机号".
QString siteProgressText(int linesDone, int lines, int asked, int total);

// timeclock-setup history: what was sent to terminals, by the window and the command line.
int runHistory(const QStringList &arguments);
// One entry as `history --json` prints it: every entry in the same keys, null where one does not apply.
QJsonObject historyJson(const HistoryEntry &entry);

// A renumber goes to every terminal on the line. Where the last scan of the line found more than one, it
// is refused unless `all`, and with `all` the warning is printed.
std::optional<Problem> renumberOnSharedLine(const LineIdentity &line, bool all);
