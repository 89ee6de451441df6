#include "cli.h"
#include "command_line.h"
#include "form1.h"
#include "language.h"
#include "line_echo.h"
#include "port_directory.h"
#include "remembered_choices.h"
#include "rs485_direction.h"
#include "serial_line.h"
#include "standard_streams.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Before any file, pipe or event descriptor is opened.
    fillClosedStandardStreams();
    keepQtsOwnWarningsOff();
    // What a line's echo was, learned in this run, is there for the next (the window's and every command's).
    RememberedChoices::keepLineEchoes();
    // A command word first runs the command line, which never creates the window's application object.
    if (isCommandLineRun(argc, argv))
        return runCommandLine(argc, argv);
    if (const auto refused = refuseWindowWithoutDisplay(argc, argv))
        return *refused;

    QApplication app(argc, argv);
    const Language language = installLanguage(app, requestedLanguage(QCoreApplication::arguments()));
    // The system's own file dialogs speak the system's language; where the program was asked for another,
    // Qt's dialogs speak the program's.
    if (language != chooseLanguage(QLocale::system().uiLanguages(), {}))
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication::setApplicationName(QStringLiteral("timeclock-setup"));
    QApplication::setApplicationVersion(QStringLiteral(TIMECLOCK_VERSION));
    // Wayland task switchers find the icon through the desktop entry the package installs.
    QGuiApplication::setDesktopFileName(QStringLiteral("timeclock-setup"));

    // --help and --version never get here: they are the command line's (isCommandLineRun()).
    QCommandLineParser parser;
    const QCommandLineOption portOption = WindowOption::portMapping();
    const QCommandLineOption traceOption = WindowOption::trace();
    const QCommandLineOption echoOption = WindowOption::echo();
    const QCommandLineOption rs485Option = WindowOption::rs485();
    const QCommandLineOption languageOption = WindowOption::language();
    const QCommandLineOption resetOption = WindowOption::reset();
    parser.addOptions({portOption, traceOption, echoOption, rs485Option, languageOption, resetOption});
    parser.process(app);
    if (parser.isSet(languageOption) && !isLanguageWord(parser.value(languageOption))) {
        std::fprintf(stderr, "--lang takes zh, zh_TW or en, not \"%s\"\n", qPrintable(parser.value(languageOption)));
        return 2;
    }

    const auto echo = echoModeFromWord(parser.value(echoOption));
    if (!echo) {
        std::fprintf(stderr, "--echo takes auto, on or off, not \"%s\"\n", qPrintable(parser.value(echoOption)));
        return 2;
    }
    setEchoMode(*echo);
    setRs485Direction(parser.isSet(rs485Option));

    if (parser.isSet(resetOption))
        RememberedChoices::forgetAll();
    for (const QString &line : RememberedChoices::forgetUnusable())
        std::fprintf(stderr, "%s\n", qPrintable(line));
    // Mappings given now are kept for the next start; without any, the last ones given apply.
    const QStringList mappings = parser.isSet(portOption) ? parser.values(portOption) : RememberedChoices().portMappings();
    PortDirectory ports;
    if (QString bad; !ports.mapPorts(mappings, &bad)) {
        std::fprintf(stderr, "--port takes N=DEVICE, not \"%s\"\n", qPrintable(bad));
        return 2;
    }
    if (parser.isSet(portOption))
        RememberedChoices().setPortMappings(mappings);
    if (parser.isSet(traceOption))
        showLineTrace();

    Form1 window(std::move(ports));
    window.restoreRememberedChoices();
    window.show();
    return app.exec();
}
