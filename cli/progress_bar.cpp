#include "progress_bar.h"
#include "terminal_escapes.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <unistd.h>
#ifndef _WIN32
#include <sys/ioctl.h>
#include <sys/stat.h>
#endif

namespace {

constexpr int WidestBar = 30;
constexpr int NarrowestBar = 5;

int terminalColumns()
{
#ifndef _WIN32
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#endif
    return 80;
}

} // namespace

int columnsOf(const QString &text)
{
    int columns = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                          || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
                          || (u >= 0xFFE0 && u <= 0xFFE6);
        columns += wide ? 2 : 1;
    }
    return columns;
}

ProgressBar::ProgressBar(int total, std::chrono::milliseconds tail)
    : m_total(total), m_tail(tail), m_enabled(wanted()), m_escapes(m_enabled && terminalTakesEscapes())
{
    m_elapsed.start();
}

ProgressBar::~ProgressBar()
{
    clear();
}

void ProgressBar::clear()
{
    if (m_drawn) {
        const QByteArray clear = m_escapes ? QByteArray("\r\033[K") : "\r" + QByteArray(m_drawnColumns, ' ') + "\r";
        std::fputs(clear.constData(), stderr);
        std::fflush(stderr);
        m_drawn = false;
        m_drawnColumns = 0;
    }
}

bool ProgressBar::besideStreamedOutput()
{
#ifndef _WIN32
    struct stat status{};
    if (::fstat(STDOUT_FILENO, &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)))
        return false;
#endif
    return true;
}

bool ProgressBar::wanted()
{
    return ::isatty(STDERR_FILENO) != 0;  // Windows answers a console with another non-zero value
}

QString ProgressBar::line(int done, int columns, qint64 elapsedMs) const
{
    const QString doneOfTotal = m_counts.isEmpty() ? QStringLiteral("%1/%2").arg(done, 2).arg(m_total) : m_counts;
    QString counts = QStringLiteral(" %1 %2 %").arg(doneOfTotal).arg(done * 100 / m_total, 3);
    // The time left is only a guess once a line has gone through.
    if (done > 0) {
        const double secondsLeft = (double(elapsedMs) / done * (m_total - done) + double(m_tail.count())) / 1000.0;
        counts += u' ' + QCoreApplication::translate("cli", "剩余 %1 秒").arg(secondsLeft, 0, 'f', 1);
    }
    // The last column is left free: writing there makes some terminals wrap onto a second line.
    const int room = columns - 1;
    const int barWidth = std::min(WidestBar, room - 2 - columnsOf(counts));
    if (barWidth < NarrowestBar) {
        QString shortest = m_counts.isEmpty() ? QStringLiteral("%1/%2").arg(done).arg(m_total) : m_counts;
        return columnsOf(shortest) <= room ? shortest : QString();
    }
    const int filled = done * barWidth / m_total;
    return u'[' + QString(filled, u'#') + QString(barWidth - filled, u'-') + u']' + counts;
}

void ProgressBar::show(int done)
{
    if (!m_enabled || m_total <= 0)
        return;
    const QString text = line(done, terminalColumns(), m_elapsed.elapsed());
    // Without escape sequences, spaces cover what is left of a longer line drawn before.
    const int columns = columnsOf(text);
    const QByteArray rest = m_escapes ? QByteArray("\033[K") : QByteArray(qMax(0, m_drawnColumns - columns), ' ');
    m_drawnColumns = columns;
    const QByteArray bytes = '\r' + text.toUtf8() + rest;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_drawn = true;
}
