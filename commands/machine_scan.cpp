#include "machine_scan.h"

#include "read_serial.h"
#include "status_messages.h"

#include <QCoreApplication>
#include <QRegularExpression>

std::optional<MachineRange> machineRangeFromText(const QString &text)
{
    static const QRegularExpression range(QStringLiteral("^\\s*(\\d{1,3})\\s*(?:-\\s*(\\d{1,3})\\s*)?$"));
    const auto match = range.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int first = match.captured(1).toInt();
    const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
    if (first > 255 || last > 255 || last < first)
        return std::nullopt;
    return MachineRange{first, last};
}

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
    return ask(m_range.first);
}

CommandStep MachineScanTask::ask(int machine)
{
    m_current = machine;
    Exchange exchange = readSerialExchange(quint8(machine));
    exchange.replyLimit = m_wait;
    return exchange;
}

CommandStep MachineScanTask::next(const ExchangeOutcome &outcome)
{
    switch (outcome.kind) {
    case ExchangeOutcome::Kind::Replied:
        report(ScanAnswer::Kind::Found, m_current, outcome.reply);
        break;
    case ExchangeOutcome::Kind::WrongReply: {
        // An earlier number's answer that came after its wait is taken for this one's; it is reported for
        // the number it names, and this number is asked once more.
        const int named = quint8(outcome.reply.at(0));
        if (m_silent.test(size_t(named))) {
            m_silent.reset(size_t(named));
            report(ScanAnswer::Kind::Late, named, outcome.reply);
            if (!m_askedAgain) {
                m_askedAgain = true;
                return ask(m_current);
            }
        } else {
            report(ScanAnswer::Kind::Wrong, m_current, outcome.reply);
        }
        break;
    }
    case ExchangeOutcome::Kind::TimedOut:
        m_silent.set(size_t(m_current));
        break;
    }
    return askNext();
}

CommandStep MachineScanTask::askNext()
{
    m_askedAgain = false;
    if (m_onProgress)
        m_onProgress(m_current - m_range.first + 1, m_range.count());
    if (m_current < m_range.last)
        return ask(m_current + 1);
    if (m_found > 0)
        return CommandResult{scanSummary(m_found), CommandStatus::Done};
    if (m_wrong > 0)
        return CommandResult{StatusText::CommunicationFailed.toString(), CommandStatus::WrongReply};
    return CommandResult{StatusText::CommunicationFailed.toString(), CommandStatus::NoReply};
}

void MachineScanTask::report(ScanAnswer::Kind kind, int machine, const QByteArray &reply)
{
    if (kind == ScanAnswer::Kind::Found)
        ++m_found;
    else
        ++m_wrong;
    if (m_onAnswer)
        m_onAnswer({kind, machine, reply});
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
