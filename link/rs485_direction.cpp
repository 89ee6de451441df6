#include "rs485_direction.h"

#include <atomic>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/ioctl.h>
#endif

namespace {
std::atomic<bool> g_rs485Direction = false;
} // namespace

void setRs485Direction(bool on)
{
    g_rs485Direction = on;
}

bool rs485Direction()
{
    return g_rs485Direction;
}

#ifdef Q_OS_LINUX
namespace {
int systemDriverCall(int fd, unsigned long request, serial_rs485 *settings)
{
    return ::ioctl(fd, request, settings);
}

std::atomic<DriverRs485::DriverCall> chosenDriverCall{nullptr};

int callDriver(int fd, unsigned long request, serial_rs485 *settings)
{
    const DriverRs485::DriverCall chosen = chosenDriverCall.load();
    return (chosen ? chosen : &systemDriverCall)(fd, request, settings);
}
} // namespace

void DriverRs485::useDriverCall(DriverCall call)
{
    chosenDriverCall = call;
}

std::optional<DriverRs485> DriverRs485::switchOn(int fd)
{
    // A driver without the mode (a pseudo-terminal, most USB adapters) answers ENOTTY here already.
    DriverRs485 direction;
    if (callDriver(fd, TIOCGRS485, &direction.m_former) != 0)
        return std::nullopt;
    serial_rs485 wanted = direction.m_former;
    wanted.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    wanted.flags &= ~quint32(SER_RS485_RTS_AFTER_SEND);
    if (callDriver(fd, TIOCSRS485, &wanted) != 0)
        return std::nullopt;
    // A driver may take the request and keep only what it can do: what it holds now is its answer.
    serial_rs485 taken{};
    const bool read = callDriver(fd, TIOCGRS485, &taken) == 0;
    const quint32 needed = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    if (!read || (taken.flags & needed) != needed) {
        const int reason = read ? EINVAL : errno;
        direction.putBack(fd);
        errno = reason;
        return std::nullopt;
    }
    return direction;
}

void DriverRs485::putBack(int fd) const
{
    serial_rs485 former = m_former;
    callDriver(fd, TIOCSRS485, &former);
}
#endif
