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

LogoDownloadTask::LogoDownloadTask(LogoPicture picture, MachineNumberSource machineNumber,
                                   ProgressSink progress)
    : m_picture(std::move(picture)), m_machineNumber(std::move(machineNumber)), m_progress(std::move(progress))
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
        return Finished{StatusText::CommunicationFailed.toString()};
    case ExchangeOutcome::Kind::WrongReply:
        return Finished{StatusText::CommunicationInterrupted.toString()};
    case ExchangeOutcome::Kind::Replied:
        break;
    }
    if (++m_line == LogoLineCount)
        return Finished{StatusText::DownloadComplete.toString()};
    return startLine();
}

CommandStep LogoDownloadTask::startLine()
{
    m_progress(m_line);
    const std::optional<quint8> machineNumber = m_machineNumber();
    if (!machineNumber)
        return Finished{StatusText::BadMachineNumber.toString()};
    return Exchange{*machineNumber, false, logoLineFrame(m_line, m_picture.line(m_line)), 1};
}
