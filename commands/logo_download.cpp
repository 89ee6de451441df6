#include "logo_download.h"

#include "status_messages.h"

namespace {
constexpr char LogoLineStart = 0x1C;
constexpr char LogoLineCode = 0x55;
} // namespace

QByteArray logoLineFrame(int lineIndex, QByteArrayView lineBytes)
{
    Q_ASSERT(lineBytes.size() == LogoBytesPerLine);
    const char block = char(lineIndex / LogoLinesPerBlock);
    const char offset = char(LogoBytesPerLine * (lineIndex % LogoLinesPerBlock));
    const char header[] = {LogoLineStart, LogoLineCode, block, offset};
    return QByteArray(header, sizeof header).append(lineBytes);
}

LogoDownloadTask::LogoDownloadTask(LogoPicture picture, quint8 machineNumber, ProgressSink progress)
    : m_picture(std::move(picture)), m_machineNumber(machineNumber), m_progress(std::move(progress))
{
}

CommandStep LogoDownloadTask::begin()
{
    m_line = 0;
    return startLine();
}

CommandStep LogoDownloadTask::next(const ExchangeOutcome &outcome)
{
    switch (outcome.kind) {
    case ExchangeOutcome::Kind::TimedOut:
        return CommandResult{StatusText::CommunicationFailed.toString(), CommandStatus::NoReply, {}, m_line};
    case ExchangeOutcome::Kind::WrongReply:
        if (lineWasTalking(outcome))
            return CommandResult{StatusText::withDetail(StatusText::CommunicationInterrupted.toString(), StatusText::LineTalking.toString()),
                                 CommandStatus::WrongReply, outcome.reply, m_line, true};
        return CommandResult{StatusText::CommunicationInterrupted.toString(), CommandStatus::WrongReply,
                             outcome.reply, m_line};
    case ExchangeOutcome::Kind::Replied:
        break;
    }
    if (++m_line == LogoLineCount)
        return CommandResult{StatusText::DownloadComplete.toString(), CommandStatus::Done, outcome.reply, m_line};
    return startLine();
}

CommandStep LogoDownloadTask::startLine()
{
    m_progress(m_line);
    // Address and line in one write, unlike the set-up commands' separate address write: the terminal is
    // already listening for the next line once it has answered the last.
    return Exchange{.addressByte = m_machineNumber,
                    .pauseFirst = false,
                    .commandFrame = logoLineFrame(m_line, m_picture.line(m_line))};
}
