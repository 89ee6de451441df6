#pragma once

#include "sim_output.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <functional>

namespace sim {

// timeclock-sim in a process of its own, for the tests, the benchmarks and the soak: started with the given
// options (timeclock-sim's own, e.g. {"--machine", "7", "--silence", "all"}), its output read by one
// OutputReader. Waits run the event loop, so the code under test keeps working meanwhile.
class SimProcess : public QObject
{
    Q_OBJECT

public:
    enum class Reading
    {
        Live,   // the output is read as it comes, so that a wait can follow what the simulator does
        AtStop, // it goes to a file, read at stop(): nothing in this process is woken while it is written
    };

    explicit SimProcess(QStringList options = {}, Reading reading = Reading::Live, QObject *parent = nullptr);
    ~SimProcess() override; // ends the process if still running

    // The simulator program this runs.
    static QString programPath();

    // More options, before start().
    void addOptions(const QStringList &options) { m_options += options; }

    // Launches the simulator and waits (at most 5 s) until it names its device (each of its --lines); on
    // failure, `error` says why.
    bool start(QString *error = nullptr);
    QString devicePath() const { return m_output.devicePath(); }
    QStringList devicePaths() const { return m_output.devicePaths(); }

    // Waits, bounded, until `condition` holds; it is tested again whenever output comes (Reading::Live).
    bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

    // Sends SIGTERM, waits (at most 5 s) for the exit and reads the rest of the output. False if the
    // simulator did not exit cleanly (a crash, a sanitizer report, a picture it could not write) or its
    // final state (each line's) could not be read.
    bool stop();

    // What the simulator has printed so far, as read.
    const OutputReader &reader() const { return m_output; }

signals:
    void bytesReceived(); // more RX bytes were read
    void lineRead();      // any output line

private:
    void readLiveOutput();
    void readOutputFile();

    int lineCount() const; // --lines, or one

    QStringList m_options;
    Reading m_reading;
    QProcess m_process;
    QTemporaryFile m_outputFile; // Reading::AtStop
    OutputReader m_output;
};

} // namespace sim
