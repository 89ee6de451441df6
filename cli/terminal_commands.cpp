#include "terminal_commands.h"

#include "command_history.h"
#include "command_runner.h"
#include "command_values.h"
#include "logo_arguments.h"
#include "logo_picture.h"
#include "port_catalogue.h"
#include "progress_bar.h"
#include "read_serial.h"
#include "scan_command.h"
#include "status_messages.h"
#include "text_conversions.h"
#include "text_logo.h"
#include "write_serial.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

using InputsOrProblem = std::variant<CommandInputs, Problem>;

// What the command line adds to a row of the command table.
struct TerminalCommandSyntax
{
    TerminalCommand command;
    const char *arguments;
    int positionalCount;
    const char *summary;  // translated when shown
    QList<QCommandLineOption> (*options)();
    InputsOrProblem (*inputs)(const CommandLine &line, quint8 machine);
};

Problem badInput(QStringView message, const QString &given)
{
    return {ResultStatus::BadInput, StatusText::withDetail(message.toString(), given)};
}

QList<QCommandLineOption> noOptions()
{
    return {};
}

QList<QCommandLineOption> settingsOptions()
{
    using namespace SettingsWord;
    const SettingsText initial;
    return {
        {QStringLiteral("mode"), QCoreApplication::translate("cli", "考勤响铃模式 bell（默认）或考勤门禁模式 door"),
         QStringLiteral("%1|%2").arg(Bell, Door), initial.mode},
        {QStringLiteral("picture"), QCoreApplication::translate("cli", "开机显示OEM图片")},
        {QStringLiteral("delay"), QCoreApplication::translate("cli", "延时（0-255，默认 0）：门禁模式或开机图片时为开锁延时，否则为打卡延时"),
         QStringLiteral("N"), initial.delay},
        {QStringLiteral("font"), QCoreApplication::translate("cli", "字体：简体 simplified（默认）或繁体 traditional"),
         QStringLiteral("%1|%2").arg(Simplified, Traditional), initial.font},
    };
}

QList<QCommandLineOption> renumberOptions()
{
    return {{QStringLiteral("all"), QCoreApplication::translate("cli", "线上有几台考勤机时，确实让每一台都换成新机号")}};
}

InputsOrProblem renumberInputs(const CommandLine &line, quint8)
{
    const QString given = line.positional().at(0);
    const auto number = wholeNumber(given, 0, 255);
    if (!number)
        return badInput(StatusText::BadMachineNumber.toString(), given);
    const auto common = line.common();
    if (const auto *options = std::get_if<CommonOptions>(&common)) {
        if (const auto problem = renumberOnSharedLine(options->port.line, line.parser().isSet(QStringLiteral("all"))))
            return *problem;
    }
    return CommandInputs{.machineNumber = quint8(*number)};
}

InputsOrProblem settingsInputs(const CommandLine &line, quint8 machine)
{
    const QCommandLineParser &parser = line.parser();
    const SettingsText text{.mode = parser.value(QStringLiteral("mode")),
                            .picture = (parser.isSet(QStringLiteral("picture")) ? SettingsWord::True : SettingsWord::False).toString(),
                            .delay = parser.value(QStringLiteral("delay")),
                            .font = parser.value(QStringLiteral("font"))};
    const auto choice = settingsFromText(text);
    if (const auto *problem = std::get_if<SettingsProblem>(&choice))
        return badInput(problem->message, QStringLiteral("--%1 %2").arg(problem->key, problem->value));
    const auto &chosen = std::get<SettingsChoice>(choice);
    return CommandInputs{.machineNumber = machine, .settings = chosen.settings, .delay = chosen.delay};
}

InputsOrProblem readSerialInputs(const CommandLine &, quint8 machine)
{
    return CommandInputs{.machineNumber = machine};
}

QCommandLineOption forceOption()
{
    return {QStringLiteral("force"),
            QCoreApplication::translate("cli", "这台电脑已把这个序列号写进过另一台考勤机时，仍然写入（默认拒绝）")};
}

QList<QCommandLineOption> writeSerialOptions()
{
    return {forceOption()};
}

InputsOrProblem writeSerialInputs(const CommandLine &line, quint8 machine)
{
    const QString given = line.positional().at(0);
    const auto serial = serialNumberFromText(given);
    if (!serial)
        return badInput(StatusText::BadSerialNumber.toString(), given);
    return CommandInputs{.machineNumber = machine, .serialNumber = *serial};
}

