// Reports of any content through the reader that --resume and appending use: it never takes another
// program's CSV (the first line must be the report's own), every row it accepts is one the writer could have
// written, and a row after the last line end is a cut row, never a reason to refuse the report. Then reports
// the writer makes from the input's text read back to the same fields, whole and cut at every place the
// input picks.

#include "fuzz_check.h"
#include "outcome.h"
#include "provision_report.h"

#include <QByteArray>
#include <QDateTime>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <variant>

namespace {

// The writer's words: every fate, every status a step can end in, and a step not run.
const QStringList FateWords{"done", "failed", "skipped", "not-reached", "interrupted"};
QStringList stepWords()
{
    QStringList words{QStringLiteral("not-run")};
    for (int value = 0; value <= int(ResultStatus::NotReached); ++value)
        words << statusWord(ResultStatus(value));
    return words;
}
const QStringList StepWords = stepWords();
constexpr int FieldCount = 15;
constexpr int FirstStepField = 8;
constexpr int SecondsField = 13;

bool writerCouldHaveWritten(const QStringList &row)
{
    static const QRegularExpression time(QRegularExpression::anchoredPattern(
        QStringLiteral("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}")));
    static const QRegularExpression seconds(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+[.][0-9]")));
    if (row.size() != FieldCount || !time.match(row.at(0)).hasMatch() || !FateWords.contains(row.at(2))
        || !seconds.match(row.at(SecondsField)).hasMatch())
        return false;
    bool number = false;
    const int machine = row.at(1).toInt(&number);
    if (!number || machine < 0 || machine > 255 || QString::number(machine) != row.at(1))
        return false;
    for (int step = FirstStepField; step < SecondsField; ++step) {
        if (!StepWords.contains(row.at(step)))
            return false;
    }
    return true;
}

QByteArray show(const QStringList &row)
{
    return row.join(QStringLiteral(" | ")).toUtf8().left(400);
}

// Takes bytes off the front of the input, for the fields of the reports made below.
class Source
{
public:
    explicit Source(QByteArrayView data) : m_data(data) {}
    bool empty() const { return m_data.isEmpty(); }
    quint8 byte()
    {
        if (m_data.isEmpty())
            return 0;
        const quint8 value = quint8(m_data.front());
        m_data = m_data.sliced(1);
        return value;
    }
    QString text()
    {
        const qsizetype length = qMin<qsizetype>(byte() % 24, m_data.size());
        const QString value = QString::fromUtf8(m_data.first(length));
        m_data = m_data.sliced(length);
        return value;
    }

private:
    QByteArrayView m_data;
};

TerminalRecord recordFrom(Source &source)
{
    static const TerminalFate fates[] = {TerminalFate::Done, TerminalFate::Failed, TerminalFate::Skipped,
                                         TerminalFate::NotReached, TerminalFate::Interrupted};
    TerminalRecord record{.number = source.byte(), .fate = fates[source.byte() % 5], .serial = source.text()};
    const quint8 stepsRun = source.byte();
    for (int step = 0; step < ProvisionStepCount; ++step) {
        if (stepsRun & (1 << step))
            record.steps[step] = ResultStatus(source.byte() % (int(ResultStatus::NotReached) + 1));
    }
    record.message = source.text();
    record.elapsedMs = qint64(source.byte()) * 977;
    const int offsetMinutes = (int(source.byte()) - 128) * 15 % (14 * 60);
    record.time = QDateTime(QDate(2026, 12, 10), QTime(17, 44, source.byte() % 60), Qt::OffsetFromUTC, offsetMinutes * 60);
    return record;
}

// The fields the reader should give back for a row the writer made.
QStringList expectedFields(const QByteArray &row)
{
    const auto records = csvRecords(QString::fromUtf8(row));
    FUZZ_CHECK(records && records->size() == 1);
    QStringList fields = records->front();
    for (QString &field : fields) {
        if (field.startsWith(u'\t'))
            field.remove(0, 1);
    }
    return fields;
}

void checkWrittenReport(QByteArrayView data)
{
    Source source(data);
    const ReportContext context{.port = source.text(), .profile = source.text(), .logoFile = source.text(), .logoHash = source.text()};
    QByteArray report = reportStart();
    QList<qsizetype> rowEnds{report.size()};
    QList<QStringList> rows;
    for (int count = 0; count < 4 && !source.empty(); ++count) {
        const TerminalRecord record = recordFrom(source);
        const QByteArray row = reportRow(record, context);
        report += row;
        rowEnds << report.size();
        rows << expectedFields(row);
        FUZZ_CHECK_INFO(writerCouldHaveWritten(rows.back()), "the writer's own row: " + show(rows.back()));
    }

    const auto whole = readReport(report);
    FUZZ_CHECK_INFO(std::holds_alternative<ExistingReport>(whole), "a written report refused: " + std::get<QString>(whole).toUtf8());
    const ExistingReport &read = std::get<ExistingReport>(whole);
    FUZZ_CHECK_INFO(read.rows == rows, "read " + (read.rows.isEmpty() ? QByteArray() : show(read.rows.back())) + " wrote "
                                           + (rows.isEmpty() ? QByteArray() : show(rows.back())));
    FUZZ_CHECK(read.cutRow.isEmpty() && read.wholeSize == report.size());

    // The power goes while the last row is written: at any byte of it.
    if (rows.isEmpty())
        return;
    const qsizetype lastStart = rowEnds.at(rowEnds.size() - 2);
    const qsizetype cut = lastStart + qsizetype(source.byte()) * (report.size() - lastStart) / 256;
    if (cut == lastStart)
        return;
    const auto cutShort = readReport(report.left(cut));
    FUZZ_CHECK_INFO(std::holds_alternative<ExistingReport>(cutShort),
                    "cut at " + QByteArray::number(cut - lastStart) + ": " + std::get<QString>(cutShort).toUtf8());
    const ExistingReport &kept = std::get<ExistingReport>(cutShort);
    FUZZ_CHECK_INFO(kept.rows == rows.first(rows.size() - 1), "cut at " + QByteArray::number(cut - lastStart));
    FUZZ_CHECK_INFO(kept.wholeSize == lastStart, "cut at " + QByteArray::number(cut - lastStart) + ": whole size "
                                                     + QByteArray::number(kept.wholeSize) + " not " + QByteArray::number(lastStart));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto result = readReport(bytes);
    if (const auto *report = std::get_if<ExistingReport>(&result)) {
        // The first line is the report's own, byte for byte.
        FUZZ_CHECK_INFO(bytes.startsWith(reportStart()), bytes.left(200).toHex());
        for (const QStringList &row : report->rows)
            FUZZ_CHECK_INFO(writerCouldHaveWritten(row), show(row));
        // What was accepted ends with a line end; the rest, if any, is the cut row.
        FUZZ_CHECK(report->wholeSize >= reportStart().size() && report->wholeSize <= bytes.size());
        FUZZ_CHECK(bytes.at(report->wholeSize - 1) == '\n');
        FUZZ_CHECK(!report->cutRow.contains(u'\n') && report->cutRow.size() <= 80);
        // The doneNumbers and doneSerials read the rows' columns: they hold for any accepted report.
        FUZZ_CHECK(report->doneNumbers().size() <= report->rows.size());
        FUZZ_CHECK(report->doneSerials().size() <= report->rows.size());
    } else {
        FUZZ_CHECK(!std::get<QString>(result).isEmpty());
    }
    checkWrittenReport(QByteArrayView(bytes));
    return 0;
}
