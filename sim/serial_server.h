#pragma once

#include <QProcess>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real serial server (ser2net) in front of one device or several, each on a free port of 127.0.0.1 of its
// own, for the tests and the benchmarks: the simulated time clock as a technician reaches one behind a
// serial device server, and a site's lines behind one device server with several ports.
class SerialServer
{
public:
    enum class Kind { Rfc2217NoCharDelay, Rfc2217, Raw };

    // Where ser2net is installed; empty when it is not.
    static QString program();
    // A port of 127.0.0.1 nobody listens on now.
    static quint16 freePort();

    SerialServer(Kind kind, const QString &device) : m_kind(kind), m_devices{device} {}
    // One server, one connection per device, in the order given.
    SerialServer(Kind kind, const QStringList &devices) : m_kind(kind), m_devices(devices) {}
    ~SerialServer();
    SerialServer(const SerialServer &) = delete;
    SerialServer &operator=(const SerialServer &) = delete;

    // Starts ser2net and returns once it listens on every port (or has ended: false).
    bool start();
    // The port's name as an operator gives it: rfc2217://127.0.0.1:PORT or socket://127.0.0.1:PORT; that of
    // the first device when no other is named.
    QString url(qsizetype device = 0) const;
    QStringList urls() const;
    quint16 port(qsizetype device = 0) const { return m_ports.value(device); }
    void signal(int number);
    void resume();
    void stop();
    QString errors();

private:
    Kind m_kind;
    QStringList m_devices;
    QTemporaryDir m_dir;
    QProcess m_process;
    QList<quint16> m_ports;
};
