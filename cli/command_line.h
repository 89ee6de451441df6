#pragma once

#include "command_session.h"
#include "outcome.h"
#include "output.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The window's options, declared once for the window's parser, the general help and the commands that share
// them: --trace and --lang are every command's too, and --port N=DEVICE is `ports`' too.
namespace WindowOption {
QCommandLineOption portMapping();  // --port N=DEVICE, repeatable
QCommandLineOption trace();
QCommandLineOption echo();  // --echo auto|on|off: what the line does with the bytes sent
QCommandLineOption rs485();  // --rs485: the port's driver switches the RS-485 direction
QCommandLineOption language();
QCommandLineOption reset();
} // namespace WindowOption

// Whether a command talks to a terminal (and so takes --port, --machine, --trace, --echo and --rs485), to
// every terminal on the line by number (the same but --machine: a scan, whose numbers are its own option), or
// to none.
enum class PortUse {
    Terminal,
    Line,
    None,
};

// What every command that talks to a terminal is given.
struct CommonOptions
{
    PortChoice port;
    quint8 machine = 18;
    bool machineGiven = false;  // --machine on the command line, not its default
};

// One command word's arguments: the options every command shares plus its own, its own --help, and the
// checks of what is shared. Nothing here opens a port.
class CommandLine
{
public:
    // `arguments` is the synopsis after the word ("NEW", "[FILE]"); `positionalCount` how many it takes.
    CommandLine(QString word, QString arguments, int positionalCount, QString summary, PortUse use);

    void addOption(const QCommandLineOption &option);
    void addOptions(const QList<QCommandLineOption> &options);
    // An option that may be given more than once, each time with a value of its own (ports --port N=DEVICE).
    void addRepeatableOption(const QCommandLineOption &option);

    // Parses the arguments after the command word. Nothing when the command is to go on; otherwise the exit
    // code, its help or its problem already printed.
    std::optional<int> parse(const QStringList &arguments);

    const QString &word() const { return m_word; }
    const QCommandLineParser &parser() const { return m_parser; }
    QStringList positional() const { return m_parser.positionalArguments(); }
    OutputFormat format() const { return m_parser.isSet(m_json) ? OutputFormat::Json : OutputFormat::Text; }

    // --port may be given more than once (a scan of several lines); common() takes the last.
    void allowSeveralPorts();
    QStringList portValues() const;  // every --port given, in order; the default when none

    // --port and --machine checked; the device a port number reaches is looked up now.
    std::variant<CommonOptions, Problem> common() const;

    // parse(), then common(): what every command that talks to a terminal is given, when the command is to go
    // on; otherwise the exit code, its help or its problem already printed.
    std::variant<CommonOptions, int> parseForTerminal(const QStringList &arguments);

    // Reports a problem with what was given and returns its exit code.
    int fail(const Problem &problem) const;

    QString help() const;
    const QList<QCommandLineOption> &options() const { return m_options; }

private:
    QString m_word;
    QString m_arguments;
    int m_positionalCount;
    QString m_summary;
    PortUse m_use;
    QCommandLineParser m_parser;
    QList<QCommandLineOption> m_options;
    QStringList m_repeatable;  // names of the options given more than once on purpose
    QCommandLineOption m_port;
    QCommandLineOption m_machine;
    QCommandLineOption m_json;
    QCommandLineOption m_trace;
    QCommandLineOption m_echo;
    QCommandLineOption m_rs485;
    QCommandLineOption m_language;
    QCommandLineOption m_help;
};

// One --port value (a number, a device, a network address) checked, a number looked up in `directory`.
std::variant<PortChoice, Problem> portFromText(const QString &text, const PortDirectory &directory);

// The option an argument names, with one dash or two, with or without "=VALUE": "text" for "--text",
// "-text" and "--text=欢迎", as the parser reads them; empty for "-", "--" and anything not an option.
// Every look at the raw arguments for an option goes through here, so no caller tells the dashes apart.
QString optionNameOf(QStringView argument);

// Whether the option `name` is among the arguments, before any "--" (after which everything is a word).
bool optionGiven(const QStringList &arguments, QStringView name);

// The option lines of a help text, two columns.
QString optionLines(const QList<QCommandLineOption> &options);

// The exit codes, as every help text ends.
QString exitCodeHelp();
