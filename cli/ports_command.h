#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

// timeclock-setup ports: every port the program can reach, and what the system says of it.
int runPorts(const QStringList &arguments);
QList<QCommandLineOption> portsOptions();
