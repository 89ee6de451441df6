#pragma once

#include <QtGlobal>

#include <optional>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif

// A two-wire RS-485 line carries both directions on one pair: the adapter's transmitter must be on while the
// PC sends and off at once afterwards, or it talks over the terminal's answer. Adapters that switch by
// themselves need nothing; the others follow the RTS line, which the port's driver can drive on its own
// (--rs485). A driver that cannot is refused, never used as if it could: a port turned on silently would
// send into a line it then holds.

// Whether every port opened in this run has its driver switch the direction (--rs485, the window's as every
// command's).
void setRs485Direction(bool on);
bool rs485Direction();

#ifdef Q_OS_LINUX
// An open port's driver asked to switch the direction itself (TIOCSRS485: RTS raised while sending, dropped
// after), with what it had before kept to be put back.
class DriverRs485
{
public:
    // The call to the driver: ioctl() unless a test put its own, to see what was asked of a port whose driver
    // has no RS-485 mode (a pseudo-terminal has none). nullptr: ioctl() again.
    using DriverCall = int (*)(int fd, unsigned long request, serial_rs485 *settings);
    static void useDriverCall(DriverCall call);

    // Asks, then reads back what the driver took; nothing when it refused or took less (the port is then as
    // it was, and errno says why).
    static std::optional<DriverRs485> switchOn(int fd);
    // What the driver had before, set again.
    void putBack(int fd) const;

private:
    serial_rs485 m_former{};
};
#endif
