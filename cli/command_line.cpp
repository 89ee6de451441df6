#include "command_line.h"

#include "command_values.h"
#include "language.h"
#include "line_echo.h"
#include "network_address.h"
#include "port_directory.h"
#include "rs485_direction.h"
#include "serial_line.h"
#include "status_messages.h"
#include "text_conversions.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

// A port given as digits (or anything number-like: a sign, a fraction) is a port number, which must be
// whole and reaches a device as in the window; anything else is a device path used as it is.
std::optional<PortChoice> portChoiceFromText(const QString &text, const PortDirectory &directory)
{
    static const QRegularExpression numberLike(QStringLiteral("^\\s*[+-]?[0-9]*\\.?[0-9]*\\s*$"));
    if (numberLike.match(foldFullWidth(text)).hasMatch()) {
        const auto number = wholeNumber(text, 0, std::numeric_limits<qint16>::max());
        if (!number)
            return std::nullopt;
        return PortChoice{qint16(*number), directory.deviceFor(qint16(*number)), directory};
    }
    return PortChoice{0, text};
}

} // namespace

namespace WindowOption {

QCommandLineOption portMapping()
{
    return {QStringLiteral("port"), QCoreApplication::translate("cli", "串口号 N 对应设备 DEVICE（可重复）"), QStringLiteral("N=DEVICE")};
}

QCommandLineOption trace()
{
    return {QStringLiteral("trace"), QCoreApplication::translate("cli", "在标准错误上显示收发的每个字节及时间")};
}

QCommandLineOption echo()
{
    return {QStringLiteral("echo"),
            QCoreApplication::translate("cli", "线路的回声（两线 RS-485）：auto 自动识别（默认），on 总有回声，off 没有回声"),
            QStringLiteral("auto|on|off"), QStringLiteral("auto")};
}

QCommandLineOption rs485()
{
    return {QStringLiteral("rs485"),
            QCoreApplication::translate("cli", "由串口的驱动切换 RS-485 收发方向（发送时 RTS 有效）；驱动不能切换时不打开串口")};
}

QCommandLineOption language()
{
    return {QStringLiteral("lang"), QCoreApplication::translate("cli", "语言：zh、zh_TW 或 en"),
            QStringLiteral("zh|zh_TW|en")};
}

QCommandLineOption reset()
{
    return {QStringLiteral("reset"), QCoreApplication::translate("cli", "忘掉以前记住的串口、--port 对应和图片文件")};
}

} // namespace WindowOption

CommandLine::CommandLine(QString word, QString arguments, int positionalCount, QString summary, PortUse use)
    : m_word(std::move(word)), m_arguments(std::move(arguments)), m_positionalCount(positionalCount),
      m_summary(std::move(summary)), m_use(use),
      m_port(QStringLiteral("port"), QCoreApplication::translate("cli", "串口：号码按窗口的规则找设备，路径按原样使用（默认 1）"),
             QStringLiteral("N|DEVICE"), QStringLiteral("1")),
      m_machine(QStringLiteral("machine"), QCoreApplication::translate("cli", "考勤机的机号（默认 18）"), QStringLiteral("N"),
                QStringLiteral("18")),
      m_json(QStringLiteral("json"), QCoreApplication::translate("cli", "每个结果输出一个 JSON 对象到标准输出")),
      m_trace(WindowOption::trace()),
      m_echo(WindowOption::echo()),
      m_rs485(WindowOption::rs485()),
      m_language(WindowOption::language()),
      m_help({QStringLiteral("h"), QStringLiteral("help")}, QCoreApplication::translate("cli", "显示本命令的帮助"))
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (m_use != PortUse::None)
        addOption(m_port);
    if (m_use == PortUse::Terminal)
        addOption(m_machine);
    addOption(m_json);
    if (m_use != PortUse::None) {
        addOption(m_trace);
        addOption(m_echo);
        addOption(m_rs485);
    }
    addOption(m_language);
    addOption(m_help);
}

void CommandLine::addOption(const QCommandLineOption &option)
{
    m_parser.addOption(option);
    m_options.append(option);
}

void CommandLine::addRepeatableOption(const QCommandLineOption &option)
{
    addOption(option);
    m_repeatable += option.names();
}

void CommandLine::addOptions(const QList<QCommandLineOption> &options)
{
    for (const QCommandLineOption &option : options)
        addOption(option);
}

std::variant<CommonOptions, int> CommandLine::parseForTerminal(const QStringList &arguments)
{
    if (const auto exitCode = parse(arguments))
        return *exitCode;
    auto shared = common();
    if (const auto *problem = std::get_if<Problem>(&shared))
        return fail(*problem);
    return std::get<CommonOptions>(std::move(shared));
}

