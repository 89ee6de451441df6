#include "provision.h"

#include "batch_report.h"
#include "command_history.h"
#include "command_line.h"
#include "command_runner.h"
#include "command_values.h"
#include "machine_scan.h"
#include "operator_answers.h"
#include "progress_bar.h"
#include "provision_profile.h"
#include "provision_report.h"
#include "remembered_choices.h"
#include "status_messages.h"
#include "stop_signals.h"
#include "terminal_commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>

#include <numeric>

namespace {


QCommandLineOption numbersOption()
{
    return {QStringLiteral("numbers"), QCoreApplication::translate("cli", "要给的机号，如 1-20,25（必须给出；同一机号只能出现一次）"), QStringLiteral("LIST")};
}

QCommandLineOption scanTimeoutOption()
{
    return {QStringLiteral("scan-timeout"),
            QCoreApplication::translate("cli", "第一次按回车时查一遍整条线，每个机号先等回答的毫秒数，从问题发完算起（默认 %1）").arg(DefaultScanWait.count()),
            QStringLiteral("MS"), QString::number(DefaultScanWait.count())};
}

struct Batch
{
    PortChoice port;
    quint8 factoryNumber = 18;
    ProvisionProfile profile;
    std::chrono::milliseconds scanWait = DefaultScanWait;
};

// A terminal that answered the short question of a scan.
struct LineAnswer
{
    int machine = 0;
    QString serial;
};

// Asks each of `numbers` for its serial number with the scan's short wait, a run of neighbouring numbers
// at a time; the terminals that answered. A port that cannot be used, or a stop, is a problem: then
// nobody can say the numbers are free. Each run is in the history as a scan is, frames sent being frames
// sent.
std::variant<QList<LineAnswer>, Problem> askNumbers(const PortChoice &port, QList<int> numbers, std::chrono::milliseconds wait,
                                                    bool showProgress = false)
{
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QList<LineAnswer> answered;
    for (qsizetype first = 0; first < numbers.size();) {
        qsizetype last = first;
        while (last + 1 < numbers.size() && numbers.at(last + 1) == numbers.at(last) + 1)
            ++last;
        const MachineRange range{numbers.at(first), numbers.at(last)};
        std::optional<ProgressBar> bar;
        if (showProgress)
            bar.emplace(range.count());
        QList<ScanAnswer> heard;
        int lastAsked = 0;
        auto task = std::make_unique<MachineScanTask>(
            range, wait,
            [&answered, &heard](const ScanAnswer &answer) {
                heard.append(answer);
                // Bytes that are nobody's answer are no terminal; a late answer is one, and so is a second
                // terminal answering a number already heard.
                if (answer.kind != ScanAnswer::Kind::Wrong)
                    answered.append({answer.machine, answer.serial()});
            },
            [&bar, &lastAsked](int asked, int) {
                lastAsked = asked;
                if (bar)
                    bar->show(asked);
            });
        const CommandRun run = runTerminalTask(port, std::move(task));
        bar.reset();
        if (const auto problem = CommandHistory::appendScan(port, range, lastAsked, outcomeWord(run.result.status), heard))
            printError(*problem);
        switch (run.result.status) {
        case CommandStatus::PortOpenFailed:
        case CommandStatus::PortLost:
        case CommandStatus::Interrupted:
            return Problem{resultStatusOf(run.result.status), run.result.message};
        default:
            break;
        }
        first = last + 1;
    }
    return answered;
}

QList<int> allMachineNumbers()
{
    QList<int> numbers(256);
    std::iota(numbers.begin(), numbers.end(), 0);
    return numbers;
}

// "机号 5（序列号 0A0001）、机号 7（序列号 0A0002）"
QString answersText(const QList<LineAnswer> &answers)
{
    QStringList named;
    for (const LineAnswer &answer : answers)
        named << QCoreApplication::translate("cli", "机号 %1（序列号 %2）").arg(answer.machine).arg(answer.serial);
    return named.join(QCoreApplication::translate("cli", "、"));
}

class ProvisionRun
{
public:
    ProvisionRun(Batch batch, ReportContext context, OutputFormat format)
        : m_batch(std::move(batch)), m_context(std::move(context)), m_format(format)
    {
    }

