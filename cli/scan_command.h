#pragma once

#include "command_history.h"
#include "line_identity.h"
#include "outcome.h"

#include <QCommandLineOption>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <optional>
#include <variant>

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

// timeclock-setup history: what was sent to terminals, by the window and the command line.
int runHistory(const QStringList &arguments);
// One entry as `history --json` prints it: every entry in the same keys, null where one does not apply.
QJsonObject historyJson(const HistoryEntry &entry);

// A renumber goes to every terminal on the line. Where the last scan of the line found more than one, it
// is refused unless `all`, and with `all` the warning is printed.
std::optional<Problem> renumberOnSharedLine(const LineIdentity &line, bool all);
