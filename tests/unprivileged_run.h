#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

// Root may open any file or device, so cases about missing rights run this test executable again, limited to
// one test function (and data row), as the unprivileged user "nobody".
struct UnprivilegedRun
{
    bool ran = false;     // false: this machine does not allow it (no setpriv, or nobody cannot run the test)
    bool passed = false;
    QString output;
};

inline UnprivilegedRun runAsNobody(const QString &testSelector, const QProcessEnvironment &extra = {})
{
    UnprivilegedRun run;
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) {
        run.output = QStringLiteral("setpriv is not installed");
        return run;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &key : extra.keys())
        environment.insert(key, extra.value(key));
    environment.insert(QStringLiteral("HOME"), QDir::tempPath());
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));

    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), QStringLiteral("--"),
                          QCoreApplication::applicationFilePath(), testSelector});
    if (!child.waitForFinished(60000))
        child.kill();
    run.output = QString::fromLocal8Bit(child.readAll());
    run.ran = run.output.contains(QStringLiteral("Totals:"));
    run.passed = run.ran && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                 run.output.contains(QStringLiteral("PASS   :"));
    return run;
}
