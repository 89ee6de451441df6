#include "provision_report.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cstdlib>

namespace {

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1);
}

QString stepWord(const std::optional<ResultStatus> &status)
{
    return status ? statusWord(*status) : QStringLiteral("not-run");
}

// The status a step's word names; a word this program does not write counts as not confirmed.
ResultStatus statusOfWord(const QString &word)
{
    for (int value = 0; value <= int(ResultStatus::NotReached); ++value) {
        if (statusWord(ResultStatus(value)) == word)
            return ResultStatus(value);
    }
    return ResultStatus::WrongReply;
}

} // namespace

// A spreadsheet opening the report would read "001E05" as 100000, "000123" as 123, the time as a date and
// "=..." as a formula. A leading tab keeps each such field text in the common spreadsheet programs and is
// invisible there; RFC 4180 allows it unquoted, and readers of the report (this program included) take off
// exactly one leading tab. An apostrophe would do the same in some programs but shows in others, and
// ="001E05" is a formula, not the serial, to any CSV reader.
QString spreadsheetText(const QString &field)
{
    return field.isEmpty() ? field : u'\t' + field;
}

QString spreadsheetGuarded(const QString &field)
{
    static const QString formulaStarts = QStringLiteral("=+-@");
    return !field.isEmpty() && formulaStarts.contains(field.front()) ? spreadsheetText(field) : field;
}

