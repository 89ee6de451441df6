#include "output.h"

#include <QJsonDocument>

#include <cstdio>

namespace {
void writeLine(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
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

QJsonObject outcomeJson(const Outcome &outcome)
{
    QJsonObject object{{QStringLiteral("command"), outcome.command},
                       {QStringLiteral("ok"), outcome.ok()},
                       {QStringLiteral("status"), statusWord(outcome.status)},
                       {QStringLiteral("message"), outcome.message}};
    if (outcome.serial)
        object.insert(QStringLiteral("serial"), *outcome.serial);
    if (outcome.machine)
        object.insert(QStringLiteral("machine"), *outcome.machine);
    if (outcome.elapsedMs)
        object.insert(QStringLiteral("elapsed_ms"), *outcome.elapsedMs);
    return object;
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
