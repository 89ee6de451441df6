#pragma once

#include "command_history.h"
#include "line_identity.h"
#include "outcome.h"

#include <QCommandLineOption>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <optional>

// timeclock-setup scan: which machine numbers answer on the line.
int runScan(const QStringList &arguments);
QList<QCommandLineOption> scanOptions();

// timeclock-setup history: what was sent to terminals, by the window and the command line.
int runHistory(const QStringList &arguments);
// One entry as `history --json` prints it: every entry in the same keys, null where one does not apply.
QJsonObject historyJson(const HistoryEntry &entry);

// A renumber goes to every terminal on the line. Where the last scan of the line found more than one, it
// is refused unless `all`, and with `all` the warning is printed.
std::optional<Problem> renumberOnSharedLine(const LineIdentity &line, bool all);
