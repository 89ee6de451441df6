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

// Every key, in every object: null where it does not apply.
QJsonObject outcomeJson(const Outcome &outcome);

// Prints the outcome and returns its exit code.
int reportOutcome(const Outcome &outcome, OutputFormat format);

// One line, UTF-8, to standard output or standard error.
void printLine(const QString &text);
void printError(const QString &text);
void printJson(const QJsonObject &object);
// Bytes as they are, to standard output.
void printBytes(const QByteArray &bytes);

// Whether a write to standard output has failed (a full disk), or its reader went away (a closed pipe).
bool standardOutputFailed();

// The run's exit code once standard output has been flushed: a write to it that failed (a closed pipe, a
// full disk, /dev/full) makes a run that went well fail with ExitCode::OutputFailed, said on standard error.
int finishOutput(int exitCode);
