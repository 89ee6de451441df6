#include "cli.h"

#include "command_table.h"
#include "language.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

bool isCommandLineRun(int argc, char *argv[])
{
    if (argc < 2)
        return false;
    const QString word = QString::fromLocal8Bit(argv[1]);
    return commandRowNamed(word) != nullptr;
}

int runCommandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    installLanguage(app, requestedLanguage(QCoreApplication::arguments()));
    std::fprintf(stderr, "not yet\n");
    return 2;
}
