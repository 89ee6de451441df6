#include "standard_streams.h"

#include <QString>
#include <QtGlobal>

#include <initializer_list>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

void fillClosedStandardStreams()
{
#ifndef _WIN32
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // Standard output opened for reading only: every write fails, so results are never taken for printed.
        const int flags = fd == STDERR_FILENO ? O_WRONLY : O_RDONLY;
        const int opened = ::open("/dev/null", flags | O_CLOEXEC);
        if (opened < 0)
            continue;
        // The lowest free number is this one when the lower ones are open; dup2 covers the rest.
        if (opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        } else {
            ::fcntl(fd, F_SETFD, 0);  // children started by the program inherit it like any standard stream
        }
    }
#endif
}

namespace {

QtMessageHandler nextHandler = nullptr;

void dropQtsOwnWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg
        && (message.startsWith(u"libpng warning:") || message.startsWith(u"libpng error:")
            || message.startsWith(u"QStandardPaths:")))
        return;
    if (nextHandler)
        nextHandler(type, context, message);
}

} // namespace

void keepQtsOwnWarningsOff()
{
    if (!nextHandler)
        nextHandler = qInstallMessageHandler(dropQtsOwnWarnings);
}
