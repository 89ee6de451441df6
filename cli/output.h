#pragma once

#include "outcome.h"

#include <QJsonObject>
#include <QString>

// Where results go: a success's text on standard output, a failure's message on standard error; with
// --json, one JSON object per result on standard output and nothing else there.
enum class OutputFormat {
    Text,
    Json,
};

QJsonObject outcomeJson(const Outcome &outcome);

// Prints the outcome and returns its exit code.
int reportOutcome(const Outcome &outcome, OutputFormat format);

// One line, UTF-8, to standard output or standard error.
void printLine(const QString &text);
void printError(const QString &text);
void printJson(const QJsonObject &object);
