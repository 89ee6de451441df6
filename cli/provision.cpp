#include "provision.h"

#include "command_line.h"
#include "command_values.h"
#include "operator_answers.h"
#include "output_file.h"
#include "provision_profile.h"
#include "provision_report.h"
#include "status_messages.h"
#include "stop_signals.h"
#include "terminal_commands.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace {


QCommandLineOption numbersOption()
{
    return {QStringLiteral("numbers"), QCoreApplication::translate("cli", "要给的机号，如 1-20,25（必须给出；同一机号只能出现一次）"), QStringLiteral("LIST")};
}

QCommandLineOption reportOption()
{
    return {QStringLiteral("report"),
            QCoreApplication::translate("cli", "每个机号一行写入 CSV 报告；已有的本程序报告接着往下写，别的文件不碰"), QStringLiteral("FILE.csv")};
}

QCommandLineOption resumeOption()
{
    return {QStringLiteral("resume"), QCoreApplication::translate("cli", "跳过报告里已经完成的机号")};
}

struct Batch
{
    PortChoice port;
    quint8 factoryNumber = 18;
    ProvisionProfile profile;
};

// The report, kept whole in memory and written through a temporary file after every terminal, so a
// batch that stops anywhere leaves a complete file.
class ReportFile
{
public:
    explicit ReportFile(QString path) : m_path(std::move(path)) {}

    bool wanted() const { return !m_path.isEmpty(); }
    const QString &path() const { return m_path; }

    // Reads the report that is there (appended to only when it is this program's), or starts one.
    std::optional<Problem> open(const QStringList &inputs, ExistingReport *existing)
    {
        if (!wanted())
            return std::nullopt;
        if (const auto problem = outputTargetProblem(m_path, inputs, ExistingFile::Replace))
            return problem;
        QFile file(m_path);
        // An empty file (made beforehand with touch, say) is a report not begun yet.
        if (file.exists() && file.size() > 0) {
            if (!file.open(QIODevice::ReadOnly))
                return Problem{ResultStatus::FileError, fileSaveMessage(file.errorString(), m_path)};
            m_bytes = file.read(ReportSizeLimit + 1);
            if (m_bytes.size() > ReportSizeLimit)
                return Problem{ResultStatus::FileError,
                               fileSaveMessage(QCoreApplication::translate("cli", "报告太大（超过 %1 MB）：请换一个新的报告文件")
                                                   .arg(ReportSizeLimit / (1024 * 1024)),
                                               m_path)};
            auto report = readReport(m_bytes);
            if (const auto *why = std::get_if<QString>(&report))
                return Problem{ResultStatus::FileError, fileSaveMessage(*why, m_path)};
            *existing = std::get<ExistingReport>(std::move(report));
            // The power went while the last row was written: it says nothing sure, and the next row goes
            // in its place.
            if (!existing->cutRow.isEmpty())
                printError(QCoreApplication::translate("cli", "%1：最后一行没有写完，已略去：%2").arg(m_path, existing->cutRow));
            m_bytes.truncate(existing->wholeSize);
            return std::nullopt;
        }
        m_bytes = reportStart();
        return save();
    }

    std::optional<Problem> append(const QByteArray &row)
    {
        if (!wanted())
            return std::nullopt;
        m_bytes += row;
        return save();
    }

private:
    std::optional<Problem> save() { return saveOutputFile(m_path, m_bytes); }

    QString m_path;
    QByteArray m_bytes;
};

class ProvisionRun
{
public:
    ProvisionRun(Batch batch, ReportContext context, OutputFormat format)
        : m_batch(std::move(batch)), m_context(std::move(context)), m_format(format)
    {
    }

    void knowSerials(const QHash<QString, QString> &serials) { m_knownSerials = serials; }

    TerminalRecord setUp(quint8 number);
    void print(const TerminalRecord &record) const;

    // The number of the last terminal set up in this run, to tell "still connected" from "nothing there".
    std::optional<quint8> lastDone;

private:
    Outcome runStep(int index, quint8 number, TerminalRecord &record);
    QString checkFailure(const Outcome &outcome) const;

    Batch m_batch;
    ReportContext m_context;
    OutputFormat m_format;
    QHash<QString, QString> m_knownSerials;  // serial -> the number it was given
};

