#include "output.h"

#include "status_messages.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>
#endif

namespace {

int standardOutputError = 0;  // the errno of the first write to standard output that failed

void writeBytes(FILE *stream, const QByteArray &bytes)
{
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size())
                         && std::fflush(stream) == 0;
    if (!written && stream == stdout && standardOutputError == 0)
        standardOutputError = errno ? errno : EIO;
}

void writeLine(FILE *stream, const QString &text)
{
    writeBytes(stream, text.toUtf8() + '\n');
}

QJsonValue orNull(const std::optional<QString> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

template<typename Number>
QJsonValue orNull(const std::optional<Number> &value)
{
    return value ? QJsonValue(qint64(*value)) : QJsonValue(QJsonValue::Null);
}

} // namespace

void printLine(const QString &text)
{
    writeLine(stdout, text);
}

void printError(const QString &text)
{
    writeLine(stderr, text);
}

void printJson(const QJsonObject &object)
{
    writeLine(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void printBytes(const QByteArray &bytes)
{
    writeBytes(stdout, bytes);
}

QJsonObject outcomeJson(const Outcome &outcome)
{
    return {{QStringLiteral("command"), outcome.command},
            {QStringLiteral("port"), orNull(outcome.port)},
            {QStringLiteral("machine"), orNull(outcome.machine)},
            {QStringLiteral("ok"), outcome.ok()},
            {QStringLiteral("status"), statusWord(outcome.status)},
            {QStringLiteral("message"), outcome.message},
            {QStringLiteral("serial"), orNull(outcome.serial)},
            {QStringLiteral("lines_confirmed"), orNull(outcome.linesConfirmed)},
            {QStringLiteral("elapsed_ms"), orNull(outcome.elapsedMs)},
            {QStringLiteral("step"), orNull(outcome.step)},
            {QStringLiteral("not_done"),
             outcome.notDone ? QJsonValue(QJsonArray::fromStringList(*outcome.notDone)) : QJsonValue(QJsonValue::Null)}};
}

int reportOutcome(const Outcome &outcome, OutputFormat format)
{
    if (format == OutputFormat::Json)
        printJson(outcomeJson(outcome));
    else if (outcome.ok())
        printLine(outcome.printed.isEmpty() ? outcome.message : outcome.printed);
    else
        printError(outcome.message);
    return exitCodeOf(outcome.status);
}

bool standardOutputFailed()
{
#ifndef _WIN32
    // A pipe whose reader has gone says so before anything more is written to it.
    pollfd out{STDOUT_FILENO, 0, 0};
    if (standardOutputError == 0 && ::poll(&out, 1, 0) == 1 && (out.revents & POLLERR) != 0)
        standardOutputError = EPIPE;
#endif
    return standardOutputError != 0;
}

int finishOutput(int exitCode)
{
    errno = 0;
    if (std::fflush(stdout) != 0 && standardOutputError == 0)
        standardOutputError = errno ? errno : EIO;
    if (standardOutputError == 0)
        return exitCode;
    printError(StatusText::withDetail(QCoreApplication::translate("cli", "无法写入标准输出！"),
                                      QString::fromLocal8Bit(std::strerror(standardOutputError))));
    return exitCode == ExitCode::Done ? ExitCode::OutputFailed : exitCode;
}
