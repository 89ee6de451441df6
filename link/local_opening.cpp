#include "local_opening.h"

#include <QThread>

#include <atomic>

namespace {
std::atomic<LocalOpenHold> g_hold{nullptr};
std::atomic<int> g_underWay = 0;
} // namespace

void openOffThread(QObject *context, std::function<void()> open, std::function<void()> done)
{
    // A QThread, not a bare thread: Qt SerialPort opened there needs the thread's event dispatcher for its
    // notifiers until it moves to the line's thread.
    QThread *thread = QThread::create(std::move(open));
    ++g_underWay;
    QObject::connect(thread, &QThread::finished, context, std::move(done));
    QObject::connect(thread, &QThread::finished, thread, [thread] {
        --g_underWay;
        thread->deleteLater();
    });
    thread->start();
}

void holdLocalOpens(LocalOpenHold hold)
{
    g_hold = hold;
}

void waitForLocalOpenHold(const QString &deviceName)
{
    if (const LocalOpenHold hold = g_hold.load())
        hold(deviceName);
}

int localOpensUnderWay()
{
    return g_underWay;
}
