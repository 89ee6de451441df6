#include "scan_command.h"

#include "command_history.h"
#include "site_inventory.h"
#include "command_line.h"
#include "command_runner.h"
#include "command_values.h"
#include "machine_scan.h"
#include "outcome_words.h"
#include "progress_bar.h"
#include "remembered_choices.h"
#include "status_messages.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <numeric>
#include <vector>

namespace {

// A terminal found only when asked again with the whole second: usable, but slower than a terminal should be.
QString slowNote(const ScanAnswer &answer)
{
    return QCoreApplication::translate("cli", "机号 %1：序列号 %2（回答慢：短等待内没有回答，再问一次才找到）")
        .arg(answer.machine)
        .arg(answer.serial());
}

Outcome answerOutcome(const ScanAnswer &answer)
{
    Outcome outcome{.command = QStringLiteral("scan"), .status = ResultStatus::Ok, .message = {}, .machine = answer.machine};
    switch (answer.kind) {
    case ScanAnswer::Kind::Found:
        outcome.message = answer.slow ? slowNote(answer) : QCoreApplication::translate("cli", "机号 %1：序列号 %2").arg(answer.machine).arg(answer.serial());
        outcome.serial = answer.serial();
        break;
    case ScanAnswer::Kind::Late:
        outcome.status = ResultStatus::NoReply;
        outcome.message = QCoreApplication::translate("cli", "机号 %1 回答太迟（序列号 %2），再问时一秒内没有回答")
                              .arg(answer.machine)
                              .arg(answer.serial());
        outcome.serial = answer.serial();
        break;
    case ScanAnswer::Kind::Wrong:
        outcome.status = ResultStatus::WrongReply;
        outcome.message = QCoreApplication::translate("cli", "机号 %1：回答错误（%2）")
                              .arg(answer.machine)
                              .arg(StatusText::cappedBytes(answer.reply));
        break;
    case ScanAnswer::Kind::Collision:
        outcome.status = ResultStatus::Collision;
        outcome.message = collisionNote(answer.machine);
        outcome.serial = answer.serial();
        break;
    }
    return outcome;
}

// A terminal's row in --json: the answer's keys, and whether it was slow.
QJsonObject answerJson(const Outcome &outcome, const ScanAnswer &answer)
{
    QJsonObject object = outcomeJson(outcome);
    object.insert(QStringLiteral("slow"), answer.kind == ScanAnswer::Kind::Found ? QJsonValue(answer.slow) : QJsonValue(QJsonValue::Null));
    return object;
}

} // namespace

Outcome finishScanLine(const PortChoice &port, const MachineRange &range, const QString &rangeText, int lastAsked,
                   const QList<ScanAnswer> &answers, const CommandRun &run)
{
    const int found = int(std::count_if(answers.cbegin(), answers.cend(),
                                        [](const ScanAnswer &answer) { return answer.kind == ScanAnswer::Kind::Found; }));
    // Only a scan that asked every number knows how many terminals the line holds; any other knows of at
    // least those it found.
    const bool everyNumberAsked = range == MachineRange{}
                                  && (run.result.status == CommandStatus::Done || run.result.status == CommandStatus::NoReply
                                      || run.result.status == CommandStatus::WrongReply);
    if (run.result.status != CommandStatus::PortOpenFailed)
        RememberedChoices().noteTerminalsFound(port.line, found, everyNumberAsked);
    const QString word = standardOutputFailed() ? OutcomeWord::OutputFailed.toString() : outcomeWord(run.result.status);
    if (const auto problem = CommandHistory::append(scanHistoryEntry(port, range, lastAsked, word, answers)))
        printError(*problem);

    // The last line sums the scan up, in the same keys as the answers, with no machine of its own.
    QString message = run.result.message;
    if (run.result.status == CommandStatus::NoReply)
        // "通讯失败！" would not say that every number was asked.
        message = QCoreApplication::translate("cli", "没有考勤机回答（机号 %1）：请检查连线和串口号").arg(rangeText);
    else if (const auto asked = range.firstOf(lastAsked);
             run.result.status != CommandStatus::Done && run.result.status != CommandStatus::WrongReply && asked)
        message = StatusText::withDetail(message, QCoreApplication::translate("cli", "已查机号 %1-%2").arg(asked->first).arg(asked->last));
    return {.command = QStringLiteral("scan"),
            .status = resultStatusOf(run.result.status),
            .message = message,
            .port = port.label(),
            .elapsedMs = run.elapsedMs};
}


