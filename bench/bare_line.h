#pragma once

#include <QByteArray>
#include <QString>

namespace bench {

// The yardstick for what the system itself allows: the device opened raw with termios, each frame written
// and poll() blocking until its reply is there. No Qt in the loop. Any failure aborts the benchmark.
class BareLine
{
public:
    explicit BareLine(const QString &device);
    ~BareLine() { close(); }
    BareLine(const BareLine &) = delete;
    BareLine &operator=(const BareLine &) = delete;

    // Writes `frame`, then reads until `replyLength` bytes have come.
    void exchange(const QByteArray &frame, int replyLength);
    void close();

private:
    QString m_device;
    int m_fd = -1;
};

} // namespace bench
