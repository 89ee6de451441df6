#include "provision.h"

#include "command_line.h"
#include "provision_profile.h"
#include "provision_report.h"
#include "status_messages.h"
#include "terminal_commands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>

#include <iostream>
#include <string>
#include <unistd.h>

namespace {

// The operator's answers, a line each. At a terminal they are asked for; from a pipe or a file they are
// read as they come, and once there are none left every terminal is run without asking and a failed one
// is passed over.
class Answers
{
public:
    enum class Answer {
        Go,     // Enter
        Skip,   // s
        Quit,   // q
    };

    Answers() : m_asking(::isatty(STDIN_FILENO) == 1) {}

    // The answer to `question`; `whenNoneLeft` once the input has ended.
    Answer ask(const QString &question, Answer whenNoneLeft)
    {
        if (m_ended)
            return whenNoneLeft;
        if (m_asking) {
            const QByteArray prompt = question.toUtf8() + ' ';
            std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stderr);
            std::fflush(stderr);
        }
        std::string line;
        if (!std::getline(std::cin, line)) {
            m_ended = true;
            return whenNoneLeft;
        }
        const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
        if (answer == QStringLiteral("q"))
            return Answer::Quit;
        if (answer == QStringLiteral("s"))
            return Answer::Skip;
        return Answer::Go;
    }

private:
    bool m_asking;
    bool m_ended = false;
};

struct Batch
{
    PortChoice port;
    quint8 factoryNumber = 18;
    ProvisionProfile profile;
};

CommandInputs stepInputs(TerminalCommand step, quint8 number, const ProvisionProfile &profile)
{
    // The new number is what renumbering sends; every later step addresses the terminal by it.
    CommandInputs inputs{.machineNumber = number};
    if (step == TerminalCommand::Settings) {
        inputs.settings = profile.settings;
        inputs.delay = profile.delay;
    }
    if (step == TerminalCommand::DownloadLogo && profile.logo)
        inputs.picture = *profile.logo;
    return inputs;
}

TerminalRecord provisionTerminal(const Batch &batch, quint8 number)
{
    TerminalRecord record{.number = number};
    QElapsedTimer elapsed;
    elapsed.start();
    for (int index = 0; index < ProvisionStepCount; ++index) {
        const TerminalCommand step = ProvisionSteps[index];
        if (step == TerminalCommand::DownloadLogo && !batch.profile.logo)
            continue;
        const Outcome outcome = runOnTerminal(commandRow(step), batch.port, stepInputs(step, number, batch.profile));
        record.steps[index] = outcome.status;
        if (step == TerminalCommand::ReadSerial && outcome.serial)
            record.serial = *outcome.serial;
        if (!outcome.ok()) {
            record.failedStep = index;
            record.failure = outcome.message;
            break;
        }
    }
    record.elapsedMs = elapsed.elapsed();
    return record;
}

QJsonObject recordJson(const TerminalRecord &record)
{
    QJsonObject steps;
    for (int index = 0; index < ProvisionStepCount; ++index) {
        if (record.steps[index])
            steps.insert(commandRow(ProvisionSteps[index]).name.toString(), statusWord(*record.steps[index]));
    }
    return {{QStringLiteral("command"), QStringLiteral("provision")},
            {QStringLiteral("ok"), record.ok()},
            {QStringLiteral("status"), statusWord(record.status())},
            {QStringLiteral("message"), record.ok() ? StatusText::SettingSucceeded.toString() : record.failure},
            {QStringLiteral("serial"), record.serial},
            {QStringLiteral("machine"), record.number},
            {QStringLiteral("elapsed_ms"), record.elapsedMs},
            {QStringLiteral("steps"), steps}};
}

bool writeReport(const QString &path, const QList<TerminalRecord> &records)
{
    if (path.isEmpty())
        return true;
    const QByteArray csv = reportCsv(records);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit();
}