    void knowSerials(const QHash<QString, QString> &serials) { m_knownSerials = serials; }
    void knowGiven(int number)
    {
        if (!m_given.contains(number))
            m_given.append(number);
    }
    std::chrono::milliseconds scanWait() const { return m_batch.scanWait; }

    // One attempt at the terminal for `earlier.number`, carrying on from what earlier attempts left: a
    // unit that was given its number is asked there first and finished from its first step not confirmed.
    TerminalRecord setUp(TerminalRecord earlier);
    void print(const TerminalRecord &record) const;

    // The number of the last terminal set up in this run, to tell "still connected" from "nothing there".
    std::optional<quint8> lastDone;

private:
    Outcome runStep(int index, quint8 number, TerminalRecord &record);
    QString checkFailure(const Outcome &outcome) const;
    std::optional<Problem> numbersTaken(quint8 number) const;

    QList<int> m_given;  // the numbers terminals took in this run, or in the attempts it resumes

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
    CommandInputs inputs = stepInputs(step.command, address, m_batch.profile);
    // What is sent to the unit the check read joins it in the history; a read keeps the serial it reads.
    if (step.command != TerminalCommand::ReadSerial)
        inputs.knownSerial = record.serial;
    const Outcome outcome = runOnTerminal(commandRow(step.command), m_batch.port, inputs);
    // A step an earlier attempt saw confirmed stays confirmed: the terminal still holds it.
    if (record.steps[index] != ResultStatus::Ok)
        record.steps[index] = outcome.status;
    // Lines are sent again from the first; the terminal holds as many as any attempt had confirmed.
    if (step.command == TerminalCommand::DownloadLogo && outcome.linesConfirmed)
        record.linesConfirmed = std::max(record.linesConfirmed.value_or(0), *outcome.linesConfirmed);
    return outcome;
}

// Renumbering goes to every terminal on the line: a terminal that answers at the new number, or at a
// number this run has given, would take the new number too.
std::optional<Problem> ProvisionRun::numbersTaken(quint8 number) const
{
    QList<int> numbers = m_given;
    numbers << number;
    // The new terminal itself answers at the factory number.
    numbers.removeAll(m_batch.factoryNumber);
    // A few numbers only: a wait shortened for the whole line's scan is not shortened here.
    const auto answers = askNumbers(m_batch.port, numbers, std::max(m_batch.scanWait, DefaultScanWait));
    if (const auto *problem = std::get_if<Problem>(&answers))
        return *problem;
    const auto &answered = std::get<QList<LineAnswer>>(answers);
    if (answered.isEmpty())
        return std::nullopt;
    return Problem{ResultStatus::NumberTaken,
                   QCoreApplication::translate("cli", "机号 %1 已有考勤机回答：先取下已设置好的考勤机").arg(answered.front().machine)};
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

TerminalRecord ProvisionRun::setUp(TerminalRecord earlier)
{
    TerminalRecord record = std::move(earlier);
    const quint8 number = quint8(record.number);
    record.fate = TerminalFate::Done;
    record.failedStep = -1;
    record.status = ResultStatus::Ok;
    record.message.clear();
    record.time = QDateTime::currentDateTime();
    record.tried = true;
    QElapsedTimer elapsed;
    elapsed.start();
    const auto fail = [&](int index, ResultStatus status, const QString &message) {
        record.failedStep = index;
        record.status = status;
        record.fate = status == ResultStatus::Interrupted ? TerminalFate::Interrupted : TerminalFate::Failed;
        const QString held = heldText(record);
        record.message = held.isEmpty() ? message : StatusText::withDetail(message, held);
        record.elapsedMs = elapsed.elapsed();
        if (record.steps[RenumberStep] == ResultStatus::Ok)
            knowGiven(number);
        return record;
    };
    const auto forgetUnit = [&record] {
        record.serial.clear();
        record.linesConfirmed.reset();
        for (auto &step : record.steps)
            step.reset();
    };

    int from = CheckStep;
    // A unit an earlier attempt has read is asked first at the number it was to be given: if it has it,
    // the renumber is done and the steps not confirmed follow; otherwise it is checked at the factory
    // number again.
    if (!record.serial.isEmpty() && number != m_batch.factoryNumber) {
        if (StopSignals::received())
            return fail(CheckStep, ResultStatus::Interrupted, StatusText::Interrupted.toString());
        const Outcome there = runOnTerminal(commandRow(TerminalCommand::ReadSerial), m_batch.port, CommandInputs{.machineNumber = number});
        // Only silence there sends the question on to the factory number; a port that failed or an
        // answer that is nobody's says nothing of where the unit is.
        if (!there.ok() && there.status != ResultStatus::NoReply)
            return fail(CheckStep, there.status, there.message);
        if (there.ok() && there.serial != record.serial)
            return fail(RenumberStep, ResultStatus::NumberTaken,
                        QCoreApplication::translate("cli", "机号 %1 已有考勤机回答：先取下已设置好的考勤机").arg(number));
        if (there.ok()) {
            record.steps[RenumberStep] = ResultStatus::Ok;
            from = RenumberStep + 1;
        } else if (record.steps[RenumberStep] == ResultStatus::Ok) {
            // The unit that took the number is gone: whatever answers at the factory number is another.
            forgetUnit();
        }
    }
    for (int index = from; index < ProvisionStepCount; ++index) {
        if (ProvisionSteps[index].command == TerminalCommand::DownloadLogo && !m_batch.profile.logo)
            continue;
        // Only the steps that change the terminal are left out once confirmed; the reads always run.
        if (ProvisionSteps[index].command != TerminalCommand::ReadSerial && record.steps[index] == ResultStatus::Ok)
            continue;
        // A stop between two steps leaves the terminal as the last confirmed step left it.
        if (StopSignals::received())
            return fail(index, ResultStatus::Interrupted, StatusText::Interrupted.toString());
        if (index == RenumberStep) {
            if (const auto taken = numbersTaken(number))
                return fail(index, taken->status, taken->message);
        }
        const QString before = record.serial;
        const Outcome outcome = runStep(index, number, record);
        if (!outcome.ok())
            return fail(index, outcome.status, index == CheckStep ? checkFailure(outcome) : outcome.message);
        const QString serial = outcome.serial.value_or(QString());
        if (index == CheckStep) {
            // Another unit than the one an earlier attempt began: nothing of that one is on this one.
            if (!before.isEmpty() && serial != before) {
                forgetUnit();
                record.steps[CheckStep] = ResultStatus::Ok;
            }
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
    knowGiven(number);
    return record;
}

void ProvisionRun::print(const TerminalRecord &record) const
{
    if (m_format == OutputFormat::Json)
        printJson(outcomeJson(recordOutcome(record, m_context, QStringLiteral("provision"))));
    else
        printLine(recordLine(record));
}

// 0 only when every number is done; a stop signal gives the signal's code, else the first failure's,
// else the first unit turned away (exit 6 as well), else (numbers skipped or not reached) Incomplete.
ResultStatus batchStatus(const QList<TerminalRecord> &records)
{
    // A stop signal while the batch waited for an answer interrupts the batch, though no terminal.
    if (StopSignals::received())
        return ResultStatus::Interrupted;
    ResultStatus status = ResultStatus::Ok;
    std::optional<ResultStatus> turnedAwayStatus;
    for (const TerminalRecord &record : records) {
        if (record.fate == TerminalFate::Interrupted)
            return ResultStatus::Interrupted;
        if (turnedAway(record)) {
            if (!turnedAwayStatus)
                turnedAwayStatus = record.status;
        } else if (status == ResultStatus::Ok && record.fate == TerminalFate::Failed) {
            status = record.status;
        }
    }
    if (status == ResultStatus::Ok && turnedAwayStatus)
        return *turnedAwayStatus;
    if (status == ResultStatus::Ok
        && std::any_of(records.begin(), records.end(), [](const TerminalRecord &r) { return !r.done(); }))
        return ResultStatus::Incomplete;
    return status;
}

} // namespace

QString provisionSummary()
{
    return QCoreApplication::translate("cli", "成批设置：每台先用出厂机号读序列号，再改号、设置、下载图片，最后用新机号读序列号确认");
}

QList<QCommandLineOption> provisionOptions()
{
    return {numbersOption(), reportOption(), resumeOption(), allowBlankOption(), scanTimeoutOption()};
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
    int repeated = -1;
    const auto numbers = machineNumbersFromText(numbersText, &repeated);
    if (!numbers) {
        const QString given = QStringLiteral("--numbers ") + numbersText;
        // A list that names a number twice is read, only the repetition is wrong: say which.
        return line.fail({ResultStatus::BadInput,
                          StatusText::withDetail(StatusText::BadMachineNumber.toString(),
                                                 repeated < 0 ? given
                                                              : QCoreApplication::translate("cli", "%1：机号 %2 重复").arg(given).arg(repeated))});
    }
    const QString profilePath = line.positional().at(0);
    auto profile = readProvisionProfile(profilePath);
    if (const auto *problem = std::get_if<Problem>(&profile))
        return line.fail(*problem);
    const bool resume = line.parser().isSet(resumeOption());
    ReportFile report(line.parser().value(reportOption()));
    if (resume && !report.wanted())
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "--resume 需要 --report FILE.csv")});

