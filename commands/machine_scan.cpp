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

namespace {

// How long a line that brought bytes that are no answer must stay quiet before it counts as empty: longer
// than the pause in an answer sent in two pieces.
constexpr std::chrono::milliseconds OutOfStepQuiet{100};

} // namespace

CommandStep MachineScanTask::begin()
{
    m_nextInOrder = m_range.first;
    return askNext();
}

CommandStep MachineScanTask::ask(int machine, bool longWait, bool firstAsk)
{
    m_phase = Phase::Asking;
    m_current = machine;
    m_currentLong = longWait;
    m_currentWaiting = true;
    m_currentFirst = firstAsk;
    Exchange exchange = readSerialExchange(quint8(machine));
    if (!longWait) {
        exchange.replyLimit = m_wait;
        exchange.limitFromFrameEnd = true;
    }
    return exchange;
}

void MachineScanTask::withdraw()
{
    // A number whose first question never went out has not been asked.
    if (m_phase == Phase::Asking && m_currentFirst && m_onProgress)
        m_onProgress(m_current - m_range.first, m_range.count());
}

bool MachineScanTask::mayStillAnswer(int machine) const
{
    if (m_phase == Phase::OutOfStep || (m_current < machine && !m_currentFirst && m_phase == Phase::Asking))
        return true;
    for (const int queued : m_askAgain) {
        if (queued < machine)
            return true;
    }
    return false;
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

bool MachineScanTask::wasAsked(int machine) const
{
    return machine == m_current || (machine >= m_range.first && machine < m_nextInOrder);
}

CommandStep MachineScanTask::next(const ExchangeOutcome &outcome)
{
    return m_phase == Phase::Asking ? afterQuestion(outcome) : afterListening(outcome);
}

CommandStep MachineScanTask::afterQuestion(const ExchangeOutcome &outcome)
{
    const Phase then = m_reported.test(size_t(m_current)) ? Phase::BeforeNext : Phase::BeforeAgain;
    if (outcome.kind == ExchangeOutcome::Kind::TimedOut) {
        m_currentWaiting = false;
        if (m_currentLong && m_late.test(size_t(m_current)) && !m_reported.test(size_t(m_current))) {
            // It answered once, late, and not again within the second: it is there, but not usable so.
            report(ScanAnswer::Kind::Late, m_current, m_lateAnswers.at(size_t(m_current)));
        }
        // An answer may still be on its way; what is already on the line is heard before the next question.
        return listen(std::chrono::milliseconds(0), Phase::BeforeNext);
    }
    // Replied, or bytes that are not this number's answer (or arrived before its question went out, when
    // nothing in them can answer it).
    if (outcome.beforeFrame)
        m_currentWaiting = false;
    m_outOfStep = attribute(outcome.reply);
    if (!m_outOfStep.isEmpty()) {
        m_afterQuiet = then;
        return listen(OutOfStepQuiet, Phase::OutOfStep);
    }
    // Bytes trailing an answer are heard before the next question; so is this number's own answer after
    // another's that took its place.
    return listen(quietTime(), m_reported.test(size_t(m_current)) ? Phase::BeforeNext : then);
}

CommandStep MachineScanTask::afterListening(const ExchangeOutcome &outcome)
{
    // Heard out for as long as a listen may take and still talking: nothing asked on it can be told from
    // what is on it anyway, and asking every number a second each would take minutes.
    if (lineWasTalking(outcome))
        return CommandResult{StatusText::LineTalking.toString(), CommandStatus::WrongReply, {}, {}, true};
    if (m_phase == Phase::OutOfStep) {
        // The line is quiet: what was heard is taken apart once more as a whole, since a piece of an answer
        // may have come before the line went quiet, and the rest of it after.
        const QByteArray rest = attribute(std::exchange(m_outOfStep, {}) + outcome.reply);
        if (!rest.isEmpty()) {
            outOfStep(rest);
            return askNext();
        }
        return afterQuiet(m_afterQuiet);
    }
    const QByteArray rest = attribute(outcome.reply);
    if (!rest.isEmpty()) {
        m_outOfStep = rest;
        m_afterQuiet = m_phase;
        return listen(OutOfStepQuiet, Phase::OutOfStep);
    }
    return afterQuiet(m_phase);
}

CommandStep MachineScanTask::afterQuiet(Phase phase)
{
    if (phase == Phase::BeforeAgain && !m_reported.test(size_t(m_current))) {
        // Another number's answer took this question's place: this number is asked again, once at once,
        // and should that happen again, with the whole second after the others.
        if (!std::exchange(m_askedAgain, true))
            return ask(m_current, m_currentLong);
        askAgain(m_current, Again::Spoiled);
    }
    return askNext();
}

QByteArray MachineScanTask::attribute(const QByteArray &bytes)
{
    qsizetype at = 0;
    for (; bytes.size() - at >= ReadSerialReplyLength; at += ReadSerialReplyLength) {
        const int named = quint8(bytes.at(at));
        if (!wasAsked(named))
            break;
        const QByteArray answer = bytes.mid(at, ReadSerialReplyLength);
        // A terminal already told: its answer to a question asked once more, its own and nobody's wrong one;
        // unless its serial is another, when a second terminal answers the same number.
        if (m_reported.test(size_t(named))) {
            tellIfCollision(named, m_toldAnswers.at(size_t(named)), answer);
            continue;
        }
        if (named == m_current && m_currentWaiting) {
            report(ScanAnswer::Kind::Found, named, answer, m_currentLong && m_late.test(size_t(named)));
            continue;
        }
        // After its short wait: the terminal is there but slow. It is asked again with the whole second
        // before the scan goes on, so that its next answer does not fall into another number's wait.
        if (m_late.test(size_t(named)))
            tellIfCollision(named, m_lateAnswers.at(size_t(named)), answer);
        m_late.set(size_t(named));
        m_lateAnswers.at(size_t(named)) = answer;
        askAgain(named, Again::Late);
    }
    return bytes.mid(at);
}

void MachineScanTask::tellIfCollision(int machine, const QByteArray &heard, const QByteArray &answer)
{
    if (heard.isEmpty() || heard == answer || m_collided.test(size_t(machine)))
        return;
    m_collided.set(size_t(machine));
    if (m_onAnswer)
        m_onAnswer({ScanAnswer::Kind::Collision, machine, answer, false});
}

void MachineScanTask::outOfStep(const QByteArray &bytes)
{
    // The number asked last: asked once more on the quiet line. A terminal found whose answers keep
    // bringing bytes that are no answer is said to answer wrongly; one that did not answer is not.
    const size_t current = size_t(m_current);
    if (!m_askedSpoiled.test(current)) {
        askAgain(m_current, Again::Spoiled);
    } else if (m_reported.test(current) ? !m_toldWrong.test(current) : m_currentLong && m_currentWaiting) {
        report(ScanAnswer::Kind::Wrong, m_current, bytes);
    }
    // An answer of a number asked may hide in the bytes (at its start: cut short): that number is asked once
    // more too, so that noise never hides a terminal. Nothing in them is taken for an answer.
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const int named = quint8(bytes.at(at));
        if ((at == 0 || bytes.size() - at >= ReadSerialReplyLength) && wasAsked(named) && !m_reported.test(size_t(named)))
            askAgain(named, Again::Spoiled);
    }
}

