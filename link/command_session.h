#pragma once

#include "exchange.h"
#include "serial_link.h"

#include <QObject>

#include <memory>

// Runs one command on the line: opens the port, drives the command's exchanges one after another,
// reports one status message while the port is still open, and closes the port.
// Only one command runs at a time.
class CommandSession : public QObject
{
    Q_OBJECT

public:
    explicit CommandSession(QObject *parent = nullptr);

    bool isRunning() const { return m_task != nullptr; }

    // `deviceName` empty means the port number reaches no device.
    void run(const QString &deviceName, bool closeFirst, std::unique_ptr<TerminalTask> task);

    // Ends a running command at once without a message (the window is closing).
    void abort();

    SerialLink &link() { return m_link; }

    static QString openFailureMessage(OpenFailure failure);

signals:
    void messageReady(const QString &message);  // the port is still open at this point
    void finished();                            // the port is closed again

private:
    void proceed(const CommandStep &step);
    void conclude(const QString &message);

    SerialLink m_link;
    std::unique_ptr<TerminalTask> m_task;
};
