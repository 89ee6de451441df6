#include "report.h"

#include <algorithm>

namespace bench {

void Report::add(const SpreadRow &row)
{
    const QString suffix = row.unit.isEmpty() ? QString() : u' ' + row.unit;
    m_rows.push_back({row.figure, row.what, fixed(row.spread.median, row.decimals) + suffix,
                      fixed(row.spread.min, row.decimals) + suffix,
                      fixed(row.spread.max, row.decimals) + suffix, row.runs, row.target, row.met});
}

void Report::append(const Report &other)
{
    m_rows.insert(m_rows.end(), other.m_rows.cbegin(), other.m_rows.cend());
    m_details += other.m_details;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString fixedEach(const std::vector<double> &values, int decimals)
{
    QStringList parts;
    for (const double value : values)
        parts << fixed(value, decimals);
    return parts.join(u' ');
}

QString yesNo(bool met)
{
    return met ? QStringLiteral("yes") : QStringLiteral("**no**");
}

QString markdownTable(std::vector<Row> rows)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.figure < b.figure; });
    QString table;
    table += QStringLiteral("| # | Figure | Median | Min | Max | Runs | Target | Met |\n");
    table += QStringLiteral("|---|---|---:|---:|---:|---|---|---|\n");
    for (const Row &row : rows) {
        table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 |\n")
                     .arg(row.figure, row.what, row.median, row.min, row.max, row.runs, row.target, row.met);
    }
    return table;
}

} // namespace bench