QList<QCommandLineOption> downloadLogoOptions()
{
    return logoImageOptions() << allowBlankOption();
}

InputsOrProblem logoInputs(const CommandLine &line, quint8 machine)
{
    auto picture = logoPictureFrom(line, logoImageOptionsFrom(line.parser()));
    if (const auto *problem = std::get_if<Problem>(&picture))
        return *problem;
    if (const auto problem = blankLogoProblem(line.parser(), std::get<LogoPicture>(picture).bytes,
                                              line.positional().value(0, QStringLiteral("--text"))))
        return *problem;
    return CommandInputs{.machineNumber = machine, .picture = std::get<LogoPicture>(std::move(picture))};
}

const TerminalCommandSyntax Syntaxes[] = {
    {TerminalCommand::ChangeNumber, "NEW", 1,
     QT_TRANSLATE_NOOP("cli", "改号：把新机号 NEW 发到改号地址（不用 --machine）"), renumberOptions, renumberInputs},
    {TerminalCommand::Settings, "", 0, QT_TRANSLATE_NOOP("cli", "设置考勤机：模式、开机图片、延时和字体（默认同窗口初始状态）"),
     settingsOptions, settingsInputs},
    {TerminalCommand::ReadSerial, "", 0, QT_TRANSLATE_NOOP("cli", "读序列号：输出六位十六进制数"), noOptions,
     readSerialInputs},
    {TerminalCommand::WriteSerial, "HEX6", 1,
     QT_TRANSLATE_NOOP("cli", "写序列号：六位十六进制数（先读出考勤机现在的序列号）"), writeSerialOptions,
     writeSerialInputs},
    {TerminalCommand::DownloadLogo, "FILE|--text TEXT", 1,
     QT_TRANSLATE_NOOP("cli", "下载OEM_LOGO图片：logo 文本文件或任何图片（同窗口的读法）"), downloadLogoOptions, logoInputs},
};

// Before a serial number is written, the terminal's own is read (one exchange): a number this PC has
// already written into a terminal that now holds another would give two terminals the same number. The
// outcome that ends the command here, or nothing when the write may go ahead.
std::optional<Outcome> checkBeforeWritingSerial(const CommandLine &line, const PortChoice &port,
                                                const CommandInputs &inputs)
{
    const CommandRow &write = commandRow(TerminalCommand::WriteSerial);
    Outcome read = runOnTerminal(commandRow(TerminalCommand::ReadSerial), port, {.machineNumber = inputs.machineNumber});
    const QString wanted = QString::fromLatin1(inputs.serialNumber.toHex().toUpper());
    if (!read.ok()) {
        read.command = write.name.toString();
        read.serial = wanted;
        read.printed.clear();
        read.message = StatusText::withDetail(
            read.message, QCoreApplication::translate("cli", "写之前读不出考勤机现在的序列号，没有写入"));
        return read;
    }
    // Writing a terminal its own number again gives nobody a second copy of it.
    if (read.serial == wanted || line.parser().isSet(forceOption()))
        return std::nullopt;
    const auto written = CommandHistory::lastWriteOfSerial(wanted);
    if (!written)
        return std::nullopt;
    Outcome refused = problemOutcome(
        write.name.toString(),
        {ResultStatus::BadInput,
         QCoreApplication::translate("cli", "序列号 %1 已在 %2；这台考勤机现在的序列号是 %3，写入会让两台考勤机序列号相同。"
                                            "没有写入；确实要写，请加 --force")
             .arg(wanted, CommandHistory::serialWrittenWhere(*written), read.serial.value_or(QString()))});
    refused.port = port.label();
    refused.machine = inputs.machineNumber;
    refused.serial = wanted;
    return refused;
}

const TerminalCommandSyntax &syntaxOf(const CommandRow &row)
{
    const auto found = std::find_if(std::begin(Syntaxes), std::end(Syntaxes),
                                    [&row](const TerminalCommandSyntax &s) { return s.command == row.command; });
    Q_ASSERT(found != std::end(Syntaxes));
    return *found;
}

} // namespace

QString terminalCommandArguments(const CommandRow &row)
{
    return QString::fromLatin1(syntaxOf(row).arguments);
}

