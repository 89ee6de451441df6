#include "file_writing.h"

#include "status_messages.h"

#include <QFile>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifndef Q_OS_WIN
// Writes all of `bytes` to `fd`: 0, or the error number of the write that stopped short. Qt's own write
// reports a short write as a whole one and lets QSaveFile rename a cut file into place, so the bytes go
// to the descriptor directly.
int writeAll(int fd, const QByteArray &bytes, qint64 *written)
{
    *written = 0;
    while (*written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.constData() + *written, size_t(bytes.size() - *written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count < 0 ? errno : EIO;
        *written += count;
    }
    return 0;
}

// fsync reports what the disk refused after write() took the bytes (delayed allocation, quotas, NFS);
// file systems that cannot sync say so with EINVAL, which is no failure of ours.
int syncError(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EINVAL || errno == ENOTSUP ? 0 : errno;
    }
    return 0;
}

FileWriteFailure failureOf(int errorNumber, const QString &fallback)
{
    const QString reason = writeErrorReason(errorNumber);
    return {.opened = true, .reason = reason.isEmpty() ? fallback : reason};
}
#endif

} // namespace

QString writeErrorReason(int errorNumber)
{
#ifndef Q_OS_WIN
    switch (errorNumber) {
    case ENOSPC:
        return StatusText::DiskFullReason.toString();
#ifdef EDQUOT
    case EDQUOT:
        return StatusText::QuotaReason.toString();
#endif
    case EFBIG:
        return StatusText::FileTooLargeReason.toString();
    case EIO:
        return StatusText::DiskErrorReason.toString();
    case EROFS:
        return StatusText::ReadOnlyDiskReason.toString();
    default:
        break;
    }
#else
    Q_UNUSED(errorNumber);
#endif
    return {};
}

std::optional<FileWriteFailure> writeWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileWriteFailure{.opened = false, .reason = file.errorString()};
#ifndef Q_OS_WIN
    qint64 written = 0;
    int error = writeAll(int(file.handle()), bytes, &written);
    if (error == 0)
        error = syncError(int(file.handle()));
    if (error != 0) {
        file.cancelWriting();
        file.commit();  // takes the temporary file away, leaves `path` alone
        return failureOf(error, QString::fromLocal8Bit(::strerror(error)));
    }
#else
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        file.commit();
        return FileWriteFailure{.opened = true, .reason = reason};
    }
#endif
    if (!file.commit())
        return FileWriteFailure{.opened = true, .reason = file.errorString()};
    return std::nullopt;
}

std::optional<FileWriteFailure> appendWhole(QFile &file, const QByteArray &bytes)
{
#ifndef Q_OS_WIN
    const int fd = int(file.handle());
    struct stat before {};
    if (::fstat(fd, &before) != 0)
        return failureOf(errno, file.errorString());
    qint64 written = 0;
    int error = writeAll(fd, bytes, &written);
    if (error == 0)
        error = syncError(fd);
    if (error != 0) {
        // Only our own piece is taken off: when another program appended meanwhile, its line stays.
        struct stat now {};
        if (written > 0 && ::fstat(fd, &now) == 0 && now.st_size == before.st_size + written) {
            while (::ftruncate(fd, before.st_size) != 0 && errno == EINTR) {
            }
        }
        return failureOf(error, QString::fromLocal8Bit(::strerror(error)));
    }
    return std::nullopt;
#else
    if (file.write(bytes) != bytes.size() || !file.flush())
        return FileWriteFailure{.opened = true, .reason = file.errorString()};
    return std::nullopt;
#endif
}
