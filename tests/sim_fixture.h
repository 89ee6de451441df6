#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Runs timeclock-sim for a test: a time clock on a pseudo-terminal, with what it received and its final
// state read back from its output. Options are timeclock-sim's own, e.g. {"--machine", "7", "--silence",
// "all"}. All waits run the event loop, so the code under test keeps working while the test waits.
class SimulatedTimeClock : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedTimeClock(QStringList options = {}, QObject *parent = nullptr);
    ~SimulatedTimeClock() override; // stops the process if still running

    // The simulator program this fixture runs.
    static QString programPath();

    // Launches the simulator and waits (at most 5 s) until it names its device.
    bool start();
    QString devicePath() const { return m_devicePath; }

    QByteArray received() const { return m_received; }       // every RX byte so far, in order
    QByteArray transmitted() const { return m_transmitted; } // every TX byte so far, in order
    bool waitForReceived(int byteCount, int timeoutMs = 5000);
    QStringList frameLines() const { return m_frameLines; } // "FRAME <index> <addr> <frame> handled|ignored"
    bool hungUp() const { return m_hungUp; }
    bool waitForHangUp(int timeoutMs = 5000);

    // Sends SIGTERM, waits (at most 5 s) for the exit and reads the final state. False if the simulator
    // did not exit cleanly (a crash or a sanitizer report) or its state could not be read.
    bool stop();
    int machineNumber() const { return m_machineNumber; }
    QByteArray serial() const { return m_serial; }
    int mode() const { return m_mode; }
    int delay() const { return m_delay; }
    int font() const { return m_font; }
    QByteArray logo() const { return m_logo; } // 512 bytes
    // The PNG of the stored logo the simulator wrote when it stopped (--picture-out): a file of the
    // fixture's own unless the options name one.
    QString picturePath() const { return m_picturePath; }

    QString output() const { return QString::fromLocal8Bit(m_output); } // everything printed so far

signals:
    void bytesReceived();
    void lineRead(); // any output line; used by the waits

private:
    void readOutput();
    void handleLine(const QByteArray &line);
    bool parseFinalState();
    bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

    QStringList m_options;
    QTemporaryDir m_pictureDir;
    QString m_picturePath;
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_partialLine;
    QString m_devicePath;
    QByteArray m_received;
    QByteArray m_transmitted;
    QStringList m_frameLines;
    bool m_hungUp = false;
    int m_machineNumber = -1;
    QByteArray m_serial;
    int m_mode = -1;
    int m_delay = -1;
    int m_font = -1;
    QByteArray m_logo;
};
