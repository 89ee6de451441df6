#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

// `timeclock-setup provision PROFILE --numbers LIST`: sets up new terminals one after another.
int runProvision(const QStringList &arguments);

QString provisionSummary();
QList<QCommandLineOption> provisionOptions();  // its own, beyond those every command shares
