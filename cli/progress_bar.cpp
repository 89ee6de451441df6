#include "progress_bar.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace {
constexpr int BarWidth = 30;
}

ProgressBar::ProgressBar(int total)
    : m_total(total), m_enabled(wanted())
{
    m_elapsed.start();
}

ProgressBar::~ProgressBar()
{
    if (m_drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

bool ProgressBar::wanted()
{
    return ::isatty(STDERR_FILENO) == 1;
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
    const QByteArray bytes = line.toUtf8() + "\033[K";
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_drawn = true;
}