CommandInputs stepInputs(TerminalCommand command, quint8 number, const ProvisionProfile &profile)
{
    CommandInputs inputs{.machineNumber = number};
    if (command == TerminalCommand::Settings) {
        inputs.settings = profile.settings;
        inputs.delay = profile.delay;
    }
    if (command == TerminalCommand::DownloadLogo && profile.logo)
        inputs.picture = *profile.logo;
    return inputs;
}

Outcome ProvisionRun::runStep(int index, quint8 number, TerminalRecord &record)
{
    const ProvisionStep &step = ProvisionSteps[index];
    // Only the check goes to the factory number; renumbering goes to every terminal on the line and
    // everything after it to the new number.
    const quint8 address = index == CheckStep ? m_batch.factoryNumber : number;
    const Outcome outcome = runOnTerminal(commandRow(step.command), m_batch.port, stepInputs(step.command, address, m_batch.profile));
    record.steps[index] = outcome.status;
    if (step.command == TerminalCommand::DownloadLogo)
        record.linesConfirmed = outcome.linesConfirmed;
    return outcome;
}

QString ProvisionRun::checkFailure(const Outcome &outcome) const
{
    if (outcome.status != ResultStatus::NoReply)
        return outcome.message;
    if (lastDone) {
        const Outcome last = runOnTerminal(commandRow(TerminalCommand::ReadSerial), m_batch.port,
                                           CommandInputs{.machineNumber = *lastDone});
        if (last.ok())
            return QCoreApplication::translate("cli", "上一台考勤机（机号 %1）还接在线上：换上新的考勤机后按回车").arg(*lastDone);
    }
    return QCoreApplication::translate("cli", "没有 %1 号考勤机回答：接上新的考勤机后按回车").arg(m_batch.factoryNumber);
}

TerminalRecord ProvisionRun::setUp(quint8 number)
{
    TerminalRecord record{.number = number, .fate = TerminalFate::Done, .time = QDateTime::currentDateTime()};
    QElapsedTimer elapsed;
    elapsed.start();
    const auto fail = [&](int index, ResultStatus status, const QString &message) {
        record.failedStep = index;
        record.status = status;
        record.fate = status == ResultStatus::Interrupted ? TerminalFate::Interrupted : TerminalFate::Failed;
        record.message = message;
        record.elapsedMs = elapsed.elapsed();
        return record;
    };
    for (int index = 0; index < ProvisionStepCount; ++index) {
        if (ProvisionSteps[index].command == TerminalCommand::DownloadLogo && !m_batch.profile.logo)
            continue;
        // A stop between two steps leaves the terminal as the last confirmed step left it.
        if (StopSignals::received())
            return fail(index, ResultStatus::Interrupted, StatusText::Interrupted.toString());
        const Outcome outcome = runStep(index, number, record);
        if (!outcome.ok())
            return fail(index, outcome.status, index == CheckStep ? checkFailure(outcome) : outcome.message);
        const QString serial = outcome.serial.value_or(QString());
        if (index == CheckStep) {
            record.serial = serial;
            // A factory-fresh serial of zeros is shared by many terminals; any other is one unit's.
            if (serial != u"000000" && m_knownSerials.contains(serial))
                return fail(index, ResultStatus::DuplicateSerial,
                            QCoreApplication::translate("cli", "序列号 %1 已设置过（机号 %2）").arg(serial, m_knownSerials.value(serial)));
        } else if (ProvisionSteps[index].command == TerminalCommand::ReadSerial && serial != record.serial) {
            return fail(index, ResultStatus::WrongReply,
                        QCoreApplication::translate("cli", "机号 %1 读到的序列号 %2 不是出厂机号读到的 %3").arg(number).arg(serial, record.serial));
        }
    }
    record.elapsedMs = elapsed.elapsed();
    record.message = StatusText::SettingSucceeded.toString();
    m_knownSerials.insert(record.serial, QString::number(number));
    lastDone = number;
    return record;
}

Outcome recordOutcome(const TerminalRecord &record, const ReportContext &context)
{
    Outcome outcome{.command = QStringLiteral("provision"),
                    .status = record.status,
                    .message = record.message,
                    .port = context.port,
                    .machine = record.number,
                    .linesConfirmed = record.linesConfirmed,
                    .elapsedMs = record.elapsedMs};
    if (!record.serial.isEmpty())
        outcome.serial = record.serial;
    if (record.failedStep >= 0)
        outcome.step = ProvisionSteps[record.failedStep].name.toString();
    return outcome;
}

