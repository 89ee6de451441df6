#pragma once

#include <QElapsedTimer>
#include <QString>

#include <chrono>

// The columns text takes in a terminal: two for each wide East Asian character ("剩余 秒").
int columnsOf(const QString &text);

// A download's progress on standard error: a bar, lines sent of all, percent and time left, redrawn in
// place on one line however narrow the terminal. Only when standard error is a terminal, so scripts and
// logs get nothing extra.
class ProgressBar
{
public:
    // `tail`: a wait that follows the last of `total` (a scan's listening for late answers), part of the time left.
    explicit ProgressBar(int total, std::chrono::milliseconds tail = {});
    ~ProgressBar();  // clears the bar

    void show(int done);
    // The counts drawn instead of "done/total" from now on (a scan of several lines: lines and numbers).
    void setCounts(const QString &counts) { m_counts = counts; }
    // Takes the bar down for a line printed on standard error; the next show() draws it again, its time
    // left still counted from the start.
    void clear();

    static bool wanted();
    // Whether a bar can be drawn beside what goes to standard output as it comes: not when standard output
    // is a pipe, whose reader may write it to the same terminal at any moment, onto the bar's line.
    static bool besideStreamedOutput();

    // What is drawn after `done` lines in a terminal `columns` wide: at most columns - 1 of them.
    QString line(int done, int columns, qint64 elapsedMs) const;

private:
    int m_total;
    QString m_counts;
    std::chrono::milliseconds m_tail;
    bool m_enabled;
    bool m_escapes;  // the terminal erases to the end of the line on ESC [ K
    bool m_drawn = false;
    int m_drawnColumns = 0;
    QElapsedTimer m_elapsed;
};
