#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;

// Why a file could not be written whole. `opened` tells a file that could not even be begun (a folder
// missing, no rights) from one whose bytes did not all reach the system (a full disk).
struct FileWriteFailure
{
    bool opened = false;
    QString reason;  // in the operator's words where we know them ("磁盘已满"), else the system's
};

// Writes `bytes` to `path` through a temporary file beside it that replaces `path` only once every byte
// reached the system; on any failure `path` is left as it was and the temporary file is gone.
std::optional<FileWriteFailure> writeWholeFile(const QString &path, const QByteArray &bytes);

// Appends `bytes` to `file` (open for appending) in one piece: when not all of them got in, the bytes that
// did are taken off again, so the file never ends in half a record.
std::optional<FileWriteFailure> appendWhole(QFile &file, const QByteArray &bytes);

// The operator's words for a system error number of a failed write, or an empty string when we have none.
QString writeErrorReason(int errorNumber);
