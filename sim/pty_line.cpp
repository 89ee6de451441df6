#include "pty_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyLine::~PtyLine()
{
    close();
}

bool PtyLine::open(QString &error)
{
    close();
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        error = systemError("openpty");
        m_master = m_slave = -1;
        return false;
    }
    termios settings{};
    if (::tcgetattr(m_slave, &settings) != 0) {
        error = systemError("tcgetattr");
        close();
        return false;
    }
    // No echo, no line editing, no CR/LF translation: every byte passes as it is, like a serial line.
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0) {
        error = systemError("tcsetattr");
        close();
        return false;
    }
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError("fcntl");
        close();
        return false;
    }
    const char *name = ::ttyname(m_slave);
    if (name == nullptr) {
        error = systemError("ttyname");
        close();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void PtyLine::close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}
