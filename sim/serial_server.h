#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real serial server (ser2net) on a free port of 127.0.0.1 in front of a device, for the tests and the
// benchmarks: the simulated time clock as a technician reaches one behind a serial device server.
class SerialServer
{
public:
    enum class Kind { Rfc2217NoCharDelay, Rfc2217, Raw };

    // Where ser2net is installed; empty when it is not.
    static QString program();
    // A port of 127.0.0.1 nobody listens on now.
    static quint16 freePort();

    SerialServer(Kind kind, const QString &device) : m_kind(kind), m_device(device) {}
    ~SerialServer();
    SerialServer(const SerialServer &) = delete;
    SerialServer &operator=(const SerialServer &) = delete;

    // Starts ser2net and returns once it listens (or has ended: false).
    bool start();
    // The port's name as an operator gives it: rfc2217://127.0.0.1:PORT or socket://127.0.0.1:PORT.
    QString url() const;
    quint16 port() const { return m_port; }
    void signal(int number);
    void resume();
    void stop();
    QString errors();

private:
    Kind m_kind;
    QString m_device;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
