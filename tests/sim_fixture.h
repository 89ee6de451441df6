#pragma once

#include "sim_process.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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
