#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

// timeclock-setup apply PROFILE: a profile's settings and logo to every terminal on the given lines, the
// lines side by side and the terminals of a line one after another. It never renumbers and never writes a
// serial number.
int runApply(const QStringList &arguments);
QList<QCommandLineOption> applyOptions();
QString applySummary();
