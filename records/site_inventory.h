#pragma once

#include "command_history.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What this PC recorded sending to a terminal and whether the terminal confirmed it: the protocol cannot
// read settings or a picture back, so this is all anyone can know of what a terminal holds.
struct SentSettings
{
    QString words;  // as the history keeps them: "mode=door picture=true delay=5 font=traditional"
    QDateTime time;
    bool confirmed = false;
};

struct SentLogo
{
    QString source;  // the file's path, or "text:" and the text drawn
    QString hash;    // SHA-256 of the 512 bytes, in hex
    QDateTime time;
    bool confirmed = false;
    std::optional<int> linesConfirmed{};  // of a download that did not complete
};

// One terminal of the site as this PC's history knows it, followed by its serial number: its rows before
// and after a renumber are one terminal.
struct SiteTerminal
{
    QString port;
    int machine = -1;
    QString serial;  // empty: something was sent to this number but no answer ever named its terminal
    QDateTime lastAnswered{};
    bool collision = false;  // the last scan that heard it heard another serial at its number too
    std::optional<bool> answeredNow{};  // whether the scan just made heard it; nothing when none was made
    std::optional<SentSettings> settings{};
    std::optional<SentLogo> logo{};

    // Whether every settings and logo sent last was confirmed; nothing when none was ever sent.
    std::optional<bool> everyStepConfirmed() const;
};

// The site's terminals from the history, oldest entry first, sorted by port (digits by value), then number.
// Entries that name no serial are joined to the serial last seen at their port and number, or to the one
// seen there next (a provision sends settings and the logo before it reads the serial back).
QList<SiteTerminal> siteInventory(const QList<HistoryEntry> &entries);

// Port names in the order a person reads them: runs of digits by their value, so /dev/ttyUSB2 comes before
// /dev/ttyUSB10.
bool portOrder(const QString &a, const QString &b);
