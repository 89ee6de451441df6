#include "machine_scan.h"

#include "read_serial.h"
#include "status_messages.h"

#include <QCoreApplication>

#include <utility>

QString ScanAnswer::serial() const
{
    return reply.size() == ReadSerialReplyLength ? serialTextFromReply(reply) : QString();
}

MachineScanTask::MachineScanTask(MachineRange range, std::chrono::milliseconds wait, AnswerHandler onAnswer,
                                 ProgressHandler onProgress)
    : m_range(range), m_wait(wait), m_onAnswer(std::move(onAnswer)), m_onProgress(std::move(onProgress))
{
}

CommandStep MachineScanTask::begin()
{
    m_nextInOrder = m_range.first + 1;
    return ask(m_range.first, false);
}

CommandStep MachineScanTask::ask(int machine, bool longWait)
{
    m_phase = Phase::Asking;
    m_current = machine;
    m_currentLong = longWait;
    m_currentWaiting = true;
    m_unanswered.set(size_t(machine));
    Exchange exchange = readSerialExchange(quint8(machine));
    if (!longWait) {
        exchange.replyLimit = m_wait;
        exchange.limitFromFrameEnd = true;
    }
    return exchange;
}

CommandStep MachineScanTask::listen(std::chrono::milliseconds quiet, Phase phase)
{
    m_phase = phase;
    Exchange exchange;
    exchange.listenOnly = true;
    exchange.replyLimit = quiet;
    return exchange;
}

std::chrono::milliseconds MachineScanTask::quietTime() const
{
    // Long enough for a byte trailing an answer through a USB adapter's latency timer (up to 16 ms).
    return std::min(m_wait, std::chrono::milliseconds(20));
}

CommandStep MachineScanTask::next(const ExchangeOutcome &outcome)
{
    return m_phase == Phase::Asking ? afterQuestion(outcome) : afterListening(outcome);
}

CommandStep MachineScanTask::afterQuestion(const ExchangeOutcome &outcome)
{
    switch (outcome.kind) {
    case ExchangeOutcome::Kind::Replied:
        m_unanswered.reset(size_t(m_current));
        report(ScanAnswer::Kind::Found, m_current, outcome.reply, m_currentLong);
        return listen(quietTime(), Phase::BeforeNext);
    case ExchangeOutcome::Kind::TimedOut:
        m_currentWaiting = false;
        if (m_currentLong && m_unanswered.test(size_t(m_current))) {
            // It answered once, late, and not again within the second: it is there, but not usable so.
            m_unanswered.reset(size_t(m_current));
            report(ScanAnswer::Kind::Late, m_current, m_lateAnswers.at(size_t(m_current)));
        }
        // An answer may still be on its way; what is already on the line is heard before the next question.
        return listen(std::chrono::milliseconds(0), Phase::BeforeNext);
    case ExchangeOutcome::Kind::WrongReply:
        attribute(outcome.reply);
        if (!m_unanswered.test(size_t(m_current)) || m_late.test(size_t(m_current)) != m_currentLong || m_askedAgain)
            return listen(quietTime(), Phase::BeforeNext);
        // Another number's late answer took this question's place: this number's own may follow it.
        return listen(quietTime(), Phase::BeforeAgain);
    }
    return askNext();
}

CommandStep MachineScanTask::afterListening(const ExchangeOutcome &outcome)
{
    const QByteArray heard = std::exchange(m_partial, {}) + outcome.reply;
    // The start of an answer still on its way (a wait that ran out mid-answer): heard out once more, so
    // that its rest is not taken for the next number's.
    if (!heard.isEmpty() && heard.size() < ReadSerialReplyLength && m_unanswered.test(size_t(quint8(heard.at(0))))
        && !std::exchange(m_listenedAgain, true)) {
        m_partial = heard;
        return listen(quietTime(), m_phase);
    }
    m_listenedAgain = false;
    if (!heard.isEmpty())
        attribute(heard);
    if (m_phase == Phase::BeforeAgain && m_unanswered.test(size_t(m_current))
        && m_late.test(size_t(m_current)) == m_currentLong) {
        m_askedAgain = true;
        return ask(m_current, m_currentLong);
    }
    return askNext();
}

void MachineScanTask::attribute(QByteArray bytes)
{
    while (!bytes.isEmpty()) {
        const int named = quint8(bytes.at(0));
        const bool inTime = named == m_current && m_currentWaiting;
        if (bytes.size() >= ReadSerialReplyLength && m_unanswered.test(size_t(named)) && (inTime || !m_late.test(size_t(named)))) {
            const QByteArray answer = bytes.left(ReadSerialReplyLength);
            bytes.remove(0, ReadSerialReplyLength);
            if (inTime) {
                m_unanswered.reset(size_t(named));
                report(ScanAnswer::Kind::Found, named, answer, m_currentLong);
                continue;
            }
            // After its short wait: the terminal is there but slow. It is asked again with the whole second
            // before the scan goes on, so that its next answer does not fall into another number's wait.
            m_late.set(size_t(named));
            m_lateAnswers.at(size_t(named)) = answer;
            m_askAgain.push_back(named);
            continue;
        }
        // No answer to anything asked: a byte trailing the answer of the terminal it names, or noise after
        // the question last asked.
        const bool namesAsked = named >= m_range.first && named < m_nextInOrder;
        const int machine = namesAsked ? named : m_current;
        m_unanswered.reset(size_t(machine));
        report(ScanAnswer::Kind::Wrong, machine, bytes);
        return;
    }
}

CommandStep MachineScanTask::askNext()
{
    m_askedAgain = false;
    m_currentWaiting = false;
    if (!m_askAgain.empty()) {
        const int machine = m_askAgain.front();
        m_askAgain.pop_front();
        return ask(machine, true);
    }
    if (m_onProgress && !m_listenedAfterLast)
        m_onProgress(m_nextInOrder - m_range.first, m_range.count());
    if (m_nextInOrder <= m_range.last)
        return ask(m_nextInOrder++, false);
    if (!std::exchange(m_listenedAfterLast, true)) {
        // A terminal may take up to a second: the last numbers' answers are awaited for the rest of it.
        return listen(std::max(m_wait, TerminalReplyLimit - m_wait), Phase::AfterLast);
    }
    return finish();
}

CommandStep MachineScanTask::finish()
{
    if (m_found > 0)
        return CommandResult{scanSummary(m_found), CommandStatus::Done};
    if (m_wrong > 0)
        return CommandResult{StatusText::CommunicationFailed.toString(), CommandStatus::WrongReply};
    return CommandResult{StatusText::CommunicationFailed.toString(), CommandStatus::NoReply};
}

void MachineScanTask::report(ScanAnswer::Kind kind, int machine, const QByteArray &reply, bool slow)
{
    if (kind == ScanAnswer::Kind::Found)
        ++m_found;
    else
        ++m_wrong;
    if (m_onAnswer)
        m_onAnswer({kind, machine, reply, slow});
}

QString scanSummary(int found)
{
    return QCoreApplication::translate("MachineScan", "找到 %1 台考勤机").arg(found);
}

QString sharedLineWarning(int terminals)
{
    return QCoreApplication::translate("MachineScan",
                                       "上次查找机号时这条线上有 %1 台考勤机：改号会让每一台都换成新机号。").arg(terminals);
}
