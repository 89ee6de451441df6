#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

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

// What a run changes in the child before the program starts.
struct ChildSetup
{
    // The largest file the program may write (RLIMIT_FSIZE), so a write stops short as on a full disk:
    // the write fails with EFBIG instead of the process being killed. 0: no limit.
    qint64 fileSizeLimit = 0;
    QProcessEnvironment environment{};  // added to the program's environment
    QList<int> closed{};                // standard descriptors the program starts without (0 for `<&-`)
};

// The environment a script gives the program: no display, no platform chosen; `added` on top.
inline QProcessEnvironment scriptEnvironment(const QProcessEnvironment &added = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    for (const QString &key : added.keys())
        environment.insert(key, added.value(key));
    return environment;
}

inline ProgramRun runProgram(const QStringList &arguments, const QByteArray &input = {}, int timeoutMs = 60000,
                             const ChildSetup &setup = {})
{
    QProcess process;
    process.setProcessEnvironment(scriptEnvironment(setup.environment));
    if (setup.fileSizeLimit > 0 || !setup.closed.isEmpty()) {
        const auto limit = rlim_t(setup.fileSizeLimit);
        const QList<int> closed = setup.closed;
        // Runs in the child after QProcess has put its pipes on 0, 1 and 2.
        process.setChildProcessModifier([limit, closed] {
            if (limit > 0) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit fileSize{limit, limit};
                ::setrlimit(RLIMIT_FSIZE, &fileSize);
            }
            for (const int fd : closed)
                ::close(fd);
        });
    }
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

// Standard output of --json: one object a line.
inline QList<QJsonObject> jsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.trimmed().isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    }
    return objects;
}
