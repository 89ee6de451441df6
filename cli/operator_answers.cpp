#include "operator_answers.h"

#include "stop_signals.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>

#ifndef _WIN32
#include <poll.h>
#include <termios.h>
#endif
#include <unistd.h>

OperatorAnswers::OperatorAnswers()
    : m_terminal(::isatty(STDIN_FILENO) != 0)  // Windows answers a console with another non-zero value
{
}

OperatorAnswers::Answer OperatorAnswers::ask(const QString &question)
{
    for (;;) {
        if (m_terminal) {
#ifndef _WIN32
            // Enter pressed twice during the last terminal must not start the next one.
            ::tcflush(STDIN_FILENO, TCIFLUSH);
#endif
            const QByteArray prompt = question.toUtf8() + ' ';
            std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stderr);
            std::fflush(stderr);
        }
        const auto line = nextLine();
        if (!line) {
            // Ctrl-C or Ctrl-D leaves the question's line, so what follows starts on a line of its own.
            if (m_terminal) {
                std::fputc('\n', stderr);
                std::fflush(stderr);
            }
            return StopSignals::received() ? Answer::Stopped : Answer::Ended;
        }
        const QString answer = QString::fromLocal8Bit(*line).trimmed().toLower();
        if (answer.isEmpty())
            return Answer::Go;
        if (answer == u"q")
            return Answer::Quit;
        if (answer == u"s")
            return Answer::Skip;
        // Only Enter sets a terminal up: a stray key is asked about again.
    }
}

std::optional<QByteArray> OperatorAnswers::nextLine()
{
#ifdef _WIN32
    std::string line;
    if (StopSignals::received() || !std::getline(std::cin, line))
        return std::nullopt;
    return QByteArray::fromStdString(line);
#else
    for (;;) {
        if (StopSignals::received())
            return std::nullopt;
        if (const qsizetype end = m_pending.indexOf('\n'); end >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return line;
        }
        pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {StopSignals::watchFd(), POLLIN, 0}};
        if (::poll(watched, watched[1].fd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (watched[0].revents == 0)
            continue;
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            // A last line without its end is still an answer.
            if (m_pending.isEmpty())
                return std::nullopt;
            return std::exchange(m_pending, {});
        }
        m_pending.append(buffer, got);
    }
#endif
}
