#include "guarded_wait.h"

namespace bench {

GuardedWait::GuardedWait(int guardMs)
{
    m_guard.setSingleShot(true);
    m_guard.setInterval(guardMs);
    QObject::connect(&m_guard, &QTimer::timeout, &m_loop, [this] {
        m_guardExpired = true;
        m_loop.quit();
    });
}

bool GuardedWait::run()
{
    m_guardExpired = false;
    m_guard.start();
    m_loop.exec();
    m_guard.stop();
    return !m_guardExpired;
}

} // namespace bench
