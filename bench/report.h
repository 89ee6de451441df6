#pragma once

#include "measuring.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace bench {

// One row of the table.
struct Row
{
    QString figure;
    QString what;
    QString median;
    QString min;
    QString max;
    QString runs;
    QString target;
    QString met;
};

// A row made from the spread of a figure's runs: Report::add(SpreadRow{.figure = "1", .what = ..., ...}).
struct SpreadRow
{
    QString figure;
    QString what;
    Spread spread;
    int decimals = 1;
    QString unit = {}; // after each value; empty for a plain ratio
    QString runs = {}; // how many runs, as the table says it
    QString target = QStringLiteral("–");
    QString met = QStringLiteral("–");
};

// What a figure measured: its rows of the table, and the per-run values behind them.
class Report
{
public:
    void add(const SpreadRow &row);
    void addDetail(const QString &line) { m_details.append(line); }
    void append(const Report &other);

    const std::vector<Row> &rows() const { return m_rows; }
    const QStringList &details() const { return m_details; }

private:
    std::vector<Row> m_rows;
    QStringList m_details;
};

QString fixed(double value, int decimals);
QString fixedEach(const std::vector<double> &values, int decimals); // space-separated
QString yesNo(bool met);

// The rows as one markdown table, sorted by figure.
QString markdownTable(std::vector<Row> rows);

} // namespace bench
