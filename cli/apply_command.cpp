#include "apply_command.h"

#include "batch_report.h"
#include "command_history.h"
#include "command_line.h"
#include "command_runner.h"
#include "command_values.h"
#include "operator_answers.h"
#include "output.h"
#include "provision_profile.h"
#include "provision_report.h"
#include "remembered_choices.h"
#include "scan_command.h"
#include "site_inventory.h"
#include "status_messages.h"
#include "stop_signals.h"
#include "task_chain.h"
#include "terminal_commands.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

QCommandLineOption machinesOption()
{
    return {QStringLiteral("machines"), QCoreApplication::translate("cli", "每个串口上要设置的机号，如 1-20（给出时不查找）"),
            QStringLiteral("FROM-TO")};
}

QCommandLineOption yesOption()
{
    return {QStringLiteral("yes"), QCoreApplication::translate("cli", "不问，直接开始（给脚本用）")};
}

QCommandLineOption onlyDifferingOption()
{
    return {QStringLiteral("only-differing"),
            QCoreApplication::translate("cli", "跳过按本机记录已经是这些设置和图片、并且考勤机确认过的考勤机")};
}

QCommandLineOption redoFailedOption()
{
    return {QStringLiteral("redo-failed"), QCoreApplication::translate("cli", "只重做这份报告里失败的考勤机（不查找）"),
            QStringLiteral("REPORT.csv")};
}

// The steps of ProvisionSteps that apply runs: the settings and the logo.
int stepOf(TerminalCommand command)
{
    for (int index = CheckStep + 1; index < ProvisionStepCount; ++index) {
        if (ProvisionSteps[index].command == command)
            return index;
    }
    return -1;
}

// A terminal to be given the profile: its number on its line, and its serial where the scan, the records or
// the report named it.
struct Target
{
    int number = 0;
    QString serial{};
};

// A report's rows by line and number, the last of each.
QMap<std::pair<QString, int>, QStringList> lastRows(const ExistingReport &report)
{
    const qsizetype portColumn = reportHeader().indexOf(QStringLiteral("port"));
    QMap<std::pair<QString, int>, QStringList> last;
    for (const QStringList &row : report.rows)
        last.insert({row.at(portColumn), row.at(1).toInt()}, row);
    return last;
}

// The report named by --redo-failed, read whole.
std::variant<ExistingReport, Problem> readReportFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Problem{ResultStatus::FileError, StatusText::withDetail(StatusText::FileOpenFailed.toString(), path)};
    auto report = readReport(file.read(ReportSizeLimit + 1));
    if (const auto *why = std::get_if<QString>(&report))
        return Problem{ResultStatus::FileError, StatusText::withDetail(*why, path)};
    return std::get<ExistingReport>(std::move(report));
}

// Whether this PC's records say the terminal holds the profile already, every part of it confirmed. A
// terminal is known by its serial where that is known, otherwise by its line and number.
bool recordedSame(const QList<SiteTerminal> &site, const QString &port, const Target &target, const ProvisionProfile &profile)
{
    // A factory-fresh serial of zeros is shared by many terminals: it names none of them.
    const bool bySerial = !target.serial.isEmpty() && target.serial != u"000000";
    const auto known = std::find_if(site.cbegin(), site.cend(), [&](const SiteTerminal &terminal) {
        return bySerial ? terminal.serial == target.serial : terminal.port == port && terminal.machine == target.number;
    });
    if (known == site.cend())
        return false;
    const bool settingsSame = !profile.settingsGiven
                              || (known->settings && known->settings->confirmed
                                  && known->settings->words == settingsWords(profile.settings, profile.delay));
    const bool logoSame = !profile.logo
                          || (known->logo && known->logo->confirmed
                              && known->logo->hash
                                     == QString::fromLatin1(QCryptographicHash::hash(profile.logo->bytes, QCryptographicHash::Sha256).toHex()));
    return settingsSame && logoSame;
}

// Where every terminal's end goes: its row on the output and in the report.
class Rows
{
public:
    Rows(OutputFormat format, ReportContext context, ReportFile *report)
        : m_format(format), m_context(std::move(context)), m_report(report)
    {
    }

    void show(const TerminalRecord &record) const
    {
        if (m_format == OutputFormat::Json)
            printJson(outcomeJson(recordOutcome(record, m_context, QStringLiteral("apply"))));
        else
            printLine(record.port + QStringLiteral("  ") + recordLine(record));
    }

