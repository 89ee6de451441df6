#include "window_bench.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// The logo download's progress bar as a terminal on standard error receives it: redrawn in place with
// ESC [ K where the terminal takes escape sequences, with carriage returns and spaces only where it does
// not (TERM=dumb, and a Windows console without virtual-terminal processing).
class TestProgressTerminal : public QObject
{
    Q_OBJECT

private slots:
    void redrawnInPlace_data();
    void redrawnInPlace();
    void showLogoFitsThePane_data();
    void showLogoFitsThePane();
    void scanBarBesideItsOutput_data();
    void scanBarBesideItsOutput();
    void siteScanBarCountsEveryLine();
};

namespace {
struct TerminalRun
{
    bool finished = false;
    int exitCode = -1;
    QByteArray terminal;  // what standard error, a pseudo-terminal, received
};

// `outputFile`: standard output goes to this file; empty: to a pipe, as in `timeclock-setup scan | cat`.
TerminalRun runWithTerminal(const QStringList &arguments, const QString &term, const QString &outputFile = {})
{
    TerminalRun run;
    int master = -1;
    int terminal = -1;
    if (::openpty(&master, &terminal, nullptr, nullptr, nullptr) != 0)
        return run;
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("TERM"), term);
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.setChildProcessModifier([terminal] { ::dup2(terminal, STDERR_FILENO); });
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(TIMECLOCK_SETUP_PATH), arguments);
    process.closeWriteChannel();
    run.finished = finished.wait(60000) || !finished.isEmpty();
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    ::close(terminal);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    // A download's few dozen redraws fit in the terminal's buffer, so reading after the end loses nothing.
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
        run.terminal.append(buffer, got);
    ::close(master);
    return run;
}

// The columns a drawing takes on the terminal: Chinese characters take two.
int columns(const QByteArray &drawing)
{
    int count = 0;
    for (const QChar c : QString::fromUtf8(drawing))
        count += c.unicode() >= 0x1100 ? 2 : 1;
    return count;
}
} // namespace

void TestProgressTerminal::redrawnInPlace_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("escapes");

    QTest::newRow("a terminal that takes escapes") << "xterm" << true;
    QTest::newRow("TERM=dumb") << "dumb" << false;
}

void TestProgressTerminal::redrawnInPlace()
{
    QFETCH(QString, term);
    QFETCH(bool, escapes);

    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    SimulatedTimeClock clock;
    QVERIFY(clock.start());
    const TerminalRun run = runWithTerminal({"logo", logo, "--port", clock.devicePath()}, term);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(clock.stop());

    // Each redraw starts with a carriage return; the last one clears the line.
    QList<QByteArray> drawings = run.terminal.split('\r');
    drawings.removeAll(QByteArray());
    QVERIFY2(drawings.size() > LogoLineCount / 2, run.terminal.constData());
    QVERIFY(drawings.first().contains('/' + QByteArray::number(LogoLineCount)));
    const QByteArray cleared = drawings.takeLast();
    if (escapes) {
        QCOMPARE(cleared, QByteArray("\033[K"));
        for (const QByteArray &drawing : std::as_const(drawings))
            QVERIFY2(drawing.endsWith("\033[K"), drawing.constData());
    } else {
        QVERIFY2(!run.terminal.contains('\033'), run.terminal.constData());
        // Spaces cover whatever a longer drawing before left on the line, and at the end all of it.
        int previous = 0;
        for (const QByteArray &drawing : std::as_const(drawings)) {
            QVERIFY2(columns(drawing) >= previous, drawing.constData());
            previous = columns(drawing);
        }
        QCOMPARE(cleared.trimmed(), QByteArray());
        QVERIFY(cleared.size() >= columns(drawings.last().trimmed()));
    }
}

void TestProgressTerminal::scanBarBesideItsOutput_data()
{
    QTest::addColumn<bool>("toFile");  // standard output to a file; otherwise to a pipe
    QTest::newRow("standard output to a file") << true;
    // Whoever reads the pipe may write the rows to the same terminal at any moment, onto the bar's line.
    QTest::newRow("standard output piped") << false;
}

