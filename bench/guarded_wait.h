#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace bench {

// The event loop run until an awaited signal, or until a guard time has passed: how the benchmarks and the
// soak wait for what the program does, never longer than the guard.
class GuardedWait
{
public:
    explicit GuardedWait(int guardMs);

    // The wait ends when `sender` emits `signal`.
    template <typename Sender, typename Signal> void endOn(const Sender *sender, Signal signal)
    {
        QObject::connect(sender, signal, &m_loop, &QEventLoop::quit);
    }
    // Ends the wait, from a handler.
    void end() { m_loop.quit(); }
    // Handlers connected with this as their context are disconnected when the wait is over.
    QObject *context() { return &m_loop; }

    // Runs the event loop until the wait ends; false when the guard time ended it.
    bool run();

private:
    QEventLoop m_loop;
    QTimer m_guard;
    bool m_guardExpired = false;
};

} // namespace bench
