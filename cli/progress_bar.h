#pragma once

#include <QElapsedTimer>
#include <QString>

// A download's progress on standard error: a bar, lines sent of all, percent and time left, redrawn in
// place on one line however narrow the terminal. Only when standard error is a terminal, so scripts and
// logs get nothing extra.
class ProgressBar
{
public:
    explicit ProgressBar(int total);
    ~ProgressBar();  // clears the bar

    void show(int done);

    static bool wanted();

    // What is drawn after `done` lines in a terminal `columns` wide: at most columns - 1 of them.
    QString line(int done, int columns, qint64 elapsedMs) const;

private:
    int m_total;
    bool m_enabled;
    bool m_escapes;  // the terminal erases to the end of the line on ESC [ K
    bool m_drawn = false;
    int m_drawnColumns = 0;
    QElapsedTimer m_elapsed;
};
