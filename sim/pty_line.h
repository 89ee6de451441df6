#pragma once

#include <QString>

// The simulator's end of a pseudo-terminal. The slave side stays open here too, so that what was sent and
// the raw line settings survive while the program under test closes and reopens the device, and so that
// its reads fail only when this side hangs up.
class PtyLine
{
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;

    // Opens a raw pseudo-terminal; the master is non-blocking. On failure, `error` says why.
    bool open(QString &error);
    // Hangs up: the device's users see end of file on reads and errors on writes.
    void close();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    QString slavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