bool scansSeveralPorts(const QStringList &portValues)
{
    int number = 0;
    QString device;
    return portValues.size() > 1
           || std::any_of(portValues.cbegin(), portValues.cend(), [&](const QString &value) {
                  return value == AllPorts || PortDirectory::parseMapping(value, &number, &device);
              });
}

std::variant<QList<PortChoice>, Problem> sitePorts(const QStringList &portValues, const QStringList &rememberedMappings)
{
    // The remembered mappings first, so that one given now for the same number wins.
    QMap<int, QString> mapped;
    for (const QString &mapping : rememberedMappings + portValues) {
        int number = 0;
        QString device;
        if (PortDirectory::parseMapping(mapping, &number, &device))
            mapped.insert(number, device);
    }
    PortDirectory directory;
    for (auto it = mapped.cbegin(); it != mapped.cend(); ++it)
        directory.mapPort(it.key(), it.value());
    QList<PortChoice> ports;
    const auto add = [&ports](const PortChoice &port) {
        const bool named = std::any_of(ports.cbegin(), ports.cend(), [&port](const PortChoice &other) { return other.label() == port.label(); });
        if (!named)
            ports.append(port);
    };
    for (const QString &value : portValues) {
        int number = 0;
        QString device;
        if (value == AllPorts) {
            if (mapped.isEmpty())
                return Problem{ResultStatus::BadInput,
                               QCoreApplication::translate("cli", "--port all：没有对应的串口（用 --port N=DEVICE 给出，或在窗口里设过）")};
            for (auto it = mapped.cbegin(); it != mapped.cend(); ++it)
                add(PortChoice{qint16(it.key()), it.value(), directory});
        } else if (PortDirectory::parseMapping(value, &number, &device)) {
            add(PortChoice{qint16(number), mapped.value(number), directory});
        } else {
            const auto port = portFromText(value, directory);
            if (const auto *problem = std::get_if<Problem>(&port))
                return *problem;
            add(std::get<PortChoice>(port));
        }
    }
    std::stable_sort(ports.begin(), ports.end(), [](const PortChoice &a, const PortChoice &b) { return portOrder(a.label(), b.label()); });
    return ports;
}

QString siteProgressText(int linesDone, int lines, int asked, int total)
{
    return QCoreApplication::translate("cli", "%1/%2 串口，%3/%4 个机号").arg(linesDone).arg(lines).arg(asked).arg(total);
}

std::vector<LineScan> scanLines(const QList<PortChoice> &ports, const MachineRange &range, std::chrono::milliseconds wait)
{
    std::vector<LineScan> lines;
    for (const PortChoice &port : ports)
        lines.push_back({port, {}, {}, 0, false, {}});
    const int total = int(ports.size()) * range.count();
    std::optional<ProgressBar> bar;
    if (ProgressBar::besideStreamedOutput())
        bar.emplace(total, std::max(wait, TerminalReplyLimit - wait));
    const auto showProgress = [&] {
        int asked = 0;
        int done = 0;
        for (const LineScan &scan : lines) {
            asked += scan.asked;
            done += scan.finished;
        }
        if (!bar)
            return;
        bar->setCounts(siteProgressText(done, int(lines.size()), asked, total));
        bar->show(asked);
    };
    QElapsedTimer sinceStart;
    sinceStart.start();
    std::vector<std::unique_ptr<TerminalTask>> tasks;
    for (LineScan &scan : lines) {
        tasks.push_back(std::make_unique<MachineScanTask>(
            range, wait,
            [&scan, &sinceStart](const ScanAnswer &answer) {
                scan.answers << answer;
                scan.answeredAtMs << sinceStart.elapsed();
            },
            [&scan, &showProgress](int asked, int) {
                if (standardOutputFailed())
                    StopSignals::requestStop();
                scan.asked = asked;
                showProgress();
            }));
    }
    const QList<CommandRun> runs = runTerminalTasks(ports, std::move(tasks), [&](qsizetype index) {
        lines.at(size_t(index)).finished = true;
        showProgress();
    });
    for (size_t index = 0; index < lines.size(); ++index)
        lines.at(index).run = runs.at(qsizetype(index));
    return lines;
}