// A scan's bar: redrawn as numbers are asked, its time left counted from the start however many terminals
// are found (never 0.0 s while the rest of the second after the last number is still to come), and never
// drawn where the rows go through a pipe.
void TestProgressTerminal::scanBarBesideItsOutput()
{
    QFETCH(bool, toFile);
    QTemporaryDir dir;
    SimulatedTimeClock clock({"--bus", "3:000003,6:000006,9:000009,12:00000C"});
    QVERIFY(clock.start());
    const TerminalRun run = runWithTerminal({"scan", "--port", clock.devicePath(), "--machines", "0-40"}, "xterm",
                                            toFile ? dir.filePath("rows") : QString());
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(clock.stop());
    QList<QByteArray> drawings;
    for (const QByteArray &drawing : run.terminal.split('\r')) {
        if (drawing.startsWith('['))
            drawings << drawing;
    }
    if (!toFile) {
        QVERIFY2(drawings.isEmpty(), run.terminal.constData());
        return;
    }
    QVERIFY2(drawings.size() > 20, run.terminal.constData());
    for (const QByteArray &drawing : std::as_const(drawings))
        QVERIFY2(!drawing.contains(" 0.0 "), drawing.constData());
    QVERIFY2(drawings.constLast().contains("41/41"), drawings.constLast().constData());
    QFile rows(dir.filePath("rows"));
    QVERIFY(rows.open(QIODevice::ReadOnly));
    // A terminal found slow on a busy machine is still its number's one row.
    QCOMPARE(rows.readAll().replace("\tslow", ""), QByteArray("3\t000003\n6\t000006\n9\t000009\n12\t00000C\n"));
}

// A scan of several lines: one bar for them all, counting the lines finished and the numbers asked of all.
void TestProgressTerminal::siteScanBarCountsEveryLine()
{
    QTemporaryDir dir;
    sim::SimProcess site({"--lines", "2", "--machine", "3"});
    QVERIFY(site.start());
    const TerminalRun run = runWithTerminal({"scan", "--port", site.devicePaths().at(0), "--port", site.devicePaths().at(1),
                                             "--machines", "0-40"},
                                            "xterm", dir.filePath("rows"));
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(site.stop());
    QList<QByteArray> drawings;
    for (const QByteArray &drawing : run.terminal.split('\r')) {
        if (drawing.contains("串口，"))
            drawings << drawing;
    }
    QVERIFY2(drawings.size() > 20, run.terminal.constData());
    QVERIFY2(drawings.constFirst().contains("0/2 串口，"), drawings.constFirst().constData());
    QVERIFY2(drawings.constLast().contains("2/2 串口，82/82 个机号"), drawings.constLast().constData());
}

void TestProgressTerminal::showLogoFitsThePane_data()
{
    QTest::addColumn<int>("width");      // the pane's columns
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("drawn");

    QTest::newRow("40 columns") << 40 << 5 << false;
    QTest::newRow("65 columns") << 65 << 5 << false;
    QTest::newRow("66 columns") << 66 << 0 << true;
    QTest::newRow("80 columns") << 80 << 0 << true;
}

// show-logo on a terminal pane: the drawing whole, or one line that says the pane is too narrow; never rows
// wrapped into one another.
void TestProgressTerminal::showLogoFitsThePane()
{
    QFETCH(int, width);
    QFETCH(int, exitCode);
    QFETCH(bool, drawn);

    QTemporaryDir dir;
    const QString logo = writeCountingLogoFile(dir, LogoLineCount);
    int master = -1;
    int pane = -1;
    winsize size{};
    size.ws_row = 50;
    size.ws_col = (unsigned short)width;
    QVERIFY(::openpty(&master, &pane, nullptr, nullptr, &size) == 0);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    termios modes{};
    ::tcgetattr(pane, &modes);
    modes.c_oflag &= ~tcflag_t(ONLCR);  // the program's own line ends, untouched
    ::tcsetattr(pane, TCSANOW, &modes);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([pane] {
        ::dup2(pane, STDOUT_FILENO);
        ::dup2(pane, STDERR_FILENO);
    });
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(TIMECLOCK_SETUP_PATH), {"show-logo", logo});
    process.closeWriteChannel();
    QVERIFY(finished.wait(60000) || !finished.isEmpty());
    ::close(pane);
    QByteArray shown;
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, got);
    ::close(master);

    QCOMPARE(process.exitCode(), exitCode);
    const QStringList rows = QString::fromUtf8(shown).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), drawn ? 16 + 2 : 1);  // 32 dot rows two to a line, and the frame
    for (const QString &row : rows)
        QVERIFY2(row.size() <= width || !drawn, qPrintable(row));
    if (!drawn)
        QVERIFY2(rows.front().contains(QString("这里只有 %1 列").arg(width)), qPrintable(rows.front()));
}

QTEST_GUILESS_MAIN(TestProgressTerminal)
#include "tst_progress_terminal.moc"
