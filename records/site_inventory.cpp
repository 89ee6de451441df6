#include "site_inventory.h"

#include "command_table.h"
#include "outcome_words.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace {

using Place = std::pair<QString, int>;  // port, machine number

class Site
{
public:
    void add(const HistoryEntry &entry);
    QList<SiteTerminal> terminals() const;

private:
    // A terminal with `serial` answered at `place` (answered: it spoke, not only was spoken to).
    SiteTerminal &seen(const Place &place, const QString &serial, const QDateTime &time, bool answered);
    // The terminal at `place` as far as is known now: the serial last seen there, or one not yet named.
    SiteTerminal &at(const Place &place);
    void addScan(const HistoryEntry &entry);

    QHash<QString, SiteTerminal> m_bySerial;
    QHash<Place, QString> m_serialAt;
    QHash<Place, SiteTerminal> m_unnamed;
};

QString word(TerminalCommand command)
{
    return commandRow(command).name.toString();
}

template<typename Sent>
void keepNewer(std::optional<Sent> &kept, const std::optional<Sent> &other)
{
    if (other && (!kept || kept->time <= other->time))
        kept = other;
}

SiteTerminal &Site::seen(const Place &place, const QString &given, const QDateTime &time, bool answered)
{
    const QString serial = given.toUpper();
    SiteTerminal &terminal = m_bySerial[serial];
    terminal.serial = serial;
    // A terminal is at one place: where it was before holds nobody known now (it was renumbered, or moved).
    for (auto it = m_serialAt.begin(); it != m_serialAt.end();) {
        if (it.value() == serial && it.key() != place)
            it = m_serialAt.erase(it);
        else
            ++it;
    }
    m_serialAt.insert(place, serial);
    terminal.port = place.first;
    terminal.machine = place.second;
    if (answered && (!terminal.lastAnswered.isValid() || terminal.lastAnswered < time))
        terminal.lastAnswered = time;
    // What was sent to this place before its terminal was named belongs to this terminal.
    if (const auto unnamed = m_unnamed.find(place); unnamed != m_unnamed.end()) {
        keepNewer(terminal.settings, unnamed->settings);
        keepNewer(terminal.logo, unnamed->logo);
        m_unnamed.erase(unnamed);
    }
    return terminal;
}

SiteTerminal &Site::at(const Place &place)
{
    if (const auto serial = m_serialAt.constFind(place); serial != m_serialAt.constEnd())
        return m_bySerial[*serial];
    SiteTerminal &unnamed = m_unnamed[place];
    unnamed.port = place.first;
    unnamed.machine = place.second;
    return unnamed;
}

void Site::addScan(const HistoryEntry &entry)
{
    const HistoryOutcome parts = outcomeParts(entry.outcome);
    QList<int> shared;
    for (const HistoryOutcome::Answer &answer : parts.answers) {
        if (answer.kind == u"collision")
            shared.append(answer.machine);
    }
    for (const HistoryOutcome::Answer &answer : parts.answers) {
        if (answer.serial.isEmpty() || answer.kind == u"collision")
            continue;
        seen({entry.device, answer.machine}, answer.serial, entry.time, true).collision = shared.contains(answer.machine);
    }
    // The second serial at a number: a terminal of its own, at the same place as the first one heard there.
    for (const HistoryOutcome::Answer &answer : parts.answers) {
        if (answer.kind != u"collision" || answer.serial.isEmpty())
            continue;
        const QString first = m_serialAt.value({entry.device, answer.machine});
        SiteTerminal &second = seen({entry.device, answer.machine}, answer.serial, entry.time, true);
        second.collision = true;
        if (!first.isEmpty())
            m_serialAt.insert({entry.device, answer.machine}, first);
    }
}