QString summaryLine(const QList<TerminalRecord> &records)
{
    QStringList failed;
    for (const TerminalRecord &record : records) {
        if (!record.ok())
            failed << QString::number(record.number);
    }
    const qsizetype done = records.size() - failed.size();
    if (failed.isEmpty())
        return QCoreApplication::translate("cli", "共 %1 台，全部成功").arg(records.size());
    return QCoreApplication::translate("cli", "共 %1 台：成功 %2 台，失败 %3 台（%4）")
        .arg(records.size())
        .arg(done)
        .arg(failed.size())
        .arg(failed.join(QStringLiteral(", ")));
}

} // namespace

int runProvision(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("provision"), QStringLiteral("PROFILE"), 1,
                     QCoreApplication::translate("cli", "成批设置：每台接上后改号、设置、下载图片，再用新机号读序列号确认。"
                                                        "标准输入不是终端时按来的行回答，读完后不再询问，失败的跳过"),
                     PortUse::Terminal);
    const QCommandLineOption numbersOption(QStringLiteral("numbers"),
                                           QCoreApplication::translate("cli", "要给的机号，如 1-20,25（默认 1-255）"),
                                           QStringLiteral("LIST"), QStringLiteral("1-255"));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QCoreApplication::translate("cli", "每台一行写入 CSV 报告"),
                                          QStringLiteral("FILE.csv"));
    line.addOption(numbersOption);
    line.addOption(reportOption);
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;

    // Everything is checked, and the report file tried, before the first terminal is touched.
    const auto common = line.common();
    if (const auto *problem = std::get_if<Problem>(&common))
        return line.fail(*problem);
    const QString numbersText = line.parser().value(numbersOption);
    const auto numbers = machineNumbersFromText(numbersText);
    if (!numbers)
        return line.fail({ResultStatus::BadInput, StatusText::withDetail(StatusText::BadMachineNumber.toString(), QStringLiteral("--numbers ") + numbersText)});
    auto profile = readProvisionProfile(line.positional().at(0));
    if (const auto *problem = std::get_if<Problem>(&profile))
        return line.fail(*problem);
    const QString reportPath = line.parser().value(reportOption);
    QList<TerminalRecord> records;
    if (!writeReport(reportPath, records))
        return line.fail({ResultStatus::FileError, StatusText::withDetail(StatusText::FileSaveFailed.toString(), reportPath)});

    const Batch batch{std::get<CommonOptions>(common).port, std::get<CommonOptions>(common).machine,
                      std::get<ProvisionProfile>(std::move(profile))};
    const bool json = line.format() == OutputFormat::Json;
    Answers answers;
    using Answer = Answers::Answer;
    for (const quint8 number : *numbers) {
        const QString connect = QCoreApplication::translate("cli", "接上第 %1 台考勤机（机号 %2）后按回车，输入 q 结束")
                                    .arg(number)
                                    .arg(batch.factoryNumber);
        const Answer start = answers.ask(connect, Answer::Go);
        if (start == Answer::Quit)
            break;
        if (start == Answer::Skip)
            continue;
        TerminalRecord record;
        Answer next = Answer::Go;
        for (;;) {
            record = provisionTerminal(batch, number);
            if (json)
                printJson(recordJson(record));
            else
                printLine(recordLine(record));
            if (record.ok())
                break;
            next = answers.ask(QCoreApplication::translate("cli", "第 %1 台失败：按回车重试，s 跳过，q 结束").arg(number),
                               Answer::Skip);
            if (next != Answer::Go)
                break;
        }
        records.append(record);
        if (!writeReport(reportPath, records))
            printError(StatusText::withDetail(StatusText::FileSaveFailed.toString(), reportPath));
        if (next == Answer::Quit)
            break;
    }

    // The batch's exit code is that of the first terminal that failed.
    ResultStatus status = ResultStatus::Ok;
    for (const TerminalRecord &record : records) {
        if (!record.ok()) {
            status = record.status();
            break;
        }
    }
    const QString summary = summaryLine(records);
    if (json)
        printJson({{QStringLiteral("command"), QStringLiteral("provision")},
                   {QStringLiteral("ok"), status == ResultStatus::Ok},
                   {QStringLiteral("status"), statusWord(status)},
                   {QStringLiteral("message"), summary},
                   {QStringLiteral("terminals"), records.size()}});
    else
        printLine(summary);
    return exitCodeOf(status);
}
