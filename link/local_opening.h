#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Some drivers hold a port's open for seconds (Bluetooth serial ports on Windows, in CreateFile), so a local
// port is opened off the thread that asked, as a network port is: that thread goes on serving its events,
// and a line that gives the open up leaves it to end on its own thread, its result thrown away.

// Runs `open` on a thread of its own, then `done` on `context`'s thread once it has ended, unless `context`
// has gone by then. What `open` made and `done` does not take is the caller's to release.
void openOffThread(QObject *context, std::function<void()> open, std::function<void()> done);

// Test seam: a call made on the opening's thread just before a local port is opened, so that a test can
// make an open take as long as it likes, as a blocking driver does. nullptr: none. Only tests set one.
using LocalOpenHold = void (*)(const QString &deviceName);
void holdLocalOpens(LocalOpenHold hold);
// Where a local line's open begins: waits for the hold a test set, if any.
void waitForLocalOpenHold(const QString &deviceName);
// Opens started by openOffThread() whose thread has not ended and been reported back yet; a test waits for
// none before it ends, so a given-up open is not cut off mid-way.
int localOpensUnderWay();
