#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

// Every command word of the command line: the command table's five, then the ones that need no port and
// the batch.
struct CommandWord
{
    QString word;
    QString arguments;  // as the synopsis shows them
    QString summary;
    int (*run)(const QStringList &arguments);  // nullptr: the table's command of that name
    QList<QCommandLineOption> options{};       // its own, beyond those every command shares
};

QList<CommandWord> commandWords();

// Every option any command declares, the shared ones included: the one list that both the parsers and the
// search for the command word read.
QList<QCommandLineOption> everyCommandOption();
