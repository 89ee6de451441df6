#include "cli.h"

#include "command_line.h"
#include "command_table.h"
#include "command_words.h"
#include "help.h"
#include "language.h"
#include "output.h"
#include "stop_signals.h"
#include "terminal_commands.h"
#include "text_logo.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool isHelpOrVersion(const char *argument)
{
    const QString name = optionNameOf(QString::fromLocal8Bit(argument));
    // "-?" too, as Qt's own help option has it.
    return !name.isEmpty() && QStringList{QStringLiteral("?"), QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("help-all"),
                                          QStringLiteral("v"), QStringLiteral("version")}
                                  .contains(name);
}

// Qt's own window options that take a value (QGuiApplication's and QApplication's), so that
// `-platform offscreen` or `-style Fusion` is not taken for a command word.
bool isQtWindowOptionWithValue(const QString &name)
{
    static const QStringList names{QStringLiteral("platform"),     QStringLiteral("platformpluginpath"),
                                   QStringLiteral("platformtheme"), QStringLiteral("plugin"),
                                   QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
                                   QStringLiteral("qwindowicon"),   QStringLiteral("qwindowtitle"),
                                   QStringLiteral("session"),       QStringLiteral("display"),
                                   QStringLiteral("geometry"),      QStringLiteral("style"),
                                   QStringLiteral("stylesheet")};
    return names.contains(name);
}

// Whether the option written as `argument` ("--machine", "-machine", "-o") takes the next argument as its
// value, by the options the commands declare.
bool takesValue(const char *argument)
{
    const QString given = QString::fromLocal8Bit(argument);
    if (given.contains(u'='))
        return false;
    const QString name = optionNameOf(given);
    static const QList<QCommandLineOption> options = everyCommandOption();
    for (const QCommandLineOption &option : options) {
        if (option.names().contains(name))
            return !option.valueName().isEmpty();
    }
    return isQtWindowOptionWithValue(name);
}

// Where the command word is among the arguments: the first that is neither an option nor an option's
// value; -1 for none.
int commandWordIndex(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-' || argv[i][1] == '\0')
            return i;
        if (std::strcmp(argv[i], "--") == 0)
            return i + 1 < argc ? i + 1 : -1;
        if (takesValue(argv[i]))
            ++i;
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

std::optional<int> refuseWindowWithoutDisplay(int argc, char *argv[])
{
#if defined(Q_OS_LINUX) || defined(__linux__)
    const auto unset = [](const char *name) {
        const char *value = std::getenv(name);
        return value == nullptr || *value == '\0';
    };
    if (!unset("DISPLAY") || !unset("WAYLAND_DISPLAY") || !unset("QT_QPA_PLATFORM"))
        return std::nullopt;
    for (int i = 1; i < argc; ++i) {
        if (optionNameOf(QString::fromLocal8Bit(argv[i])) == u"platform")
            return std::nullopt;
    }
    // Qt would abort in its platform plugin; one line says what to do instead, in the program's language.
    QCoreApplication app(argc, argv);
    installLanguage(app, requestedLanguage(QCoreApplication::arguments()));
    printError(QCoreApplication::translate("cli", "timeclock-setup：窗口需要显示器（没有设置 DISPLAY 或 WAYLAND_DISPLAY）；"
                                                  "没有显示器时请给出命令：timeclock-setup 命令 …（timeclock-setup --help 列出所有命令）"));
    return 2;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return std::nullopt;
#endif
}

namespace {

// The application the command line runs in. Drawing text needs fonts, which only a QGuiApplication has: a
// run with --text gets one on the offscreen platform, so no display is needed; every other run a plain
// QCoreApplication.
std::unique_ptr<QCoreApplication> makeCommandLineApplication(int &argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!wantsTextLogo(arguments))
        return std::make_unique<QCoreApplication>(argc, argv);
#ifndef Q_OS_WIN
    // The command line never shows a window, so it needs no display even where there is one. Windows always
    // has its desktop, and the package carries only the platform plugin of its own.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int runCommandLine(int argc, char *argv[])
{
    const auto app = makeCommandLineApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("timeclock-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIMECLOCK_VERSION));
    installLanguage(*app, requestedLanguage(QCoreApplication::arguments()));
    StopSignals::install();

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const int wordIndex = commandWordIndex(argc, argv);
    if (wordIndex < 0) {
        const bool version = optionGiven(arguments, u"v") || optionGiven(arguments, u"version");
        printLine(version ? QStringLiteral("timeclock-setup " TIMECLOCK_VERSION) : generalHelp());
        return finishOutput(ExitCode::Done);
    }
    const QString word = arguments.takeAt(wordIndex - 1);
    if (const CommandRow *row = commandRowNamed(word))
        return finishOutput(runTerminalCommandLine(*row, arguments));
    for (const CommandWord &command : commandWords()) {
        if (command.word == word && command.run)
            return finishOutput(command.run(arguments));
    }
    const Problem unknown{ResultStatus::BadInput,
                          QCoreApplication::translate("cli", "未知命令：%1（timeclock-setup --help 列出所有命令）").arg(word)};
    const bool json = optionGiven(arguments, u"json");
    return finishOutput(reportOutcome(problemOutcome(word, unknown), json ? OutputFormat::Json : OutputFormat::Text));
}