    void add(const TerminalRecord &record)
    {
        records.append(record);
        show(record);
        if (reportProblem)
            return;
        if (const auto problem = m_report->append(reportRow(record, m_context))) {
            printError(QCoreApplication::translate("cli", "%1 的 %2（序列号 %3）的一行没有写进报告：%4")
                           .arg(record.port)
                           .arg(record.number)
                           .arg(record.serial.isEmpty() ? QStringLiteral("------") : record.serial, problem->message));
            reportProblem = problem;
            rowLost = QCoreApplication::translate("cli", "%1 的 %2").arg(record.port).arg(record.number);
            // No terminal is begun after this one without its record.
            StopSignals::requestStop();
        }
    }

    QList<TerminalRecord> records;
    std::optional<Problem> reportProblem;
    std::optional<QString> rowLost;

private:
    OutputFormat m_format;
    ReportContext m_context;
    ReportFile *m_report;
};

// One line's terminals, one after another on one opening of its port: each its settings, then its logo.
class LineApply
{
public:
    LineApply(PortChoice port, QList<Target> targets, const ProvisionProfile &profile, Rows &rows)
        : m_port(std::move(port)), m_targets(std::move(targets)), m_profile(profile), m_rows(rows)
    {
    }

    const PortChoice &port() const { return m_port; }
    bool empty() const { return m_targets.isEmpty(); }

    std::unique_ptr<TerminalTask> chain()
    {
        return std::make_unique<TaskChain>([this](const CommandResult *finished) { return next(finished); });
    }

    // The line's port has closed: the step then running ends as the port ended it, and the terminals not
    // begun are not reached. Whether the port failed (did not open or was lost).
    bool ended(const CommandResult &result)
    {
        if (m_step >= 0)
            stepEnded(result);
        while (++m_current < m_targets.size()) {
            TerminalRecord record = start();
            record.status = ResultStatus::NotReached;
            if (result.status != CommandStatus::Done)
                record.message = result.message;
            m_rows.add(record);
        }
        return result.status == CommandStatus::PortLost || result.status == CommandStatus::PortOpenFailed;
    }

private:
    // The profile's step after `step`: its settings, then its logo; -1 after its last.
    int stepAfter(int step) const
    {
        for (int index = step + 1; index < ProvisionStepCount; ++index) {
            if ((index == stepOf(TerminalCommand::Settings) && m_profile.settingsGiven)
                || (index == stepOf(TerminalCommand::DownloadLogo) && m_profile.logo))
                return index;
        }
        return -1;
    }

    TerminalRecord start() const
    {
        const Target &target = m_targets.at(m_current);
        return TerminalRecord{.number = target.number,
                              .serial = target.serial,
                              .status = ResultStatus::Ok,
                              .time = QDateTime::currentDateTime(),
                              .port = m_port.label()};
    }

    CommandInputs inputs() const
    {
        const TerminalCommand command = ProvisionSteps[m_step].command;
        CommandInputs inputs{.machineNumber = quint8(m_record.number), .knownSerial = m_record.serial};
        if (command == TerminalCommand::Settings) {
            inputs.settings = m_profile.settings;
            inputs.delay = m_profile.delay;
        } else {
            inputs.picture = *m_profile.logo;
        }
        return inputs;
    }

    std::unique_ptr<TerminalTask> next(const CommandResult *finished)
    {
        // The terminal goes on to its next step, or is done; a step not confirmed has finished it already.
        if (finished && stepEnded(*finished)) {
            m_step = stepAfter(m_step);
            if (m_step < 0)
                finish(TerminalFate::Done);
        }
        if (m_step < 0) {
            // A stop, or a report that could not grow, begins no other terminal.
            if (StopSignals::stopAsked() || ++m_current >= m_targets.size())
                return nullptr;
            m_record = start();
            m_record.tried = true;
            m_elapsed.start();
            m_step = stepAfter(CheckStep);
        }
        return makeCommandTask(ProvisionSteps[m_step].command, inputs());
    }

