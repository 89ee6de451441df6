#pragma once

#include "site_inventory.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// timeclock-setup inventory: the site's terminals, one row each, followed by serial number.
int runInventory(const QStringList &arguments);
QList<QCommandLineOption> inventoryOptions();
QString inventorySummary();

// The table in at most 80 columns: a row per terminal, then what was last sent to it.
QStringList inventoryText(const QList<SiteTerminal> &terminals);
// One object per terminal, every key in every object, null where nothing is known.
QJsonObject inventoryJson(const SiteTerminal &terminal);
// The CSV file: a byte-order mark, the header, a row per terminal, as a spreadsheet keeps them.
QByteArray inventoryCsv(const QList<SiteTerminal> &terminals);
