#include "bare_line.h"

#include "measuring.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

namespace {
constexpr int ReplyGuardMs = 30'000; // a reply that takes this long has failed
}

BareLine::BareLine(const QString &device)
    : m_device(device),
      m_fd(::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    if (m_fd < 0)
        abortBenchmark(QStringLiteral("cannot open %1").arg(device));
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    ::tcsetattr(m_fd, TCSANOW, &settings);
}

void BareLine::exchange(const QByteArray &frame, int replyLength)
{
    if (::write(m_fd, frame.constData(), size_t(frame.size())) != frame.size())
        abortBenchmark(QStringLiteral("writing to %1 failed").arg(m_device));
    int missing = replyLength;
    while (missing > 0) {
        pollfd readable{m_fd, POLLIN, 0};
        if (::poll(&readable, 1, ReplyGuardMs) <= 0)
            abortBenchmark(QStringLiteral("no reply on %1").arg(m_device));
        char buffer[64];
        const ssize_t got = ::read(m_fd, buffer, std::min(sizeof buffer, size_t(missing)));
        if (got > 0)
            missing -= int(got);
    }
}

void BareLine::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace bench