QString terminalCommandSummary(const CommandRow &row)
{
    return QCoreApplication::translate("cli", syntaxOf(row).summary);
}

QList<QCommandLineOption> terminalCommandOptions(const CommandRow &row)
{
    return syntaxOf(row).options();
}

QCommandLineOption allowBlankOption()
{
    return {QStringLiteral("allow-blank"), QCoreApplication::translate("cli", "图片是空白的也下载（默认拒绝）")};
}

std::optional<Problem> blankLogoProblem(const QCommandLineParser &parser, QByteArrayView picture, const QString &source)
{
    // A blank picture is most often a mistake (a transparent image, text drawn with nothing to draw it).
    if (!isBlankLogo(picture) || parser.isSet(allowBlankOption()))
        return std::nullopt;
    return badInput(QCoreApplication::translate("cli", "图片是空白的，没有下载；确实要下载请加 --allow-blank"), source);
}

Outcome runOnTerminal(const CommandRow &row, const PortChoice &port, CommandInputs inputs)
{
    std::optional<ProgressBar> bar;
    int linesBegun = 0;
    if (row.reads & CommandInput::Picture) {
        bar.emplace(LogoLineCount);
        inputs.progress = [&bar, &linesBegun](int begun) {
            linesBegun = begun;
            bar->show(begun);
        };
    }
    const CommandRun run = runTerminalCommand(port, row.command, inputs);
    bar.reset();

    Outcome outcome{.command = row.name.toString(),
                    .status = resultStatusOf(run.result.status),
                    .message = run.result.message,
                    .port = port.label(),
                    .machine = inputs.machineNumber,
                    .elapsedMs = run.elapsedMs};
    if (row.reads & CommandInput::SerialNumber)
        outcome.serial = QString::fromLatin1(inputs.serialNumber.toHex().toUpper());
    if (const auto serial = serialTextFromResult(run.result)) {
        outcome.serial = *serial;
        outcome.printed = *serial;
    }
    // As the window's tooltip: whether nothing came back or something wrong did.
    if (const QString reason = StatusText::answerReason(run.result); !reason.isEmpty())
        outcome.message = StatusText::withDetail(outcome.message, reason);
    // Another program reading the port takes the answer before this one sees it.
    if (run.result.status == CommandStatus::NoReply)
        for (const QString &note : otherProgramNotes(port.line))
            outcome.message = StatusText::withDetail(outcome.message, note);
    if (row.reads & CommandInput::Picture && run.result.status != CommandStatus::PortOpenFailed) {
        // A line begun and not confirmed is the one that failed or was still out when a stop came.
        outcome.linesConfirmed = run.result.linesConfirmed.value_or(linesBegun);
        if (run.result.status == CommandStatus::Interrupted)
            outcome.message = StatusText::withDetail(
                outcome.message, QCoreApplication::translate("cli", "考勤机的图片只更新到第 %1 行").arg(*outcome.linesConfirmed));
        else if (!outcome.ok())
            outcome.message = StatusText::withDetail(outcome.message,
                                                     QCoreApplication::translate("cli", "第 %1 行").arg(*outcome.linesConfirmed + 1));
    }
    return outcome;
}

int runTerminalCommandLine(const CommandRow &row, const QStringList &arguments)
{
    const TerminalCommandSyntax &syntax = syntaxOf(row);
    const int positionalCount = row.command == TerminalCommand::DownloadLogo ? logoFileCount(arguments) : syntax.positionalCount;
    CommandLine line(row.name.toString(), terminalCommandArguments(row), positionalCount,
                     terminalCommandSummary(row), PortUse::Terminal);
    line.addOptions(syntax.options());
    // Every check is made before the port is opened.
    const auto common = line.parseForTerminal(arguments);
    if (const int *exitCode = std::get_if<int>(&common))
        return *exitCode;
    const auto inputs = syntax.inputs(line, std::get<CommonOptions>(common).machine);
    if (const auto *problem = std::get_if<Problem>(&inputs))
        return line.fail(*problem);
    const PortChoice &port = std::get<CommonOptions>(common).port;
    if (row.command == TerminalCommand::WriteSerial) {
        if (const auto refused = checkBeforeWritingSerial(line, port, std::get<CommandInputs>(inputs)))
            return reportOutcome(*refused, line.format());
    }
    return reportOutcome(runOnTerminal(row, port, std::get<CommandInputs>(inputs)), line.format());
}