    // The step running has ended: its history entry and its word in the row. Whether it was confirmed.
    bool stepEnded(const CommandResult &result)
    {
        const CommandInputs sent = inputs();
        if (const auto problem = CommandHistory::append(historyEntryFor(m_port, ProvisionSteps[m_step].command, sent, result)))
            printError(*problem);
        const ResultStatus status = resultStatusOf(result.status);
        m_record.steps[m_step] = status;
        if (ProvisionSteps[m_step].command == TerminalCommand::DownloadLogo && result.linesConfirmed)
            m_record.linesConfirmed = result.linesConfirmed;
        if (status == ResultStatus::Ok)
            return true;
        m_record.failedStep = m_step;
        m_record.status = status;
        const QString held = heldText(m_record);
        m_record.message = held.isEmpty() ? result.message : StatusText::withDetail(result.message, held);
        finish(status == ResultStatus::Interrupted ? TerminalFate::Interrupted : TerminalFate::Failed);
        return false;
    }

    void finish(TerminalFate fate)
    {
        m_record.fate = fate;
        m_record.elapsedMs = m_elapsed.elapsed();
        if (fate == TerminalFate::Done)
            m_record.message = StatusText::SettingSucceeded.toString();
        m_rows.add(m_record);
        m_step = -1;
    }

    PortChoice m_port;
    QList<Target> m_targets;
    const ProvisionProfile &m_profile;
    Rows &m_rows;
    qsizetype m_current = -1;  // the terminal being set, in m_targets
    int m_step = -1;           // its step running, in ProvisionSteps; -1 between terminals
    TerminalRecord m_record;
    QElapsedTimer m_elapsed;
};

// "设置和图片", "设置" or "图片".
QString partsText(const ProvisionProfile &profile)
{
    if (profile.settingsGiven && profile.logo)
        return QCoreApplication::translate("cli", "设置和图片");
    return profile.logo ? QCoreApplication::translate("cli", "图片") : QCoreApplication::translate("cli", "设置");
}

} // namespace

QString applySummary()
{
    return QCoreApplication::translate("cli", "把配置文件的设置和图片发给几条线上的每台考勤机（几条线同时，一条线上一台接一台；不改号，不写序列号）");
}

QList<QCommandLineOption> applyOptions()
{
    return {machinesOption(), yesOption(), onlyDifferingOption(), reportOption(), resumeOption(), redoFailedOption(),
            allowBlankOption()};
}

