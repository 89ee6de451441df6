#pragma once

#include "sim_process.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// timeclock-sim for a test: a time clock on a pseudo-terminal, with what it received and its final state
// read back from its output, and the PNG of the logo it held when it stopped.
class SimulatedTimeClock : public sim::SimProcess
{
    Q_OBJECT

public:
    explicit SimulatedTimeClock(QStringList options = {}, QObject *parent = nullptr);

    QByteArray received() const { return reader().received(); }       // every RX byte so far, in order
    QByteArray transmitted() const { return reader().transmitted(); } // every TX byte so far, in order
    bool waitForReceived(int byteCount, int timeoutMs = 5000);
    QStringList frameLines() const
    {
        return reader().frameLines();
    } // "FRAME <index> <addr> <frame> handled|ignored"
    bool hungUp() const { return reader().hungUp(); }
    bool waitForHangUp(int timeoutMs = 5000);

    // What the terminal held when stop() ended it; -1 (or empty) before.
    int machineNumber() const { return finalByte(&sim::TerminalState::machineNumber); }
    QByteArray serial() const { return finalState().serial; }
    int mode() const { return finalByte(&sim::TerminalState::mode); }
    int delay() const { return finalByte(&sim::TerminalState::delay); }
    int font() const { return finalByte(&sim::TerminalState::font); }
    QByteArray logo() const { return finalState().logo; } // 512 bytes
    // The PNG of the stored logo the simulator wrote when it stopped (--picture-out): a file of the
    // fixture's own unless the options name one.
    QString picturePath() const { return m_picturePath; }

    QString output() const { return QString::fromLocal8Bit(reader().text()); } // all printed so far

private:
    sim::TerminalState finalState() const;
    int finalByte(quint8 sim::TerminalState::*field) const;

    QTemporaryDir m_pictureDir;
    QString m_picturePath;
};

// Terminals put on one port one after another, as on a factory bench: each a simulator of its own (its
// options, e.g. {"--serial", "0a00c2"}), all reached through one device name, a symbolic link, so the
// program's port stays the same while the terminal behind it changes.
class SwappedTerminals
{
public:
    explicit SwappedTerminals(const QList<QStringList> &terminals);

    QString port() const { return m_link; }
    // Takes the terminal on the line off (its final state is then read) and puts terminal `index` on.
    bool putOn(int index);
    SimulatedTimeClock &terminal(int index) { return *m_terminals.at(size_t(index)); }

private:
    QTemporaryDir m_dir;
    QString m_link;
    std::vector<std::unique_ptr<SimulatedTimeClock>> m_terminals;
    int m_onLine = -1;
};
