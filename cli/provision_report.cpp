#include "provision_report.h"

namespace {
QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1);
}
} // namespace

QString recordLine(const TerminalRecord &record)
{
    const QString serial = record.serial.isEmpty() ? QStringLiteral("------") : record.serial;
    if (record.ok())
        return QStringLiteral("%1  serial %2  ok  %3 s").arg(record.number, 3).arg(serial, seconds(record.elapsedMs));
    return QStringLiteral("%1  %2 %3: %4  %5 s")
        .arg(record.number, 3)
        .arg(commandRow(ProvisionSteps[record.failedStep]).name.toString(), statusWord(record.status()),
             record.failure, seconds(record.elapsedMs));
}

QByteArray reportCsv(const QList<TerminalRecord> &records)
{
    QStringList header{QStringLiteral("number"), QStringLiteral("serial")};
    for (const TerminalCommand step : ProvisionSteps)
        header << commandRow(step).name.toString();
    header << QStringLiteral("seconds");
    QString csv = header.join(u',') + QStringLiteral("\r\n");
    for (const TerminalRecord &record : records) {
        QStringList row{QString::number(record.number), record.serial};
        for (const auto &status : record.steps)
            row << (status ? statusWord(*status) : QStringLiteral("not-run"));
        row << seconds(record.elapsedMs);
        csv += row.join(u',') + QStringLiteral("\r\n");
    }
    return csv.toUtf8();
}
