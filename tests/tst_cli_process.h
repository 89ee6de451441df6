#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

// timeclock-setup run as a child process, the way a script runs it: no display, no platform chosen, its
// standard input a pipe fed with `input` and then closed.
struct ProgramRun
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out).trimmed(); }
    QString errText() const { return QString::fromUtf8(err).trimmed(); }
};

// `setting`: more variables, "NAME=value".
inline ProgramRun runProgram(const QStringList &arguments, const QByteArray &input = {}, int timeoutMs = 60000,
                             const QStringList &setting = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    for (const QString &variable : setting)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    process.setProcessEnvironment(environment);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(TIMECLOCK_SETUP_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    ProgramRun run;
    run.finished = finished.wait(timeoutMs) || !finished.isEmpty();
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