namespace {

QString quoted(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\r') && !field.contains(u'\n'))
        return field;
    return u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

// "2026-12-10T17:44:48+08:00": the local time with its offset, also at UTC (never "Z", which some
// readers of the report do not take).
QString isoTimeWithOffset(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
           + QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quotedFields;
    for (const QString &field : fields)
        quotedFields << quoted(field);
    return quotedFields.join(u',').toUtf8() + "\r\n";
}

QByteArray csvStart(const QStringList &header)
{
    return QByteArray("\xEF\xBB\xBF") + csvLine(header);
}

QString fateWord(TerminalFate fate)
{
    switch (fate) {
    case TerminalFate::Done:
        return QStringLiteral("done");
    case TerminalFate::Failed:
        return QStringLiteral("failed");
    case TerminalFate::Skipped:
        return QStringLiteral("skipped");
    case TerminalFate::Interrupted:
        return QStringLiteral("interrupted");
    case TerminalFate::NotReached:
        break;
    }
    return QStringLiteral("not-reached");
}

QString recordLine(const TerminalRecord &record)
{
    const QString serial = record.serial.isEmpty() ? QStringLiteral("------") : record.serial;
    const QString start = QStringLiteral("%1  serial %2  %3").arg(record.number, 3).arg(serial, fateWord(record.fate));
    // Done in an earlier run, or found done already: what says so, not a time.
    if (record.done() && !record.tried && !record.message.isEmpty())
        return start + QStringLiteral(": ") + record.message;
    if (record.done())
        return start + QStringLiteral("  %1 s").arg(seconds(record.elapsedMs));
    if (record.failedStep < 0)
        return record.message.isEmpty() ? start : start + QStringLiteral(": ") + record.message;
    return start + QStringLiteral(": %1 %2: %3  %4 s")
                       .arg(ProvisionSteps[record.failedStep].name.toString(), statusWord(record.status), record.message,
                            seconds(record.elapsedMs));
}

QStringList reportHeader()
{
    QStringList header{QStringLiteral("time"),    QStringLiteral("number"),  QStringLiteral("result"),
                       QStringLiteral("serial"),  QStringLiteral("port"),    QStringLiteral("profile"),
                       QStringLiteral("logo_file"), QStringLiteral("logo_sha256")};
    for (const ProvisionStep &step : ProvisionSteps)
        header << step.name.toString();
    header << QStringLiteral("seconds") << QStringLiteral("message");
    return header;
}

QByteArray reportStart()
{
    return csvStart(reportHeader());
}

QByteArray reportRow(const TerminalRecord &record, const ReportContext &context)
{
    QStringList row{spreadsheetText(isoTimeWithOffset(record.time)),
                    QString::number(record.number),
                    fateWord(record.fate),
                    spreadsheetText(record.serial),
                    spreadsheetGuarded(record.port.isEmpty() ? context.port : record.port),
                    spreadsheetGuarded(context.profile),
                    spreadsheetGuarded(context.logoFile),
                    spreadsheetText(context.logoHash)};
    for (const auto &status : record.steps)
        row << stepWord(status);
    row << seconds(record.elapsedMs) << spreadsheetGuarded(record.message);
    return csvLine(row);
}

std::optional<QList<QStringList>> csvRecords(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool inQuotes = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            inQuotes = true;
            any = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            if (any || !field.isEmpty())
                records << (record << field);
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (any || !field.isEmpty())
        records << (record << field);
    return records;
}

namespace {

// Where the last row ended with its line end outside quotes; everything after it is a row cut short.
qsizetype endOfWholeRows(QByteArrayView bytes)
{
    qsizetype end = 0;
    bool inQuotes = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '"')
            inQuotes = !inQuotes;  // a doubled quote inside quotes toggles twice
        else if (bytes[i] == '\n' && !inQuotes)
            end = i + 1;
    }
    return end;
}

bool isWordOf(const QString &field, QStringView kind)
{
    if (kind == u"fate") {
        for (const TerminalFate fate : {TerminalFate::Done, TerminalFate::Failed, TerminalFate::Skipped,
                                        TerminalFate::NotReached, TerminalFate::Interrupted}) {
            if (field == fateWord(fate))
                return true;
        }
        return false;
    }
    if (field == stepWord(std::nullopt))
        return true;
    for (int value = 0; value <= int(ResultStatus::NotReached); ++value) {
        if (field == statusWord(ResultStatus(value)))
            return true;
    }
    return false;
}

// A row of fields (leading tabs taken off) such as reportRow() writes: its time, number, words and seconds.
bool couldBeOurRow(const QStringList &row)
{
    static const QRegularExpression time(QRegularExpression::anchoredPattern(
        QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d")));
    static const QRegularExpression number(QRegularExpression::anchoredPattern(QStringLiteral("0|[1-9][0-9]{0,2}")));
    static const QRegularExpression seconds(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+\\.[0-9]")));
    const QStringList header = reportHeader();
    if (row.size() != header.size() || !time.match(row.at(0)).hasMatch() || !number.match(row.at(1)).hasMatch()
        || row.at(1).toInt() > 255 || !isWordOf(row.at(2), u"fate")
        || !seconds.match(row.at(header.indexOf(QStringLiteral("seconds")))).hasMatch())
        return false;
    const qsizetype firstStep = header.indexOf(ProvisionSteps[0].name.toString());
    for (int step = 0; step < ProvisionStepCount; ++step) {
        if (!isWordOf(row.at(firstStep + step), u"step"))
            return false;
    }
    return true;
}

} // namespace

std::variant<ExistingReport, QString> readReport(const QByteArray &bytes)
{
    const QString why = QCoreApplication::translate("cli", "不是本程序的报告（第一行不是报告的标题行）");
    const QByteArray start = reportStart();
    // The header line byte for byte: a spreadsheet's or another program's CSV with the same columns is not
    // taken for a report this program may append to.
    if (bytes.size() > ReportSizeLimit || !bytes.startsWith(start))
        return why;
    const QByteArrayView all(bytes);
    const qsizetype wholeSize = endOfWholeRows(all);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(all.sliced(3, wholeSize - 3));
    auto records = csvRecords(text);
    if (decoder.hasError() || !records || records->isEmpty() || records->front() != reportHeader())
        return why;
    records->removeFirst();
    for (qsizetype index = 0; index < records->size(); ++index) {
        QStringList &row = (*records)[index];
        for (QString &field : row) {
            if (field.startsWith(u'\t'))
                field.remove(0, 1);
        }
        if (!couldBeOurRow(row))
            return QCoreApplication::translate("cli", "不是本程序的报告（第 %1 条记录不是本程序写的）").arg(index + 1);
    }
    ExistingReport report{.rows = *records, .wholeSize = wholeSize};
    if (wholeSize < bytes.size())
        // On one line and short, however long the cut row is.
        report.cutRow = QString::fromUtf8(all.sliced(wholeSize, std::min<qsizetype>(bytes.size() - wholeSize, 200)))
                            .simplified()
                            .left(80);
    return report;
}

QStringList ExistingReport::doneNumbers() const
{
    QStringList numbers;
    for (const QStringList &row : rows) {
        if (row.at(2) == fateWord(TerminalFate::Done))
            numbers << row.at(1);
    }
    return numbers;
}

QHash<QString, QString> ExistingReport::doneSerials() const
{
    QHash<QString, QString> serials;
    for (const QStringList &row : rows) {
        if (row.at(2) == fateWord(TerminalFate::Done) && !row.at(3).isEmpty())
            serials.insert(row.at(3), row.at(1));
    }
    return serials;
}

QString ExistingReport::serialOf(int number) const
{
    QString serial;
    for (const QStringList &row : rows) {
        if (row.at(1) == QString::number(number) && row.at(2) == fateWord(TerminalFate::Done))
            serial = row.at(3);
    }
    return serial;
}

std::optional<TerminalRecord> ExistingReport::lastAttempt(int number, const QString &logoHash) const
{
    const QStringList header = reportHeader();
    const qsizetype firstStep = header.indexOf(ProvisionSteps[0].name.toString());
    const qsizetype hashColumn = header.indexOf(QStringLiteral("logo_sha256"));
    const QStringList *last = nullptr;
    for (const QStringList &row : rows) {
        if (row.at(1) == QString::number(number))
            last = &row;
    }
    if (!last || last->at(2) == fateWord(TerminalFate::Done) || last->at(3).isEmpty())
        return std::nullopt;
    TerminalRecord record{.number = number, .fate = TerminalFate::Failed, .serial = last->at(3)};
    for (int index = 0; index < ProvisionStepCount; ++index) {
        const QString word = last->at(firstStep + index);
        if (word == statusWord(ResultStatus::Ok))
            record.steps[index] = ResultStatus::Ok;
        else if (word != stepWord(std::nullopt))
            record.steps[index] = statusOfWord(word);
        if (ProvisionSteps[index].command == TerminalCommand::DownloadLogo && last->at(hashColumn) != logoHash)
            record.steps[index].reset();
    }
    return record;
}