namespace {

// Every line side by side, each its own link on the one event loop: rows sorted by port, then number,
// once every line has finished; a line that does not open or is lost is its own row, and the others go on.
int runSiteScan(const CommandLine &line, const QList<PortChoice> &ports, const MachineRange &range, const QString &rangeText,
                std::chrono::milliseconds wait)
{
    const OutputFormat format = line.format();
    const std::vector<LineScan> lines = scanLines(ports, range, wait);

    int worst = ExitCode::Done;
    bool anyFound = false;
    bool lineFailed = false;
    QList<Outcome> summaries;
    for (size_t index = 0; index < lines.size(); ++index) {
        const LineScan &scan = lines.at(index);
        QList<qsizetype> byNumber(scan.answers.size());
        std::iota(byNumber.begin(), byNumber.end(), 0);
        std::stable_sort(byNumber.begin(), byNumber.end(),
                         [&scan](qsizetype a, qsizetype b) { return scan.answers.at(a).machine < scan.answers.at(b).machine; });
        for (const qsizetype at : std::as_const(byNumber)) {
            const ScanAnswer &answer = scan.answers.at(at);
            Outcome outcome = answerOutcome(answer);
            outcome.port = scan.port.label();
            outcome.elapsedMs = scan.answeredAtMs.at(at);
            if (format == OutputFormat::Json) {
                printJson(answerJson(outcome, answer));
                continue;
            }
            if (outcome.ok())
                printLine(QStringLiteral("%1\t%2\t%3%4").arg(scan.port.label()).arg(answer.machine).arg(answer.serial(),
                                                                                                           answer.slow ? QStringLiteral("\tslow") : QString()));
            if (!outcome.ok() || answer.slow)
                printError(QCoreApplication::translate("cli", "%1：%2").arg(scan.port.label(), outcome.message));
        }
        const Outcome summary = finishScanLine(scan.port, range, rangeText, scan.asked, scan.answers, scan.run);
        anyFound = anyFound || summary.ok();
        summaries << summary;
    }
    if (standardOutputFailed())
        return ExitCode::OutputFailed;  // finishOutput says why
    // One summary per port after the rows: what each line came to.
    for (const Outcome &summary : std::as_const(summaries)) {
        if (format == OutputFormat::Json) {
            QJsonObject object = outcomeJson(summary);
            object.insert(QStringLiteral("slow"), QJsonValue::Null);
            printJson(object);
        } else {
            printError(QCoreApplication::translate("cli", "%1：%2").arg(*summary.port, summary.message));
        }
        lineFailed = lineFailed || summary.status == ResultStatus::PortLost || summary.status == ResultStatus::PortOpenFailed;
        if (!summary.ok())
            worst = std::max(worst, exitCodeOf(summary.status));
    }
    // A line that did not open or was lost is never hidden by terminals found on the others; apart from
    // that, terminals found on some line are done, and otherwise the worst a line came to.
    if (StopSignals::stopAsked())
        return exitCodeOf(ResultStatus::Interrupted);
    if (lineFailed)
        return ExitCode::PortFailed;
    return anyFound ? ExitCode::Done : worst;
}

} // namespace

std::optional<Problem> renumberOnSharedLine(const LineIdentity &line, bool all)
{
    const int terminals = RememberedChoices().terminalsFound(line);
    if (terminals != RememberedChoices::Unknown && terminals < 2)
        return std::nullopt;
    // Without the store, a scan's count may be lost: the line counts as shared.
    const QString warning = terminals == RememberedChoices::Unknown
                                ? QCoreApplication::translate("cli", "不知道这条线上有几台考勤机（记住的设置无法读写）：改号会让每一台都换成新机号。")
                                : sharedLineWarning(terminals);
    if (!all)
        return Problem{ResultStatus::BadInput,
                       warning + QCoreApplication::translate("cli", "确实要这样，请加 --all；只改一台，请先拔掉其他考勤机")};
    printError(warning);
    return std::nullopt;
}

