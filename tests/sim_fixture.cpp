#include "sim_fixture.h"

namespace {
const QString PictureOutOption = QStringLiteral("--picture-out");
} // namespace

SimulatedTimeClock::SimulatedTimeClock(QStringList options, QObject *parent)
    : sim::SimProcess(options, Reading::Live, parent)
{
    const qsizetype named = options.indexOf(PictureOutOption);
    if (named >= 0 && named + 1 < options.size()) {
        m_picturePath = options.at(named + 1);
    } else if (named < 0) {
        m_picturePath = m_pictureDir.filePath(QStringLiteral("logo.png"));
        addOptions({PictureOutOption, m_picturePath});
    }
}

bool SimulatedTimeClock::waitForReceived(int byteCount, int timeoutMs)
{
    return waitUntil([this, byteCount] { return received().size() >= byteCount; }, timeoutMs);
}

bool SimulatedTimeClock::waitForHangUp(int timeoutMs)
{
    return waitUntil([this] { return hungUp(); }, timeoutMs);
}

sim::TerminalState SimulatedTimeClock::finalState() const
{
    sim::TerminalState none;
    none.serial.clear();
    none.logo.clear();
    return reader().finalState().value_or(none);
}

int SimulatedTimeClock::finalByte(quint8 sim::TerminalState::*field) const
{
    const std::optional<sim::TerminalState> state = reader().finalState();
    return state ? int((*state).*field) : -1;
}

SwappedTerminals::SwappedTerminals(const QList<QStringList> &terminals)
    : m_link(m_dir.filePath(QStringLiteral("port")))
{
    for (const QStringList &options : terminals)
        m_terminals.push_back(std::make_unique<SimulatedTimeClock>(options + QStringList{QStringLiteral("--link"), m_link}));
}

bool SwappedTerminals::putOn(int index)
{
    if (m_onLine >= 0 && !terminal(m_onLine).stop())
        return false;
    m_onLine = index;
    return terminal(index).start();
}
