#include "site_bounds.h"

#include <QCoreApplication>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <sys/resource.h>
#endif

namespace {

#ifndef Q_OS_WIN
// A line holds its device or socket and its lock file; a network line's name lookup may take a few more
// for a moment while it opens.
constexpr long DescriptorsPerLine = 3;
// The program's own: the history and the remembered choices with their locks, an output file, Qt's.
constexpr long DescriptorsSpare = 32;

long openDescriptors()
{
    long count = 0;
    if (DIR *directory = ::opendir("/dev/fd")) {
        while (const dirent *entry = ::readdir(directory))
            count += entry->d_name[0] != '.';
        ::closedir(directory);
    }
    return count;
}

std::optional<Problem> descriptorsProblem(qsizetype lines)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    const long inUse = openDescriptors();
    const long needed = DescriptorsPerLine * long(lines) + DescriptorsSpare;
    if (inUse + needed <= long(limit.rlim_cur))
        return std::nullopt;
    if (limit.rlim_max == RLIM_INFINITY || inUse + needed <= long(limit.rlim_max)) {
        const rlimit raised{rlim_t(inUse + needed), limit.rlim_max};
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            return std::nullopt;
    }
    return Problem{ResultStatus::BadInput,
                   QCoreApplication::translate("cli", "%1 个串口同时打开要 %2 个文件描述符，这个进程最多 %3 个（ulimit -n），已用 %4 个：请提高上限或少给几个串口")
                       .arg(lines)
                       .arg(needed)
                       .arg(qulonglong(limit.rlim_max == RLIM_INFINITY ? limit.rlim_cur : limit.rlim_max))
                       .arg(inUse)};
}
#endif

} // namespace

std::optional<Problem> siteLinesProblem(qsizetype lines)
{
    if (lines > MaxSiteLines)
        return Problem{ResultStatus::BadInput,
                       QCoreApplication::translate("cli", "最多同时 %1 个串口，给了 %2 个：请分几次做").arg(MaxSiteLines).arg(lines)};
#ifndef Q_OS_WIN
    return descriptorsProblem(lines);
#else
    // Windows has no per-process descriptor limit that a few dozen ports come near.
    return std::nullopt;
#endif
}