QList<QCommandLineOption> scanOptions()
{
    return {{QStringLiteral("machines"), QCoreApplication::translate("cli", "要查的机号，如 0-255（默认）或 18"),
             QStringLiteral("FROM-TO"), QStringLiteral("0-255")},
            {QStringLiteral("timeout"),
             QCoreApplication::translate("cli", "每个机号先等回答的毫秒数，从问题发完算起（默认 %1）；晚到的回答让这个机号再问一次，等一秒").arg(DefaultScanWait.count()),
             QStringLiteral("MS"), QString::number(DefaultScanWait.count())}};
}

int runScan(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("scan"), QString(), 0,
                     QCoreApplication::translate("cli", "查找机号：依次读每个机号的序列号（不改变考勤机），列出回答的考勤机") + u'\n'
                         + QCoreApplication::translate("cli", "几条线同时查：--port 可以给几次（号码、设备、网络地址，或 N=DEVICE），--port all 取每个对应的串口；每行以串口开头"),
                     PortUse::Line);
    line.addOptions(scanOptions());
    line.allowSeveralPorts();
    const auto common = line.parseForTerminal(arguments);
    if (const int *exitCode = std::get_if<int>(&common))
        return *exitCode;
    const QString rangeText = line.parser().value(QStringLiteral("machines"));
    const auto range = machineRangeFromText(rangeText);
    if (!range)
        return line.fail({ResultStatus::BadInput, StatusText::withDetail(StatusText::BadMachineNumber.toString(),
                                                                          QStringLiteral("--machines ") + rangeText)});
    const QString timeoutText = line.parser().value(QStringLiteral("timeout"));
    const auto timeoutMs = wholeNumber(timeoutText, 1, 10000);
    if (!timeoutMs)
        return line.fail({ResultStatus::BadInput,
                          StatusText::withDetail(QCoreApplication::translate("cli", "等待时间错误！（1-10000 毫秒）"),
                                                 QStringLiteral("--timeout ") + timeoutText)});

    const std::chrono::milliseconds wait(*timeoutMs);
    if (scansSeveralPorts(line.portValues())) {
        const auto ports = sitePorts(line.portValues(), RememberedChoices().portMappings());
        if (const auto *problem = std::get_if<Problem>(&ports))
            return line.fail(*problem);
        return runSiteScan(line, std::get<QList<PortChoice>>(ports), *range, rangeText, wait);
    }

    const PortChoice port = std::get<CommonOptions>(common).port;
    const QString where = port.label();
    const OutputFormat format = line.format();
    // After the last number the scan listens for the rest of a second: part of the time left.
    std::optional<ProgressBar> bar;
    if (ProgressBar::besideStreamedOutput())
        bar.emplace(range->count(), std::max(wait, TerminalReplyLimit - wait));
    int lastAsked = 0;
    QList<ScanAnswer> answers;
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Rows go out by number. A row waits until no smaller number can still bring one: every smaller number
    // was asked long enough ago for its late answer to have come, and none is still to be asked again.
    QList<qint64> askedAtMs;  // by number, from the range's first
    // By number: the answer and when it came (a terminal found, then said to answer wrongly, has two).
    std::multimap<int, std::pair<ScanAnswer, qint64>> held;
    MachineScanTask *scanTask = nullptr;
    const auto printRow = [&](const ScanAnswer &answer, qint64 elapsedMs) {
        Outcome outcome = answerOutcome(answer);
        outcome.port = where;
        outcome.elapsedMs = elapsedMs;
        if (format == OutputFormat::Json) {
            printJson(answerJson(outcome, answer));
        } else if (outcome.ok()) {
            printLine(answer.slow ? QStringLiteral("%1\t%2\tslow").arg(answer.machine).arg(answer.serial())
                                  : QStringLiteral("%1\t%2").arg(answer.machine).arg(answer.serial()));
        }
        // The operator is told why a terminal is slow or wrong on standard error.
        if (format != OutputFormat::Json && (!outcome.ok() || answer.slow))
            printError(outcome.message);
    };
    const auto settled = [&](int machine) {
        const qsizetype index = machine - range->first;
        return index < askedAtMs.size() && sinceStart.elapsed() - askedAtMs.at(index) > LateAnswerWindow.count()
               && !scanTask->mayStillAnswer(machine);
    };
    const auto release = [&](bool all) {
        if (held.empty() || (!all && !settled(held.begin()->first)))
            return;
        // The bar is taken down while rows are printed and drawn again below them.
        if (bar)
            bar->clear();
        while (!held.empty() && (all || settled(held.begin()->first))) {
            printRow(held.begin()->second.first, held.begin()->second.second);
            held.erase(held.begin());
        }
        // Nobody reads what is found any more: the scan ends here, as at Ctrl-C.
        if (standardOutputFailed())
            StopSignals::requestStop();
        if (bar)
            bar->show(lastAsked);
    };
    auto task = std::make_unique<MachineScanTask>(
        *range, wait,
        [&](const ScanAnswer &answer) {
            answers << answer;
            held.emplace(answer.machine, std::make_pair(answer, sinceStart.elapsed()));
            release(false);
        },
        [&](int asked, int) {
            if (standardOutputFailed())
                StopSignals::requestStop();
            // A question withdrawn before it went out takes its number back.
            askedAtMs.resize(asked, sinceStart.elapsed());
            lastAsked = asked;
            release(false);
            if (bar)
                bar->show(asked);
        });
    scanTask = task.get();
    const CommandRun run = runTerminalTask(port, std::move(task));
    scanTask = nullptr;  // gone with the run
    release(true);
    bar.reset();

    const Outcome outcome = finishScanLine(port, *range, rangeText, lastAsked, answers, run);
    if (standardOutputFailed())
        return ExitCode::OutputFailed;  // finishOutput says why
    if (run.result.status == CommandStatus::Done && format == OutputFormat::Text) {
        printError(run.result.message);
        return ExitCode::Done;
    }
    if (format == OutputFormat::Json) {
        QJsonObject object = outcomeJson(outcome);
        object.insert(QStringLiteral("slow"), QJsonValue::Null);
        printJson(object);
        return exitCodeOf(outcome.status);
    }
    return reportOutcome(outcome, format);
}

