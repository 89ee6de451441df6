#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Files the command line writes are never replaced by surprise: "-" is standard output; an existing file
// is replaced only when asked (`replace`), and never when it is one of the command's inputs; a target that
// is not a regular file (a folder, a device, a pipe) is refused; the bytes go to a temporary file beside
// the target that is renamed into place only once all of them are written.
enum class ExistingFile {
    Refuse,
    Replace,
};

// Why `target` cannot be written to, checked before anything is written: nothing when it can.
// `inputs` are the files the command reads.
std::optional<Problem> outputTargetProblem(const QString &target, const QStringList &inputs, ExistingFile existing);

// Writes `bytes` to `target` (after outputTargetProblem said nothing).
std::optional<Problem> saveOutputFile(const QString &target, const QByteArray &bytes);

// "文件保存失败！（文件夹不存在：no-such-folder/x.txt）": the one pattern of every file that cannot be saved.
QString fileSaveMessage(const QString &reason, const QString &target);

// Whether two paths name the same file (the same inode, whatever the links or spelling).
bool sameFile(const QString &first, const QString &second);