int runApply(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("apply"), QStringLiteral("PROFILE"), 1,
                     applySummary() + u'\n'
                         + QCoreApplication::translate("cli", "考勤机由查找得出（--port 可以给几次，--port all 取每个对应的串口），或用 --machines 给出；开始前问一次，列出要改的考勤机"),
                     PortUse::Line);
    line.addOptions(applyOptions());
    line.allowSeveralPorts();
    // Everything is checked, and the report opened, before anything is sent.
    const auto common = line.parseForTerminal(arguments);
    if (const int *exitCode = std::get_if<int>(&common))
        return *exitCode;
    const QString profilePath = line.positional().at(0);
    auto read = readProvisionProfile(profilePath);
    if (const auto *problem = std::get_if<Problem>(&read))
        return line.fail(*problem);
    const ProvisionProfile profile = std::get<ProvisionProfile>(std::move(read));
    if (!profile.settingsGiven && !profile.logo)
        return line.fail({ResultStatus::BadInput,
                          StatusText::withDetail(QCoreApplication::translate("cli", "配置文件没有 [settings] 也没有 [logo]：没有要发的"), profilePath)});
    if (const auto blank = profile.logo ? blankLogoProblem(line.parser(), profile.logo->bytes, profile.logoPath) : std::nullopt)
        return line.fail(*blank);
    std::optional<MachineRange> machines;
    if (line.parser().isSet(machinesOption())) {
        const QString text = line.parser().value(machinesOption());
        machines = machineRangeFromText(text);
        if (!machines)
            return line.fail({ResultStatus::BadInput,
                              StatusText::withDetail(StatusText::BadMachineNumber.toString(), QStringLiteral("--machines ") + text)});
    }
    const bool resume = line.parser().isSet(resumeOption());
    ReportFile report(line.parser().value(reportOption()));
    if (resume && !report.wanted())
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "--resume 需要 --report FILE.csv")});

    // --redo-failed: the lines and numbers are those that failed in that report, each with its serial.
    QMap<QString, QList<Target>> redo;
    const bool redoing = line.parser().isSet(redoFailedOption());
    QStringList portValues = line.portValues();
    if (redoing) {
        auto failed = readReportFile(line.parser().value(redoFailedOption()));
        if (const auto *problem = std::get_if<Problem>(&failed))
            return line.fail(*problem);
        const auto last = lastRows(std::get<ExistingReport>(failed));
        for (auto it = last.cbegin(); it != last.cend(); ++it) {
            if (it.value().at(2) == fateWord(TerminalFate::Failed))
                redo[it.key().first].append({it.key().second, it.value().at(3)});
        }
        portValues = redo.keys();
        if (portValues.isEmpty()) {
            printError(QCoreApplication::translate("cli", "报告里没有失败的考勤机"));
            return ExitCode::Done;
        }
    }
    const auto sitePortsOrProblem = sitePorts(portValues, RememberedChoices().portMappings());
    if (const auto *problem = std::get_if<Problem>(&sitePortsOrProblem))
        return line.fail(*problem);
    const QList<PortChoice> ports = std::get<QList<PortChoice>>(sitePortsOrProblem);

    const QString logoPath = profile.logo ? QFileInfo(profilePath).dir().filePath(profile.logoPath) : QString();
    ExistingReport existing;
    if (const auto problem = report.open(QStringList{profilePath, logoPath}, &existing))
        return line.fail(*problem);
    const auto doneBefore = lastRows(existing);

    // Every line's terminals: those the scan found, those --machines names, or those that failed before.
    QList<QList<Target>> targets(ports.size());
    bool lineFailed = false;
    if (redoing) {
        for (qsizetype index = 0; index < ports.size(); ++index)
            targets[index] = redo.value(ports.at(index).label());
    } else if (machines) {
        // What the records know of the terminals there follows them by serial.
        const QList<SiteTerminal> site = siteInventory(CommandHistory::read());
        for (qsizetype index = 0; index < ports.size(); ++index) {
            for (int number = machines->first; number <= machines->last; ++number) {
                const auto known = std::find_if(site.cbegin(), site.cend(), [&](const SiteTerminal &terminal) {
                    return terminal.port == ports.at(index).label() && terminal.machine == number;
                });
                targets[index].append({number, known == site.cend() ? QString() : known->serial});
            }
        }
    } else {
        const MachineRange every;
        const std::vector<LineScan> scans = scanSite(ports, every, QStringLiteral("0-255"), DefaultScanWait);
        for (qsizetype index = 0; index < ports.size(); ++index) {
            const LineScan &scan = scans.at(size_t(index));
            const Outcome &summary = scan.summary;
            if (summary.status == ResultStatus::PortLost || summary.status == ResultStatus::PortOpenFailed) {
                lineFailed = true;
                printLineSummary(summary, OutputFormat::Text);
            }
            QList<int> collided;
            for (const ScanAnswer &answer : scan.answers) {
                if (answer.kind == ScanAnswer::Kind::Collision)
                    collided << answer.machine;
            }
            for (const ScanAnswer &answer : scan.answers) {
                const bool answered = answer.kind == ScanAnswer::Kind::Found || answer.kind == ScanAnswer::Kind::Late;
                const bool listed = std::any_of(targets.at(index).cbegin(), targets.at(index).cend(),
                                                [&answer](const Target &target) { return target.number == answer.machine; });
                if (answered && !listed && !collided.contains(answer.machine))
                    targets[index].append({answer.machine, answer.serial()});
            }
            // Two terminals at one number would both take what is sent there: neither is set.
            for (const int machine : std::as_const(collided))
                printError(QCoreApplication::translate("cli", "%1：%2，没有设置").arg(scan.port.label(), collisionNote(machine)));
            std::sort(targets[index].begin(), targets[index].end(), [](const Target &a, const Target &b) { return a.number < b.number; });
        }
        if (StopSignals::stopAsked())
            return exitCodeOf(ResultStatus::Interrupted);
    }

    const ReportContext context{.port = QString(),
                                .profile = profilePath,
                                .logoFile = profile.logo ? profile.logoPath : QString(),
                                .logoHash = shortHash(profile.logo)};
    Rows rows(line.format(), context, &report);
    const QList<SiteTerminal> site = line.parser().isSet(onlyDifferingOption()) ? siteInventory(CommandHistory::read()) : QList<SiteTerminal>();
    // Terminals done in the report resumed, or by the records the same already, are passed over with a row
    // that says so.
    std::vector<std::unique_ptr<LineApply>> lines;
    QList<std::pair<TerminalRecord, bool /*done in the report*/>> passedOver;
    QStringList listed;
    int toChange = 0;
    for (qsizetype index = 0; index < ports.size(); ++index) {
        const QString port = ports.at(index).label();
        QList<Target> kept;
        QList<int> numbers;
        for (const Target &target : targets.at(index)) {
            const QStringList earlier = doneBefore.value({port, target.number});
            const bool done = resume && !earlier.isEmpty() && earlier.at(2) == fateWord(TerminalFate::Done);
            if (done || (!site.isEmpty() && recordedSame(site, port, target, profile))) {
                TerminalRecord record{.number = target.number,
                                      .fate = TerminalFate::Done,
                                      .serial = target.serial,
                                      .message = done ? QCoreApplication::translate("cli", "报告中已完成")
                                                      : QCoreApplication::translate("cli", "按记录已相同"),
                                      .time = QDateTime::currentDateTime(),
                                      .port = port};
                passedOver.append({record, done});
                continue;
            }
            kept.append(target);
            numbers << target.number;
        }
        if (!kept.isEmpty())
            listed << QCoreApplication::translate("cli", "  %1：机号 %2").arg(port, numberRuns(numbers));
        toChange += int(kept.size());
        lines.push_back(std::make_unique<LineApply>(ports.at(index), kept, profile, rows));
    }

    const auto busy = std::count_if(lines.cbegin(), lines.cend(), [](const auto &apply) { return !apply->empty(); });
    if (toChange > 0 && !line.parser().isSet(yesOption())) {
        printError(QCoreApplication::translate("cli", "将把%1发给 %2 个串口上的 %3 台考勤机：").arg(partsText(profile)).arg(busy).arg(toChange));
        for (const QString &text : std::as_const(listed))
            printError(text);
        OperatorAnswers answers;
        const OperatorAnswers::Answer answer = answers.ask(QCoreApplication::translate("cli", "按回车开始，q 取消"));
        if (answer != OperatorAnswers::Answer::Go)
            return line.fail({answer == OperatorAnswers::Answer::Stopped ? ResultStatus::Interrupted : ResultStatus::Incomplete,
                              QCoreApplication::translate("cli", "没有发送任何命令")});
    }

    // Rows only for a batch that goes ahead; a terminal done in the report has its row there already.
    for (const auto &[record, inReport] : std::as_const(passedOver)) {
        if (inReport) {
            rows.records.append(record);
            rows.show(record);
        } else {
            rows.add(record);
        }
    }

    QList<PortChoice> running;
    std::vector<std::unique_ptr<TerminalTask>> chains;
    std::vector<LineApply *> runningLines;
    for (const auto &apply : lines) {
        if (apply->empty())
            continue;
        running << apply->port();
        chains.push_back(apply->chain());
        runningLines.push_back(apply.get());
    }
    const QList<CommandRun> runs = runTerminalTasks(running, std::move(chains));
    for (size_t index = 0; index < runningLines.size(); ++index) {
        if (runningLines.at(index)->ended(runs.at(qsizetype(index)).result))
            lineFailed = true;
    }

    const QList<TerminalRecord> &records = rows.records;
    const bool anyFailed = std::any_of(records.cbegin(), records.cend(), [](const TerminalRecord &r) { return r.fate == TerminalFate::Failed; });
    const bool anyNotDone = std::any_of(records.cbegin(), records.cend(), [](const TerminalRecord &r) { return !r.done(); });
    ResultStatus status = ResultStatus::Ok;
    if (StopSignals::received())
        status = ResultStatus::Interrupted;
    else if (rows.reportProblem)
        status = rows.reportProblem->status;
    else if (lineFailed)
        status = ResultStatus::PortLost;
    else if (anyFailed)
        status = ResultStatus::NoReply;
    else if (records.isEmpty())
        status = ResultStatus::NoReply;  // the scan found nobody
    else if (anyNotDone)
        status = ResultStatus::Incomplete;
    const QString summary = records.isEmpty() ? QCoreApplication::translate("cli", "没有找到要设置的考勤机") : summaryLine(records, rows.rowLost);
    if (line.format() == OutputFormat::Json) {
        QStringList notDone;
        for (const TerminalRecord &record : records) {
            if (!record.done())
                notDone << QStringLiteral("%1:%2").arg(record.port).arg(record.number);
        }
        printJson(outcomeJson({.command = line.word(), .status = status, .message = summary, .notDone = notDone}));
    } else {
        printLine(summary);
    }
    return exitCodeOf(status);
}
