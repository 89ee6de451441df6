#include "batch_report.h"

#include "output.h"
#include "output_file.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHash>
#include <QFile>

#include <algorithm>
#include <functional>

QCommandLineOption reportOption()
{
    return {QStringLiteral("report"),
            QCoreApplication::translate("cli", "每个机号一行写入 CSV 报告；已有的本程序报告接着往下写，别的文件不碰"), QStringLiteral("FILE.csv")};
}

QCommandLineOption resumeOption()
{
    return {QStringLiteral("resume"), QCoreApplication::translate("cli", "跳过报告里已经完成的机号")};
}

std::optional<Problem> ReportFile::open(const QStringList &inputs, ExistingReport *existing)
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

std::optional<Problem> ReportFile::append(const QByteArray &row)
{
    if (!wanted())
        return std::nullopt;
    m_bytes += row;
    return save();
}

// A report that did not get onto the disk whole ends the batch as a file that could not be used: the
// next terminal would be set up with no record of it.
std::optional<Problem> ReportFile::save()
{
    auto problem = saveOutputFile(m_path, m_bytes);
    if (problem)
        problem->status = ResultStatus::FileError;
    return problem;
}

bool turnedAway(const TerminalRecord &record)
{
    return record.fate == TerminalFate::Failed
           && (record.status == ResultStatus::NumberTaken || record.status == ResultStatus::DuplicateSerial);
}

namespace {

// The terminals of one kind as the summary names them: their numbers, and where the batch covers several
// lines each line once with its numbers' runs ("PORT 的 4-27, 30"), so a stopped site batch stays readable.
QStringList namesOf(const QList<const TerminalRecord *> &records)
{
    QStringList names;
    QStringList ports;
    QHash<QString, QList<int>> numbersByPort;
    for (const TerminalRecord *record : records) {
        if (record->port.isEmpty()) {
            names << QString::number(record->number);
            continue;
        }
        if (!numbersByPort.contains(record->port))
            ports << record->port;
        numbersByPort[record->port] << record->number;
    }
    for (const QString &port : std::as_const(ports))
        names << QCoreApplication::translate("cli", "%1 的 %2").arg(port, numberRuns(numbersByPort.value(port)));
    return names;
}

} // namespace

QString numberRuns(QList<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    QStringList runs;
    for (qsizetype first = 0; first < numbers.size();) {
        qsizetype last = first;
        while (last + 1 < numbers.size() && numbers.at(last + 1) <= numbers.at(last) + 1)
            ++last;
        runs << (numbers.at(first) == numbers.at(last) ? QString::number(numbers.at(first))
                                                       : QStringLiteral("%1-%2").arg(numbers.at(first)).arg(numbers.at(last)));
        first = last + 1;
    }
    return runs.join(QStringLiteral(", "));
}

QString summaryLine(const QList<TerminalRecord> &records, const std::optional<QString> &rowLost)
{
    struct Kind
    {
        std::function<bool(const TerminalRecord &)> holds;
        const char *text;
    };
    const auto fateIs = [](TerminalFate fate) { return [fate](const TerminalRecord &r) { return r.fate == fate; }; };
    const auto statusIs = [](ResultStatus status) {
        return [status](const TerminalRecord &r) { return turnedAway(r) && r.status == status; };
    };
    const Kind kinds[] = {
        {[](const TerminalRecord &r) { return r.fate == TerminalFate::Failed && !turnedAway(r); }, QT_TRANSLATE_NOOP("cli", "失败 %1 台（%2）")},
        {statusIs(ResultStatus::NumberTaken), QT_TRANSLATE_NOOP("cli", "机号已有考勤机 %1 台（%2）")},
        {statusIs(ResultStatus::DuplicateSerial), QT_TRANSLATE_NOOP("cli", "序列号已设置过 %1 台（%2）")},
        {fateIs(TerminalFate::Interrupted), QT_TRANSLATE_NOOP("cli", "中断 %1 台（%2）")},
        {fateIs(TerminalFate::Skipped), QT_TRANSLATE_NOOP("cli", "跳过 %1 台（%2）")},
        {fateIs(TerminalFate::NotReached), QT_TRANSLATE_NOOP("cli", "没轮到 %1 台（%2）")},
    };
    const qsizetype done = std::count_if(records.begin(), records.end(), [](const TerminalRecord &r) { return r.done(); });
    if (done == records.size() && !rowLost)
        return QCoreApplication::translate("cli", "共 %n 台，全部完成", nullptr, int(records.size()));
    QStringList parts{QCoreApplication::translate("cli", "完成 %1 台").arg(done)};
    for (const auto &[holds, text] : kinds) {
        QList<const TerminalRecord *> held;
        for (const TerminalRecord &record : records) {
            if (holds(record))
                held << &record;
        }
        if (!held.isEmpty())
            parts << QCoreApplication::translate("cli", text).arg(held.size()).arg(namesOf(held).join(QStringLiteral(", ")));
    }
    if (rowLost)
        parts << QCoreApplication::translate("cli", "报告少了 %1 的一行").arg(*rowLost);
    // English counts "1 terminal" apart from "2 terminals".
    return QCoreApplication::translate("cli", "共 %n 台：%2", nullptr, int(records.size()))
        .arg(parts.join(QCoreApplication::translate("cli", "；")));
}

QString heldText(const TerminalRecord &record)
{
    QStringList held;
    if (record.steps[RenumberStep] == ResultStatus::Ok)
        held << QCoreApplication::translate("cli", "改号 %1").arg(record.number);
    for (int index = RenumberStep + 1; index < ProvisionStepCount; ++index) {
        const TerminalCommand command = ProvisionSteps[index].command;
        if (command == TerminalCommand::Settings && record.steps[index] == ResultStatus::Ok)
            held << QCoreApplication::translate("cli", "设置");
        if (command == TerminalCommand::DownloadLogo) {
            if (record.steps[index] == ResultStatus::Ok)
                held << QCoreApplication::translate("cli", "图片");
            else if (record.linesConfirmed.value_or(0) > 0)
                held << QCoreApplication::translate("cli", "图片前 %1 行").arg(*record.linesConfirmed);
        }
    }
    return held.isEmpty() ? QString() : QCoreApplication::translate("cli", "已确认：%1").arg(held.join(QCoreApplication::translate("cli", "、")));
}

Outcome recordOutcome(const TerminalRecord &record, const ReportContext &context, const QString &command)
{
    Outcome outcome{.command = command,
                    .status = record.status,
                    .message = record.message,
                    .port = record.port.isEmpty() ? context.port : record.port,
                    .machine = record.number,
                    .linesConfirmed = record.linesConfirmed};
    // Nothing was timed for a number skipped, not reached, or done in an earlier run.
    if (record.tried)
        outcome.elapsedMs = record.elapsedMs;
    if (!record.serial.isEmpty())
        outcome.serial = record.serial;
    if (record.failedStep >= 0)
        outcome.step = ProvisionSteps[record.failedStep].name.toString();
    return outcome;
}

QString shortHash(const std::optional<LogoPicture> &logo)
{
    if (!logo)
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(logo->bytes, QCryptographicHash::Sha256).toHex().left(12));
}