    const QString scanTimeoutText = line.parser().value(scanTimeoutOption());
    const auto scanTimeoutMs = wholeNumber(scanTimeoutText, 1, 10000);
    if (!scanTimeoutMs)
        return line.fail({ResultStatus::BadInput,
                          StatusText::withDetail(QCoreApplication::translate("cli", "等待时间错误！（1-10000 毫秒）"),
                                                 QStringLiteral("--scan-timeout ") + scanTimeoutText)});

    auto &chosen = std::get<ProvisionProfile>(profile);
    if (const auto blank = chosen.logo ? blankLogoProblem(line.parser(), chosen.logo->bytes, chosen.logoPath) : std::nullopt)
        return line.fail(*blank);
    const CommonOptions &options = std::get<CommonOptions>(common);
    const quint8 factory = options.machineGiven ? options.machine : chosen.factoryNumber.value_or(options.machine);
    const QString logoPath = chosen.logo ? QFileInfo(profilePath).dir().filePath(chosen.logoPath) : QString();
    ExistingReport existing;
    if (const auto problem = report.open(QStringList{profilePath, logoPath}, &existing))
        return line.fail(*problem);

    const ReportContext context{.port = options.port.label(),
                                .profile = profilePath,
                                .logoFile = chosen.logo ? chosen.logoPath : QString(),
                                .logoHash = shortHash(chosen.logo)};
    ProvisionRun run(Batch{options.port, factory, std::move(chosen), std::chrono::milliseconds(*scanTimeoutMs)}, context, line.format());
    run.knowSerials(existing.doneSerials());
    const QStringList doneBefore = resume ? existing.doneNumbers() : QStringList();
    // A resumed number that failed or was interrupted is finished where its unit stands.
    QHash<int, TerminalRecord> earlier;
    if (resume) {
        for (const quint8 number : *numbers) {
            if (doneBefore.contains(QString::number(number)))
                continue;
            if (auto record = existing.lastAttempt(number, context.logoHash)) {
                earlier.insert(number, *record);
                // A unit left at its new number is on the line, and must not take another's.
                if (record->steps[RenumberStep] == ResultStatus::Ok)
                    run.knowGiven(number);
            }
        }
    }

