#pragma once

#include "command_history.h"
#include "line_identity.h"
#include "outcome.h"
#include "output.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
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
// mappings given and remembered. A problem for a bad value, for "all" with nothing mapped, or for more lines
// than may be opened at once (siteLinesProblem).
std::variant<QList<PortChoice>, Problem> sitePorts(const QStringList &portValues, const QStringList &rememberedMappings);
// The progress line of a scan over several lines: "3/8 串口，1234/2048 个机号".
QString siteProgressText(int linesDone, int lines, int asked, int total);

// --machines and --timeout of a scan, checked.
struct ScanChoice
{
    MachineRange range;
    QString rangeText;  // as given, for the messages
    std::chrono::milliseconds wait;
};
std::variant<ScanChoice, Problem> scanChoiceOf(const QCommandLineParser &parser);

// What one line of a scan over several came to.
struct LineScan
{
    PortChoice port;
    QList<ScanAnswer> answers{};     // in the order heard
    QList<qint64> answeredAtMs{};    // for each answer, since the scan began
    int asked = 0;
    bool finished = false;
    Outcome summary{};  // the line's summary: no machine, the port, what the line came to
};

// Scans every line side by side, each its own link on the one event loop, with the progress line on a
// terminal; returns once every line has finished, in the order of `ports`. Each line's count is remembered
// and its history entry written, as the scan of one line does; a line that does not open or is lost ends
// only its own scan.
std::vector<LineScan> scanSite(const QList<PortChoice> &ports, const MachineRange &range, const QString &rangeText,
                               std::chrono::milliseconds wait);
// The exit code of a scan over several lines: 3 when a line did not open or was lost, even where the others
// found terminals; else 0 when a terminal was found, else the worst a line came to; stopped, as stopped.
int siteScanExitCode(const std::vector<LineScan> &lines);
// A line's summary as the scan prints it: "PORT：MESSAGE" on standard error, or its object in --json.
void printLineSummary(const Outcome &summary, OutputFormat format);

// timeclock-setup history: what was sent to terminals, by the window and the command line.
int runHistory(const QStringList &arguments);
// One entry as `history --json` prints it: every entry in the same keys, null where one does not apply.
QJsonObject historyJson(const HistoryEntry &entry);

// A renumber goes to every terminal on the line. Where the last scan of the line found more than one, it
// is refused unless `all`, and with `all` the warning is printed.
std::optional<Problem> renumberOnSharedLine(const LineIdentity &line, bool all);
