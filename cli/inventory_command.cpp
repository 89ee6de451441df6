#include "inventory_command.h"

#include "command_line.h"
#include "logo_file.h"
#include "output.h"
#include "progress_bar.h"
#include "provision_report.h"
#include "remembered_choices.h"
#include "scan_command.h"

#include <QCoreApplication>
#include <QJsonValue>
#include <QSet>

namespace {

constexpr int TableColumns = 80;
constexpr int PortColumns = 21;  // "192.168.100.200:4001" whole, and a row still within 80 columns

QCommandLineOption offlineOption()
{
    return {QStringLiteral("offline"), QCoreApplication::translate("cli", "不打开串口：只用这台电脑的历史记录")};
}

QCommandLineOption csvOption()
{
    return {QStringLiteral("csv"), QCoreApplication::translate("cli", "输出 CSV（表格软件照原样打开）")};
}

QString minuteOf(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("-");
}

// When the terminal last answered: now, for one the scan just made heard.
QString answeredText(const SiteTerminal &terminal)
{
    if (terminal.answeredNow.value_or(false))
        return QCoreApplication::translate("cli", "现在回答");
    return minuteOf(terminal.lastAnswered);
}

// The text cut to `columns`, its start given up first (a path's end names the file).
QString lastColumns(const QString &text, int columns)
{
    if (columnsOf(text) <= columns)
        return text;
    QString kept;
    for (qsizetype i = text.size() - 1; i >= 0 && columnsOf(kept) + columnsOf(QString(text.at(i))) + 3 <= columns; --i)
        kept.prepend(text.at(i));
    // Three dots, not an ellipsis, which terminals set up for Chinese draw two columns wide.
    return QStringLiteral("...") + kept;
}

// A port as its column shows it: a server's address without its scheme ("127.0.0.1:7001" for
// "rfc2217://127.0.0.1:7001"), whose host and port are what tell the lines apart.
QString portColumn(const QString &port)
{
    const qsizetype scheme = port.indexOf(QStringLiteral("://"));
    return lastColumns(scheme > 0 ? port.mid(scheme + 3) : port, PortColumns);
}

QString padded(const QString &text, int columns)
{
    return text + QString(std::max(0, columns - columnsOf(text)), u' ');
}

QString confirmedText(bool confirmed, const std::optional<int> &lines = std::nullopt)
{
    if (confirmed)
        return QCoreApplication::translate("cli", "已确认");
    if (lines)
        return QCoreApplication::translate("cli", "未确认 %1/%2 行").arg(*lines).arg(LogoLineCount);
    return QCoreApplication::translate("cli", "未确认");
}

// "  设置 2026-12-11 07:02 已确认 mode=door ...": the last part cut to fit the table.
QString sentLine(const QString &what, const QDateTime &time, const QString &confirmed, const QString &value,
                 const QString &kept = {})
{
    const QString start = QStringLiteral("  %1 %2 %3 %4").arg(what, minuteOf(time), confirmed, kept);
    return start + lastColumns(value, TableColumns - columnsOf(start));
}

// "door picture=true delay=5 traditional": the words a person reads without their keys, which the table
// has no room for.
QString shortSettings(QString words)
{
    return words.remove(QStringLiteral("mode=")).remove(QStringLiteral("font="));
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonValue timeOrNull(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(time.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QString yesNo(const std::optional<bool> &value)
{
    return value ? (*value ? QStringLiteral("yes") : QStringLiteral("no")) : QString();
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? spreadsheetText(isoTimeWithOffset(time)) : QString();
}

} // namespace

QList<QCommandLineOption> inventoryOptions()
{
    return {offlineOption(), csvOption()};
}

QString inventorySummary()
{
    return QCoreApplication::translate("cli", "现场一览：每台考勤机一行（按序列号跟踪），连同最后回答的时间和最后写入的设置和图片");
}

QStringList inventoryText(const QList<SiteTerminal> &terminals)
{
    QStringList lines{QCoreApplication::translate("cli", "设置和图片：这台电脑记录的发送且考勤机确认的内容（考勤机读不回来）"),
                      padded(QCoreApplication::translate("cli", "串口"), PortColumns) + u' '
                          + padded(QCoreApplication::translate("cli", "机号"), 4) + u' '
                          + padded(QCoreApplication::translate("cli", "序列号"), 6) + u' '
                          + padded(QCoreApplication::translate("cli", "最后回答"), 16) + u' '
                          + QCoreApplication::translate("cli", "全部确认")};
    for (const SiteTerminal &terminal : terminals) {
        const std::optional<bool> confirmed = terminal.everyStepConfirmed();
        QString row = padded(portColumn(terminal.port), PortColumns) + u' '
                      + QStringLiteral("%1").arg(terminal.machine, 4) + u' '
                      + (terminal.serial.isEmpty() ? QStringLiteral("------") : terminal.serial) + u' '
                      + padded(answeredText(terminal), 16) + u' '
                      + (confirmed ? (*confirmed ? QCoreApplication::translate("cli", "是") : QCoreApplication::translate("cli", "否"))
                                   : QStringLiteral("-"));
        if (terminal.collision)
            row += u' ' + QCoreApplication::translate("cli", "可能有两台同号");
        lines << row;
        if (terminal.settings)
            lines << sentLine(QCoreApplication::translate("cli", "设置"), terminal.settings->time,
                              confirmedText(terminal.settings->confirmed), shortSettings(terminal.settings->words));
        if (terminal.logo)
            lines << sentLine(QCoreApplication::translate("cli", "图片"), terminal.logo->time,
                              confirmedText(terminal.logo->confirmed, terminal.logo->linesConfirmed),
                              terminal.logo->source, terminal.logo->hash.left(12) + u' ');
    }
    return lines;
}

QJsonObject inventoryJson(const SiteTerminal &terminal)
{
    const std::optional<bool> confirmed = terminal.everyStepConfirmed();
    const auto &settings = terminal.settings;
    const auto &logo = terminal.logo;
    return {{QStringLiteral("port"), terminal.port},
            {QStringLiteral("machine"), terminal.machine},
            {QStringLiteral("serial"), textOrNull(terminal.serial)},
            {QStringLiteral("last_answered"), timeOrNull(terminal.lastAnswered)},
            {QStringLiteral("collision"), terminal.collision},
            {QStringLiteral("settings"), settings ? textOrNull(settings->words) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("settings_time"), settings ? timeOrNull(settings->time) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("settings_confirmed"), settings ? QJsonValue(settings->confirmed) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("logo_source"), logo ? textOrNull(logo->source) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("logo_sha256"), logo ? textOrNull(logo->hash) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("logo_time"), logo ? timeOrNull(logo->time) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("logo_confirmed"), logo ? QJsonValue(logo->confirmed) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("logo_lines_confirmed"),
             logo && logo->linesConfirmed ? QJsonValue(*logo->linesConfirmed) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("confirmed"), confirmed ? QJsonValue(*confirmed) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("answered_now"),
             terminal.answeredNow ? QJsonValue(*terminal.answeredNow) : QJsonValue(QJsonValue::Null)}};
}

QByteArray inventoryCsv(const QList<SiteTerminal> &terminals)
{
    QByteArray bytes = csvStart({QStringLiteral("port"), QStringLiteral("machine"), QStringLiteral("serial"),
                                 QStringLiteral("last_answered"), QStringLiteral("collision"), QStringLiteral("settings"),
                                 QStringLiteral("settings_time"), QStringLiteral("settings_confirmed"),
                                 QStringLiteral("logo_source"), QStringLiteral("logo_sha256"), QStringLiteral("logo_time"),
                                 QStringLiteral("logo_confirmed"), QStringLiteral("confirmed"), QStringLiteral("answered_now")});
    for (const SiteTerminal &terminal : terminals) {
        const auto &settings = terminal.settings;
        const auto &logo = terminal.logo;
        bytes += csvLine({spreadsheetGuarded(terminal.port),
                          QString::number(terminal.machine),
                          spreadsheetText(terminal.serial),
                          timeText(terminal.lastAnswered),
                          yesNo(terminal.collision),
                          settings ? spreadsheetGuarded(settings->words) : QString(),
                          settings ? timeText(settings->time) : QString(),
                          settings ? yesNo(settings->confirmed) : QString(),
                          logo ? spreadsheetGuarded(logo->source) : QString(),
                          logo ? spreadsheetText(logo->hash) : QString(),
                          logo ? timeText(logo->time) : QString(),
                          logo ? yesNo(logo->confirmed) : QString(),
                          yesNo(terminal.everyStepConfirmed()),
                          yesNo(terminal.answeredNow)});
    }
    return bytes;
}

namespace {

// The site's table from the history, which holds the scan just made, for the lines scanned: each terminal
// the scan heard answered now, and a number two terminals answered is a collision as this scan found it.
QList<SiteTerminal> scannedInventory(const std::vector<LineScan> &lines)
{
    QSet<QString> ports;
    QSet<std::pair<QString, QString>> heard;  // port, serial
    QSet<std::pair<QString, int>> shared;     // port, number
    for (const LineScan &scan : lines) {
        const QString port = scan.port.label();
        ports.insert(port);
        for (const ScanAnswer &answer : scan.answers) {
            if (answer.kind == ScanAnswer::Kind::Collision)
                shared.insert({port, answer.machine});
            if (answer.kind != ScanAnswer::Kind::Wrong)
                heard.insert({port, answer.serial().toUpper()});
        }
    }
    QList<SiteTerminal> terminals;
    for (SiteTerminal &terminal : siteInventory(CommandHistory::read())) {
        if (!ports.contains(terminal.port))
            continue;
        terminal.answeredNow = !terminal.serial.isEmpty() && heard.contains({terminal.port, terminal.serial});
        terminal.collision = shared.contains({terminal.port, terminal.machine});
        terminals << terminal;
    }
    return terminals;
}

} // namespace

int runInventory(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("inventory"), QStringLiteral("[--offline] [--csv]"), 0,
                     inventorySummary() + u'\n'
                         + QCoreApplication::translate("cli", "先同时查找给出的每条线路（--port 与 scan 相同），再列出表格；--offline 只用这台电脑的记录"),
                     PortUse::Line);
    line.addOptions(inventoryOptions() + scanOptions());
    line.allowSeveralPorts();
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (line.parser().isSet(csvOption()) && line.format() == OutputFormat::Json)
        return line.fail({ResultStatus::BadInput, QCoreApplication::translate("cli", "--csv 和 --json 只能选一个")});
    const bool offline = line.parser().isSet(offlineOption());
    QList<SiteTerminal> terminals;
    int exitCode = ExitCode::Done;
    if (offline) {
        for (const QString &scanning : {QStringLiteral("port"), QStringLiteral("machines"), QStringLiteral("timeout")}) {
            if (line.parser().isSet(scanning))
                return line.fail({ResultStatus::BadInput,
                                  QCoreApplication::translate("cli", "--offline 不打开串口，不用 --%1").arg(scanning)});
        }
        terminals = siteInventory(CommandHistory::read());
    } else {
        const auto choice = scanChoiceOf(line.parser());
        if (const auto *problem = std::get_if<Problem>(&choice))
            return line.fail(*problem);
        const auto ports = sitePorts(line.portValues(), RememberedChoices().portMappings());
        if (const auto *problem = std::get_if<Problem>(&ports))
            return line.fail(*problem);
        const ScanChoice &chosen = std::get<ScanChoice>(choice);
        const std::vector<LineScan> lines = scanSite(std::get<QList<PortChoice>>(ports), chosen.range, chosen.rangeText, chosen.wait);
        // What each line came to, on standard error: a line that did not open or was lost is said there.
        for (const LineScan &scan : lines)
            printLineSummary(scan.summary, OutputFormat::Text);
        terminals = scannedInventory(lines);
        exitCode = siteScanExitCode(lines);
    }
    if (line.parser().isSet(csvOption())) {
        printBytes(inventoryCsv(terminals));
        return exitCode;
    }
    if (line.format() == OutputFormat::Json) {
        for (const SiteTerminal &terminal : terminals)
            printJson(inventoryJson(terminal));
        return exitCode;
    }
    if (terminals.isEmpty()) {
        printError(offline ? QCoreApplication::translate("cli", "历史记录里还没有考勤机（%1）").arg(CommandHistory::filePath())
                           : QCoreApplication::translate("cli", "这些串口上没有已知的考勤机"));
        return exitCode;
    }
    for (const QString &row : inventoryText(terminals))
        printLine(row);
    return exitCode;
}
