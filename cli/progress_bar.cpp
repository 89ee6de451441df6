#include "progress_bar.h"
#include "terminal_escapes.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace {
constexpr int BarWidth = 30;

// The columns a line takes in a terminal: Chinese characters take two.
int terminalColumns(const QString &line)
{
    int columns = 0;
    for (const QChar c : line)
        columns += c == u'\r' ? 0 : c.unicode() >= 0x1100 ? 2 : 1;
    return columns;
}
} // namespace

ProgressBar::ProgressBar(int total)
    : m_total(total), m_enabled(wanted()), m_escapes(m_enabled && terminalTakesEscapes())
{
    m_elapsed.start();
}

ProgressBar::~ProgressBar()
{
    if (m_drawn) {
        const QByteArray clear = m_escapes ? QByteArray("\r\033[K") : "\r" + QByteArray(m_drawnColumns, ' ') + "\r";
        std::fputs(clear.constData(), stderr);
        std::fflush(stderr);
    }
}

bool ProgressBar::wanted()
{
    return ::isatty(STDERR_FILENO) != 0;  // Windows answers a console with another non-zero value
}

void ProgressBar::show(int done)
{
    if (!m_enabled || m_total <= 0)
        return;
    const int filled = done * BarWidth / m_total;
    QString line = QStringLiteral("\r[") + QString(filled, u'#') + QString(BarWidth - filled, u'-') + QStringLiteral("] ")
                   + QStringLiteral("%1/%2  %3 %").arg(done, 2).arg(m_total).arg(done * 100 / m_total, 3);
    // The time left is only a guess once a line has gone through.
    if (done > 0) {
        const double secondsLeft = double(m_elapsed.elapsed()) / done * (m_total - done) / 1000.0;
        line += QStringLiteral("  ") + QCoreApplication::translate("cli", "剩余 %1 秒").arg(secondsLeft, 0, 'f', 1);
    }
    // Without escape sequences, spaces cover what is left of a longer line drawn before.
    const int columns = terminalColumns(line);
    const QByteArray rest = m_escapes ? QByteArray("\033[K") : QByteArray(qMax(0, m_drawnColumns - columns), ' ');
    m_drawnColumns = columns;
    const QByteArray bytes = line.toUtf8() + rest;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_drawn = true;
}