void MachineScanTask::askAgain(int machine, Again why)
{
    if (m_queued.test(size_t(machine)))
        return;
    if (why == Again::Spoiled) {
        if (m_askedSpoiled.test(size_t(machine)))
            return;
        m_askedSpoiled.set(size_t(machine));
    }
    m_queued.set(size_t(machine));
    m_askAgain.push_back(machine);
}

CommandStep MachineScanTask::askNext()
{
    m_askedAgain = false;
    m_currentWaiting = false;
    while (!m_askAgain.empty()) {
        const int machine = m_askAgain.front();
        m_askAgain.pop_front();
        m_queued.reset(size_t(machine));
        if (!m_toldWrong.test(size_t(machine)))
            return ask(machine, true);
    }
    if (m_nextInOrder <= m_range.last) {
        if (m_onProgress)
            m_onProgress(m_nextInOrder - m_range.first + 1, m_range.count());
        const int machine = m_nextInOrder++;
        return ask(machine, false, true);
    }
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
    m_reported.set(size_t(machine));
    if (kind != ScanAnswer::Kind::Wrong)
        m_toldAnswers.at(size_t(machine)) = reply;
    if (kind != ScanAnswer::Kind::Found)
        m_toldWrong.set(size_t(machine));
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

QString collisionNote(int machine)
{
    return QCoreApplication::translate("MachineScan", "机号 %1：可能有两台考勤机同号").arg(machine);
}

QString sharedLineWarning(int terminals)
{
    if (isPartScanCount(terminals))
        return QCoreApplication::translate("MachineScan",
                                           "上次查找机号没有查完每个机号（找到 %1 台，其余机号不知道）：改号会让这条线上每一台都换成新机号。")
            .arg(terminals - PartScan);
    return QCoreApplication::translate("MachineScan",
                                       "上次查找机号时这条线上有 %1 台考勤机：改号会让每一台都换成新机号。").arg(terminals);
}