std::optional<int> CommandLine::parse(const QStringList &arguments)
{
    // QCommandLineParser takes the first argument as the program's name.
    if (!m_parser.parse(QStringList{QCoreApplication::applicationFilePath()} + arguments))
        return fail({ResultStatus::BadInput, m_word + QStringLiteral(": ") + m_parser.errorText()});
    if (m_parser.isSet(m_help)) {
        printLine(help());
        return ExitCode::Done;
    }
    // The parser keeps the last of two values (`--machine 5 --machine 6`): which one was meant is not known.
    const QStringList namesGiven = m_parser.optionNames();
    for (const QCommandLineOption &option : std::as_const(m_options)) {
        if (m_repeatable.contains(option.names().constFirst()))
            continue;
        const auto times = std::count_if(namesGiven.begin(), namesGiven.end(),
                                         [&option](const QString &name) { return option.names().contains(name); });
        if (times > 1)
            return fail({ResultStatus::BadInput,
                         m_word + QStringLiteral(": ")
                             + StatusText::withDetail(QCoreApplication::translate("cli", "选项重复！"),
                                                      QStringLiteral("--") + option.names().constLast())});
    }
    const qsizetype given = positional().size();
    if (given != m_positionalCount) {
        const QString what = given < m_positionalCount ? QCoreApplication::translate("cli", "缺少参数") : QCoreApplication::translate("cli", "多余的参数");
        return fail({ResultStatus::BadInput, m_word + QStringLiteral(": ") + StatusText::withDetail(what, m_word + u' ' + m_arguments)});
    }
    if (m_parser.isSet(m_language) && !isLanguageWord(m_parser.value(m_language)))
        return fail({ResultStatus::BadInput, StatusText::withDetail(QCoreApplication::translate("cli", "语言错误！"),
                                                                    QStringLiteral("--lang ") + m_parser.value(m_language))});
    if (m_use != PortUse::None) {
        const auto echo = echoModeFromWord(m_parser.value(m_echo));
        if (!echo)
            return fail({ResultStatus::BadInput, StatusText::withDetail(QCoreApplication::translate("cli", "回声选项错误！"),
                                                                        QStringLiteral("--echo ") + m_parser.value(m_echo))});
        setEchoMode(*echo);
        setRs485Direction(m_parser.isSet(m_rs485));
    }
    if (m_use != PortUse::None && m_parser.isSet(m_trace))
        showLineTrace();
    return std::nullopt;
}

std::variant<PortChoice, Problem> portFromText(const QString &text, const PortDirectory &directory)
{
    const auto port = portChoiceFromText(text, directory);
    if (!port)
        return Problem{ResultStatus::BadInput, StatusText::withDetail(StatusText::BadPortNumber.toString(), QStringLiteral("--port ") + text)};
    // A network address that cannot be one is a typing error, found before anything is looked up.
    if (isNetworkPortName(port->deviceName)) {
        if (const auto reading = readNetworkAddress(port->deviceName); !reading.address)
            return Problem{ResultStatus::BadInput,
                           StatusText::withDetail(StatusText::BadPortNumber.toString(),
                                                  StatusText::ReasonAndPlace.toString().arg(reading.problem, QStringLiteral("--port ") + text))};
    }
    return *port;
}

void CommandLine::allowSeveralPorts()
{
    m_repeatable += m_port.names();
}

QStringList CommandLine::portValues() const
{
    return m_parser.values(m_port);
}

std::variant<CommonOptions, Problem> CommandLine::common() const
{
    const auto checked = portFromText(m_parser.value(m_port), PortDirectory());
    if (const auto *problem = std::get_if<Problem>(&checked))
        return *problem;
    const auto port = std::get<PortChoice>(checked);
    // A command for the whole line has no --machine: the default stands.
    const QString machineText = m_use == PortUse::Terminal ? m_parser.value(m_machine) : m_machine.defaultValues().constFirst();
    const auto machine = wholeNumber(machineText, 0, 255);
    if (!machine)
        return Problem{ResultStatus::BadInput,
                       StatusText::withDetail(StatusText::BadMachineNumber.toString(), QStringLiteral("--machine ") + machineText)};
    return CommonOptions{port, quint8(*machine), m_use == PortUse::Terminal && m_parser.isSet(m_machine)};
}

int CommandLine::fail(const Problem &problem) const
{
    return reportOutcome(problemOutcome(m_word, problem), format());
}

QString CommandLine::help() const
{
    QString text = QCoreApplication::translate("cli", "用法:") + QStringLiteral(" timeclock-setup %1 %2 [OPTIONS]\n").arg(m_word, m_arguments);
    text += m_summary + QStringLiteral("\n\n") + QCoreApplication::translate("cli", "选项:") + u'\n' + optionLines(m_options);
    return text + u'\n' + exitCodeHelp();
}

QString optionNameOf(QStringView argument)
{
    if (argument.size() < 2 || argument.front() != u'-' || argument == u"--")
        return {};
    QStringView name = argument.sliced(argument.at(1) == u'-' ? 2 : 1);
    if (const qsizetype equals = name.indexOf(u'='); equals >= 0)
        name = name.first(equals);
    return name.toString();
}

bool optionGiven(const QStringList &arguments, QStringView name)
{
    for (const QString &argument : arguments) {
        if (argument == u"--")
            return false;
        if (optionNameOf(argument) == name)
            return true;
    }
    return false;
}

QString optionLines(const QList<QCommandLineOption> &options)
{
    QString text;
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            left += u' ' + option.valueName();
        text += left.leftJustified(26) + (left.size() >= 26 ? QStringLiteral("\n") + QString(26, u' ') : QString())
                + option.description() + u'\n';
    }
    return text;
}

QString exitCodeHelp()
{
    return QCoreApplication::translate("cli", "退出码:") + u'\n' + QCoreApplication::translate("cli", "  0  完成\n"
                                                 "  1  考勤机没有及时回答，或回答错误\n"
                                                 "  2  用法或输入错误（什么也没发送）\n"
                                                 "  3  串口打不开或已断开\n"
                                                 "  4  文件无法使用，或拒绝写入（已存在、是输入文件、不是普通文件）\n"
                                                 "  5  输出无法写入（标准输出已关闭或磁盘已满）\n"
                                                 "  6  provision：有机号没有完成（跳过、没轮到、序列号重复或线上已有设置好的考勤机），但没有失败的\n"
                                                 "  130、143  被 SIGINT、SIGTERM 中断（当前一行的回答收到后才停）\n");
}