void ProvisionRun::print(const TerminalRecord &record) const
{
    if (m_format == OutputFormat::Json)
        printJson(outcomeJson(recordOutcome(record, m_context)));
    else
        printLine(recordLine(record));
}

// "共 4 台：完成 1 台；失败 1 台（2）；没轮到 2 台（3, 4）"
QString summaryLine(const QList<TerminalRecord> &records)
{
    const std::pair<TerminalFate, const char *> kinds[] = {
        {TerminalFate::Failed, QT_TRANSLATE_NOOP("cli", "失败 %1 台（%2）")},
        {TerminalFate::Interrupted, QT_TRANSLATE_NOOP("cli", "中断 %1 台（%2）")},
        {TerminalFate::Skipped, QT_TRANSLATE_NOOP("cli", "跳过 %1 台（%2）")},
        {TerminalFate::NotReached, QT_TRANSLATE_NOOP("cli", "没轮到 %1 台（%2）")},
    };
    const qsizetype done = std::count_if(records.begin(), records.end(), [](const TerminalRecord &r) { return r.done(); });
    if (done == records.size())
        return QCoreApplication::translate("cli", "共 %1 台，全部完成").arg(records.size());
    QStringList parts{QCoreApplication::translate("cli", "完成 %1 台").arg(done)};
    for (const auto &[fate, text] : kinds) {
        QStringList numbers;
        for (const TerminalRecord &record : records) {
            if (record.fate == fate)
                numbers << QString::number(record.number);
        }
        if (!numbers.isEmpty())
            parts << QCoreApplication::translate("cli", text).arg(numbers.size()).arg(numbers.join(QStringLiteral(", ")));
    }
    return QCoreApplication::translate("cli", "共 %1 台：%2").arg(records.size()).arg(parts.join(QCoreApplication::translate("cli", "；")));
}

// 0 only when every number is done; a stop signal gives the signal's code, else the first failure's,
// else (numbers skipped or not reached) ExitCode::Incomplete.
ResultStatus batchStatus(const QList<TerminalRecord> &records)
{
    // A stop signal while the batch waited for an answer interrupts the batch, though no terminal.
    if (StopSignals::received())
        return ResultStatus::Interrupted;
    ResultStatus status = ResultStatus::Ok;
    for (const TerminalRecord &record : records) {
        if (record.fate == TerminalFate::Interrupted)
            return ResultStatus::Interrupted;
        if (status == ResultStatus::Ok && record.fate == TerminalFate::Failed)
            status = record.status;
    }
    if (status == ResultStatus::Ok
        && std::any_of(records.begin(), records.end(), [](const TerminalRecord &r) { return !r.done(); }))
        return ResultStatus::Incomplete;
    return status;
}

QString shortHash(const std::optional<LogoPicture> &logo)
{
    if (!logo)
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(logo->bytes, QCryptographicHash::Sha256).toHex().left(12));
}

} // namespace

QString provisionSummary()
{
    return QCoreApplication::translate("cli", "成批设置：每台先用出厂机号读序列号，再改号、设置、下载图片，最后用新机号读序列号确认");
}

QList<QCommandLineOption> provisionOptions()
{
    return {numbersOption(), reportOption(), resumeOption()};
}

