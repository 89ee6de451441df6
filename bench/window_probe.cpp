// timeclock-bench-window: the program's window, started the way the program starts it, telling the
// benchmark when it was first shown. With --download it then presses DOWNLOG, waits for the download to
// end and quits, so that the benchmark can read the peak memory of a whole session.
//
// Prints, each with the CLOCK_MONOTONIC time in nanoseconds:
//   MAIN <ns>     main() entered (the program is loaded and linked)
//   APP <ns>      QApplication made
//   FORM <ns>     the window made
//   SHOWN <ns>    the window's first paint has been done
// and with --download: STATUS ok|<status line text>.

#include "measuring.h"

#include "form1.h"
#include "port_directory.h"
#include "status_messages.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

using bench::monotonicNs; // the clock the benchmark reads too

void report(const char *what, qint64 ns)
{
    std::printf("%s %lld\n", what, static_cast<long long>(ns));
    std::fflush(stdout);
}

constexpr int DownloadTimeoutMs = 30'000;

// Sees the window's first paint and calls back once that paint (and the flush after it) is done.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget *window, std::function<void()> painted)
        : QObject(window), m_painted(std::move(painted))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Queued: runs once the paint in progress has been finished and flushed.
            QTimer::singleShot(0, this, [this] { m_painted(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_painted;
    bool m_seen = false;
};

} // namespace

int main(int argc, char *argv[])
{
    report("MAIN", monotonicNs());
    QApplication app(argc, argv);
    report("APP", monotonicNs());

    QCommandLineParser parser;
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port N reaches DEVICE."),
                                        QStringLiteral("N=DEVICE"));
    const QCommandLineOption downloadOption(QStringLiteral("download"),
                                            QStringLiteral("Press DOWNLOG once shown, quit when done."));
    parser.addOption(portOption);
    parser.addOption(downloadOption);
    parser.process(app);

    PortDirectory ports;
    if (QString bad; !ports.mapPorts(parser.values(portOption), &bad))
        return 2;
    const bool download = parser.isSet(downloadOption);

    Form1 window(std::move(ports));
    report("FORM", monotonicNs());

    QObject::connect(&window.session(), &CommandSession::finished, &app, [&window] {
        const QString status = window.findChild<QLabel *>(QStringLiteral("HELP1"))->text();
        std::printf("STATUS %s\n", status == StatusText::DownloadComplete ? "ok" : qPrintable(status));
        QApplication::quit();
    });
    new FirstPaintWatch(&window, [&window, download] {
        report("SHOWN", monotonicNs());
        if (!download) {
            QApplication::quit();
            return;
        }
        window.findChild<QPushButton *>(QStringLiteral("DOWNLOG"))->click();
        QTimer::singleShot(DownloadTimeoutMs, &window, [] { QApplication::exit(1); });
    });
    window.show();
    return QApplication::exec();
}