namespace {

QJsonValue numberOrNull(const QString &text)
{
    bool number = false;
    const int value = text.toInt(&number);
    return number ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

} // namespace

// Every entry in the same keys, whatever the command: null where a key does not apply.
QJsonObject historyJson(const HistoryEntry &entry)
{
    const HistoryOutcome parts = outcomeParts(entry.outcome);
    const bool scan = entry.command == u"scan";
    QJsonValue answers = QJsonValue::Null;
    if (scan) {
        QJsonArray list;
        for (const HistoryOutcome::Answer &answer : parts.answers)
            list.append(QJsonObject{{QStringLiteral("machine"), answer.machine},
                                    {QStringLiteral("answer"), answer.kind},
                                    {QStringLiteral("serial"), textOrNull(answer.serial)}});
        answers = list;
    }
    return {{QStringLiteral("time"), entry.time.toString(Qt::ISODate)},
            {QStringLiteral("device"), entry.device},
            {QStringLiteral("machine"), scan ? QJsonValue(QJsonValue::Null) : numberOrNull(entry.machine)},
            {QStringLiteral("machines"), scan ? textOrNull(entry.machine) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("command"), entry.command},
            {QStringLiteral("outcome"), parts.word},
            {QStringLiteral("serial"), textOrNull(entry.serial)},
            {QStringLiteral("logo_sha256"), textOrNull(entry.logoHash)},
            {QStringLiteral("logo_source"), textOrNull(entry.logoSource)},
            {QStringLiteral("settings"), textOrNull(entry.settings)},
            {QStringLiteral("lines_confirmed"),
             parts.linesConfirmed ? QJsonValue(*parts.linesConfirmed) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("answers"), answers}};
}

int runHistory(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("history"), QString(), 0,
                     QCoreApplication::translate("cli", "不用串口：列出窗口和命令行发给考勤机的每个命令（时间、串口、机号、命令、结果、序列号、图片摘要）"),
                     PortUse::None);
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    const QList<HistoryEntry> entries = CommandHistory::read();
    if (line.format() == OutputFormat::Text && entries.isEmpty()) {
        printError(QCoreApplication::translate("cli", "还没有历史记录（%1）").arg(CommandHistory::filePath()));
        return ExitCode::Done;
    }
    for (const HistoryEntry &entry : entries) {
        if (line.format() == OutputFormat::Text) {
            printLine(CommandHistory::lineOf(entry).replace(u'\t', QStringLiteral("  ")).trimmed());
            continue;
        }
        printJson(historyJson(entry));
    }
    return ExitCode::Done;
}