    // A renumber reaches every terminal on the line: one that is already set up would be renumbered with
    // the new one. So before anything is sent, the whole line is scanned once (when the operator first
    // says a terminal is connected); only a unit this batch left half set up may answer at its own number.
    bool lineScanned = false;
    const auto scanLine = [&]() -> std::optional<Problem> {
        const auto scanned = askNumbers(options.port, allMachineNumbers(), run.scanWait(), line.format() == OutputFormat::Text);
        if (const auto *problem = std::get_if<Problem>(&scanned))
            return *problem;
        lineScanned = true;
        const auto &found = std::get<QList<LineAnswer>>(scanned);
        RememberedChoices().noteTerminalsFound(options.port.line, int(found.size()), true);
        QList<LineAnswer> setUpAlready;
        for (const LineAnswer &answer : found) {
            const auto half = earlier.constFind(answer.machine);
            if (answer.machine != factory && !(half != earlier.cend() && half->serial == answer.serial))
                setUpAlready << answer;
        }
        if (setUpAlready.isEmpty())
            return std::nullopt;
        return Problem{ResultStatus::NumberTaken,
                       QCoreApplication::translate("cli", "线上已有设置好的考勤机：%1。先取下它们再成批设置").arg(answersText(setUpAlready))};
    };
    QList<TerminalRecord> records;
    OperatorAnswers answers;
    using Answer = OperatorAnswers::Answer;
    bool ended = false;
    std::optional<Problem> reportProblem;
    std::optional<QString> rowLost;
    for (const quint8 number : *numbers) {
        TerminalRecord record{.number = number, .status = ResultStatus::NotReached, .time = QDateTime::currentDateTime()};
        if (doneBefore.contains(QString::number(number))) {
            record.fate = TerminalFate::Done;
            record.status = ResultStatus::Ok;
            record.serial = existing.serialOf(number);
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
            if (!lineScanned) {
                if (const auto problem = scanLine()) {
                    // Set-up terminals on the line end the batch; a port that could not be used, or a stop,
                    // is as a check that could not reach the terminal.
                    const bool interrupted = problem->status == ResultStatus::Interrupted;
                    record.fate = interrupted ? TerminalFate::Interrupted : TerminalFate::Failed;
                    record.failedStep = CheckStep;
                    record.status = problem->status;
                    record.message = problem->message;
                    if (record.steps[CheckStep] != ResultStatus::Ok)
                        record.steps[CheckStep] = problem->status;
                    run.print(record);
                    if (interrupted || problem->status == ResultStatus::NumberTaken) {
                        ended = true;
                        break;
                    }
                    question = QCoreApplication::translate("cli", "第 %1 台失败：按回车重试，s 跳过，q 结束").arg(number);
                    continue;
                }
            }
            record = run.setUp(record.fate == TerminalFate::NotReached ? earlier.value(number, record) : record);
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
            // Said now, while the operator still has the unit in hand: its record is not on the disk.
            printError(QCoreApplication::translate("cli", "机号 %1（序列号 %2）的一行没有写进报告：%3")
                           .arg(record.number)
                           .arg(record.serial.isEmpty() ? QStringLiteral("------") : record.serial, problem->message));
            reportProblem = problem;
            rowLost = QString::number(record.number);
            ended = true;
        }
    }

    const ResultStatus status = reportProblem ? reportProblem->status : batchStatus(records);
    QStringList notDone;
    for (const TerminalRecord &record : records) {
        if (!record.done())
            notDone << QString::number(record.number);
    }
    const QString summary = reportProblem ? reportProblem->message : summaryLine(records, rowLost);
    if (line.format() == OutputFormat::Json) {
        printJson(outcomeJson({.command = line.word(),
                               .status = status,
                               .message = summary,
                               .port = context.port,
                               .notDone = notDone}));
    } else {
        // A report that could not grow was said when its row was lost; the summary names that row.
        printLine(summaryLine(records, rowLost));
    }
    return exitCodeOf(status);
}
