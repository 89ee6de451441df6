#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The operator's answers to provision's questions, a line each, on standard input. At a terminal each
// question is shown on standard error and keys typed before it (while a terminal was being set up) are
// thrown away; from a pipe or a file each line is one answer, read only when a question needs it, and
// the end of the input ends the batch. A stop signal ends a wait for an answer at once.
class OperatorAnswers
{
public:
    enum class Answer {
        Go,       // Enter (any other line is asked about again)
        Skip,     // s
        Quit,     // q
        Ended,    // the input has ended
        Stopped,  // SIGINT or SIGTERM
    };

    OperatorAnswers();

    bool atTerminal() const { return m_terminal; }

    Answer ask(const QString &question);

private:
    // The next line without its end; nothing when the input ended or a stop signal came.
    std::optional<QByteArray> nextLine();

    bool m_terminal;
    QByteArray m_pending;  // read past the last line (a pipe gives what it holds)
};