void Site::add(const HistoryEntry &entry)
{
    if (entry.command == u"scan") {
        addScan(entry);
        return;
    }
    bool number = false;
    const int machine = entry.machine.toInt(&number);
    if (!number)
        return;
    const Place place{entry.device, machine};
    const QString outcome = outcomeParts(entry.outcome).word;
    const bool ok = outcome == OutcomeWord::Ok;
    // Nothing reached the line.
    if (outcome == OutcomeWord::PortOpenFailed || outcome.isEmpty())
        return;
    if (entry.command == word(TerminalCommand::ChangeNumber)) {
        // The new number now answers for whichever terminal took it; which one, only its serial says.
        if (!ok)
            return;
        m_serialAt.remove(place);
        m_unnamed.remove(place);
        if (!entry.serial.isEmpty())
            seen(place, entry.serial, entry.time, false);
        return;
    }
    if (entry.command == word(TerminalCommand::WriteSerial)) {
        if (!ok)
            return;
        // The same terminal under its new serial keeps what was recorded of it.
        const QString old = m_serialAt.value(place);
        const QString serial = entry.serial.toUpper();
        if (!old.isEmpty() && old != serial && !m_bySerial.contains(serial))
            m_bySerial.insert(serial, m_bySerial.take(old));
        m_serialAt.remove(place);
        seen(place, serial, entry.time, true);
        return;
    }
    if (ok && !entry.serial.isEmpty())
        seen(place, entry.serial, entry.time, true);
    // A command that went unconfirmed to a terminal the entry names is that terminal's, wherever it is now.
    const auto named = entry.serial.isEmpty() ? m_bySerial.end() : m_bySerial.find(entry.serial.toUpper());
    SiteTerminal &terminal = named != m_bySerial.end() ? *named : at(place);
    if (ok && !terminal.serial.isEmpty() && (!terminal.lastAnswered.isValid() || terminal.lastAnswered < entry.time))
        terminal.lastAnswered = entry.time;
    if (entry.command == word(TerminalCommand::Settings))
        terminal.settings = SentSettings{.words = entry.settings, .time = entry.time, .confirmed = ok};
    else if (entry.command == word(TerminalCommand::DownloadLogo))
        terminal.logo = SentLogo{.source = entry.logoSource,
                                 .hash = entry.logoHash,
                                 .time = entry.time,
                                 .confirmed = ok,
                                 .linesConfirmed = outcomeParts(entry.outcome).linesConfirmed};
}

QList<SiteTerminal> Site::terminals() const
{
    QList<SiteTerminal> all = m_bySerial.values();
    for (const SiteTerminal &unnamed : m_unnamed) {
        if (unnamed.settings || unnamed.logo)
            all.append(unnamed);
    }
    std::sort(all.begin(), all.end(), [](const SiteTerminal &a, const SiteTerminal &b) {
        if (a.port != b.port)
            return portOrder(a.port, b.port);
        if (a.machine != b.machine)
            return a.machine < b.machine;
        return a.serial < b.serial;
    });
    return all;
}

} // namespace

std::optional<bool> SiteTerminal::everyStepConfirmed() const
{
    if (!settings && !logo)
        return std::nullopt;
    return (!settings || settings->confirmed) && (!logo || logo->confirmed);
}

QList<SiteTerminal> siteInventory(const QList<HistoryEntry> &entries)
{
    Site site;
    for (const HistoryEntry &entry : entries)
        site.add(entry);
    return site.terminals();
}

bool portOrder(const QString &a, const QString &b)
{
    static const QRegularExpression pieces(QStringLiteral("\\d+|\\D+"));
    auto left = pieces.globalMatch(a);
    auto right = pieces.globalMatch(b);
    while (left.hasNext() && right.hasNext()) {
        const QString x = left.next().captured();
        const QString y = right.next().captured();
        if (x == y)
            continue;
        if (x.at(0).isDigit() && y.at(0).isDigit() && x.toULongLong() != y.toULongLong())
            return x.toULongLong() < y.toULongLong();
        return x < y;
    }
    return !left.hasNext() && right.hasNext();
}
