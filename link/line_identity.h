#pragma once

#include <QString>

// Which line a port name reaches, read once where the name enters, so that every question about the line
// (how many terminals a scan found on it, whether it hands back what is sent, who holds it, whether its
// adapter's latency is lowered) gets one answer under every name the line goes by:
//   a device: its real file, links followed (/dev/serial/by-id/… and /dev/ttyUSB0 are one line; "pts/3"
//     lives below /dev as Qt's serial port takes it); on Windows COM5, com5 and \\.\COM5 are one line;
//   a serial server's port: its host and TCP port. tcp:// and socket:// are one scheme, letter case and a
//     trailing '/' do not count, Telnet's port is the rfc2217:// default, and the loopback names localhost,
//     127.0.0.1 and ::1 are one host, decided without a name lookup. rfc2217:// and socket:// to the same
//     host and port are one line too: a server's TCP port is one listener in front of one serial port.
class LineIdentity
{
public:
    enum class Kind { None, Device, Network };

    LineIdentity() = default;
    static LineIdentity of(const QString &portName);

    Kind kind() const { return m_kind; }
    // The same for every name of one line, and different for different lines; empty for no name.
    const QString &key() const { return m_key; }
    // The name as it was given.
    const QString &name() const { return m_name; }
    // The device file a device's name leads to; empty for a network port, a device that is not there, and
    // on Windows, whose ports are no files.
    const QString &deviceFile() const { return m_deviceFile; }

    friend bool operator==(const LineIdentity &a, const LineIdentity &b) { return a.m_kind == b.m_kind && a.m_key == b.m_key; }

private:
    Kind m_kind = Kind::None;
    QString m_key;
    QString m_name;
    QString m_deviceFile;
};
