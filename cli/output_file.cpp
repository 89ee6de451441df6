#include "output_file.h"

#include "file_writing.h"
#include "output.h"
#include "status_messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef _WIN32
#include <sys/stat.h>
#endif

QString fileSaveMessage(const QString &reason, const QString &target)
{
    const QString place = QDir::toNativeSeparators(target);
    return StatusText::withDetail(StatusText::FileSaveFailed.toString(),
                                  reason.isEmpty() ? place : StatusText::ReasonAndPlace.toString().arg(reason, place));
}

bool sameFile(const QString &first, const QString &second)
{
#ifndef _WIN32
    struct stat a {};
    struct stat b {};
    if (::stat(QFile::encodeName(first).constData(), &a) == 0 && ::stat(QFile::encodeName(second).constData(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#endif
    const QString canonical = QFileInfo(first).canonicalFilePath();
    return !canonical.isEmpty() && canonical.compare(QFileInfo(second).canonicalFilePath(), Qt::CaseInsensitive) == 0;
}

std::optional<Problem> outputTargetProblem(const QString &target, const QStringList &inputs, ExistingFile existing)
{
    if (target == u"-")
        return std::nullopt;
    const QFileInfo info(target);
    const auto refused = [&target](const char *reason) {
        return Problem{ResultStatus::FileError, fileSaveMessage(QCoreApplication::translate("cli", reason), target)};
    };
    if (info.exists() || info.isSymLink()) {
        if (info.isDir())
            return refused(QT_TRANSLATE_NOOP("cli", "这是文件夹"));
        if (!info.isFile())
            return refused(QT_TRANSLATE_NOOP("cli", "不是普通文件"));
        for (const QString &input : inputs) {
            if (sameFile(input, target))
                return refused(QT_TRANSLATE_NOOP("cli", "这是输入文件"));
        }
        if (existing == ExistingFile::Refuse)
            return refused(QT_TRANSLATE_NOOP("cli", "文件已存在，用 --force 替换"));
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return refused(QT_TRANSLATE_NOOP("cli", "文件夹不存在"));
    if (!folder.isDir())
        return refused(QT_TRANSLATE_NOOP("cli", "路径中有一段不是文件夹"));
    if (!folder.isWritable())
        return Problem{ResultStatus::FileError, fileSaveMessage(StatusText::PermissionReason.toString(), target)};
    return std::nullopt;
}

std::optional<Problem> saveOutputFile(const QString &target, const QByteArray &bytes)
{
    if (target == u"-") {
        printBytes(bytes);
        return std::nullopt;
    }
    if (const auto failure = writeWholeFile(target, bytes)) {
        // A file that could not be begun is a file problem; bytes that did not all get in are output lost.
        return Problem{failure->opened ? ResultStatus::OutputFailed : ResultStatus::FileError,
                       fileSaveMessage(failure->reason, target)};
    }
    return std::nullopt;
}
