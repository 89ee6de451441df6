#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>
#include <unistd.h>

// A small file system of the test's own over `folder`, filled to the last block by fill(): writes there
// fail with ENOSPC as on a full disk. Only root may mount; elsewhere `mounted` stays false.
struct FullDisk
{
    QString where;
    bool mounted = false;

    explicit FullDisk(const QString &folder) : where(folder)
    {
        mounted = ::geteuid() == 0
                  && ::mount("tmpfs", QFile::encodeName(where).constData(), "tmpfs", 0, "size=1m") == 0;
    }
    ~FullDisk()
    {
        if (mounted)
            ::umount2(QFile::encodeName(where).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // Takes the free space that is left, once the files a case needs are in place.
    bool fill() const
    {
        QFile filler(QDir(where).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        return true;
    }
};