int runProvision(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("provision"), QStringLiteral("PROFILE --numbers LIST"), 1, provisionSummary(), PortUse::Terminal);
    line.addOptions(provisionOptions());
    // Everything is checked, and the report opened, before the first terminal is touched.
    const auto common = line.parseForTerminal(arguments);
    if (const int *exitCode = std::get_if<int>(&common))
        return *exitCode;
    if (!line.parser().isSet(numbersOption()))
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "provision 需要 --numbers，如 --numbers 1-20")});
    const QString numbersText = line.parser().value(numbersOption());
    const auto numbers = machineNumbersFromText(numbersText);
    if (!numbers)
        return line.fail({ResultStatus::BadInput, StatusText::withDetail(StatusText::BadMachineNumber.toString(),
                                                                         QStringLiteral("--numbers ") + numbersText)});
    const QString profilePath = line.positional().at(0);
    auto profile = readProvisionProfile(profilePath);
    if (const auto *problem = std::get_if<Problem>(&profile))
        return line.fail(*problem);
    const bool resume = line.parser().isSet(resumeOption());
    ReportFile report(line.parser().value(reportOption()));
    if (resume && !report.wanted())
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "--resume 需要 --report FILE.csv")});

    auto &chosen = std::get<ProvisionProfile>(profile);
    const CommonOptions &options = std::get<CommonOptions>(common);
    const quint8 factory = options.machineGiven ? options.machine : chosen.factoryNumber.value_or(options.machine);
    const QString logoPath = chosen.logo ? QFileInfo(profilePath).dir().filePath(chosen.logoPath) : QString();
    ExistingReport existing;
    if (const auto problem = report.open(QStringList{profilePath, logoPath}, &existing))
        return line.fail(*problem);

    const ReportContext context{.port = options.port.deviceName.isEmpty() ? QString::number(options.port.number) : options.port.deviceName,
                                .profile = profilePath,
                                .logoFile = chosen.logo ? chosen.logoPath : QString(),
                                .logoHash = shortHash(chosen.logo)};
    ProvisionRun run(Batch{options.port, factory, std::move(chosen)}, context, line.format());
    run.knowSerials(existing.doneSerials());
    const QStringList doneBefore = resume ? existing.doneNumbers() : QStringList();

    QList<TerminalRecord> records;
    OperatorAnswers answers;
    using Answer = OperatorAnswers::Answer;
    bool ended = false;
    std::optional<Problem> reportProblem;
    for (const quint8 number : *numbers) {
        TerminalRecord record{.number = number, .status = ResultStatus::NotReached, .time = QDateTime::currentDateTime()};
        if (doneBefore.contains(QString::number(number))) {
            record.fate = TerminalFate::Done;
            record.status = ResultStatus::Ok;
            record.message = QCoreApplication::translate("cli", "报告中已完成");
            run.print(record);
            records.append(record);
            continue;
        }
        QString question = QCoreApplication::translate("cli", "接上第 %1 台考勤机（机号 %2）后按回车，s 跳过，q 结束").arg(number).arg(factory);
        while (!ended) {
            const Answer answer = answers.ask(question);
            if (answer == Answer::Skip && record.fate == TerminalFate::NotReached) {
                record.fate = TerminalFate::Skipped;
                record.status = ResultStatus::Skipped;
                record.message = QCoreApplication::translate("cli", "跳过");
            }
            if (answer == Answer::Quit || answer == Answer::Ended || answer == Answer::Stopped)
                ended = true;
            if (answer != Answer::Go)
                break;
            record = run.setUp(number);
            run.print(record);
            if (record.done() || record.fate == TerminalFate::Interrupted) {
                ended = ended || record.fate == TerminalFate::Interrupted;
                break;
            }
            question = record.failedStep == CheckStep && record.status == ResultStatus::NoReply
                           ? record.message + QCoreApplication::translate("cli", "（s 跳过，q 结束）")
                           : QCoreApplication::translate("cli", "第 %1 台失败：按回车重试，s 跳过，q 结束").arg(number);
        }
        if (record.fate == TerminalFate::Skipped || (ended && record.fate == TerminalFate::NotReached))
            run.print(record);
        records.append(record);
        if (reportProblem)
            continue;
        if (const auto problem = report.append(reportRow(record, context))) {
            reportProblem = problem;
            ended = true;
        }
    }

    const ResultStatus status = reportProblem ? reportProblem->status : batchStatus(records);
    QStringList notDone;
    for (const TerminalRecord &record : records) {
        if (!record.done())
            notDone << QString::number(record.number);
    }
    const QString summary = reportProblem ? reportProblem->message : summaryLine(records);
    if (line.format() == OutputFormat::Json) {
        printJson(outcomeJson({.command = line.word(),
                               .status = status,
                               .message = summary,
                               .port = context.port,
                               .notDone = notDone}));
    } else if (reportProblem) {
        printLine(summaryLine(records));
        printError(summary);
    } else {
        printLine(summary);
    }
    return exitCodeOf(status);
}
