#pragma once

#include "line_identity.h"
#include "low_latency.h"
#include "port_directory.h"
#include "serial_link.h"
#include "terminal_task.h"

#include <QObject>

#include <memory>

// Where a command goes: the port number as typed, and the device it reaches (empty when it reaches none).
struct PortChoice
{
    qint16 number = 0;
    QString deviceName;
    // The numbers and devices the program knows, with its --port mappings: named when the port is not there.
    PortDirectory directory{};
    // Which line that is, read when the choice is made: what is known of the line is asked by it.
    LineIdentity line = LineIdentity::of(deviceName);

    // How the history, reports and --json name the port: the device, or the number where it reached none.
    QString label() const { return deviceName.isEmpty() ? QString::number(number) : deviceName; }
};

// Runs one command on the line: opens the port afresh, drives the command's exchanges one after another,
// reports one status message while the port is still open, and closes the port.
// Only one command runs at a time.
class CommandSession : public QObject
{
    Q_OBJECT

public:
    explicit CommandSession(QObject *parent = nullptr);

    bool isRunning() const { return m_task != nullptr; }

    // The port is opened on a thread of its own, without holding up this one (a port number that reaches no
    // device finishes the command within run()); the command goes on when it is open.
    void run(const PortChoice &port, std::unique_ptr<TerminalTask> task);

    // Ends a running command at once without a message (the window is closing).
    void abort();

    // Ends a running command once the exchange on the line has its answer or has timed out, as
    // CommandStatus::Interrupted, so the terminal is never left in the middle of a frame; at once while the
    // port is still being opened.
    void requestStop();

    SerialLink &link() { return m_link; }

    // A running download's lines confirmed so far (see TerminalTask::linesConfirmed()).
    std::optional<int> linesConfirmed() const { return m_task ? m_task->linesConfirmed() : std::nullopt; }

    // Names the device (or the number, where it reaches none), so an operator whose port numbers shifted
    // when an adapter was plugged in sees why.
    static QString openFailureMessage(OpenFailure failure, const PortChoice &port, const QString &detail = {});

    // Why an exchange failed on the line's echo.
    static QString echoFailureMessage(ExchangeOutcome::Echo echo);
    // A command that failed after an exchange that met trouble with the echo: its message says so.
    static void explainEcho(CommandResult &result, const ExchangeOutcome &last);

signals:
    void messageReady(const QString &message);     // the port is still open at this point
    void finished(const CommandResult &result);   // the port is closed again

private:
    void proceed(const CommandStep &step);
    void conclude(CommandResult result);

    // Before the link: put back only once the port is closed, also when the session goes.
    std::unique_ptr<LowLatencyForScan> m_lowLatency;
    SerialLink m_link;
    std::unique_ptr<TerminalTask> m_task;
    PortChoice m_port;
    bool m_stopRequested = false;
};
