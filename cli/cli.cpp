#include "cli.h"

#include "command_table.h"
#include "command_words.h"
#include "help.h"
#include "language.h"
#include "output.h"
#include "terminal_commands.h"

#include <QCoreApplication>

#include <cstring>

namespace {

bool isHelpOrVersion(const char *argument)
{
    for (const char *option : {"-h", "--help", "--help-all", "-v", "--version"}) {
        if (std::strcmp(argument, option) == 0)
            return true;
    }
    return false;
}

// Options that take their value as the next argument, so that value is not taken for a command word.
bool takesValue(const char *argument)
{
    for (const char *option : {"--port", "--lang", "--machine", "--numbers", "--report", "--mode", "--delay",
                               "--font", "-o", "--output", "--machines", "--timeout"}) {
        if (std::strcmp(argument, option) == 0)
            return true;
    }
    return false;
}

// Where the command word is among the arguments: the first that is neither an option nor an option's
// value; -1 for none.
int commandWordIndex(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (takesValue(argv[i]))
            ++i;
        else if (argv[i][0] != '-')
            return i;
    }
    return -1;
}

} // namespace

bool isCommandLineRun(int argc, char *argv[])
{
    if (commandWordIndex(argc, argv) >= 0)
        return true;
    // Help and version need no window, so they can be read (and the man page made) without a display.
    for (int i = 1; i < argc; ++i) {
        if (isHelpOrVersion(argv[i]))
            return true;
    }
    return false;
}

int runCommandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("timeclock-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIMECLOCK_VERSION));
    installLanguage(app, requestedLanguage(QCoreApplication::arguments()));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const int wordIndex = commandWordIndex(argc, argv);
    if (wordIndex < 0) {
        const bool version = arguments.contains(QStringLiteral("-v")) || arguments.contains(QStringLiteral("--version"));
        printLine(version ? QStringLiteral("timeclock-setup " TIMECLOCK_VERSION) : generalHelp());
        return 0;
    }
    const QString word = arguments.takeAt(wordIndex - 1);
    if (const CommandRow *row = commandRowNamed(word))
        return runTerminalCommandLine(*row, arguments);
    for (const CommandWord &command : commandWords()) {
        if (command.word == word && command.run)
            return command.run(arguments);
    }
    printError(QCoreApplication::translate("cli", "未知命令：%1（timeclock-setup --help 列出所有命令）").arg(word));
    return 2;
}
