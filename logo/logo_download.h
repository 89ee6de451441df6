#pragma once

#include "exchange.h"
#include "logo_file.h"

#include <functional>
#include <optional>

// The 20-byte frame that carries one line of the logo: block number and offset within the block tell
// the terminal where the 16 picture bytes go.
QByteArray logoLineFrame(int lineIndex, QByteArrayView lineBytes);

// Sends the 32 lines of a logo, each answered by the terminal with its machine number. The machine
// number is asked for afresh before every line, so a change made during the download applies from the
// next line on. No line is sent twice: the first line that fails ends the download.
class LogoDownloadTask : public TerminalTask
{
public:
    using MachineNumberSource = std::function<std::optional<quint8>()>;
    using ProgressSink = std::function<void(int linesBegun)>;

    LogoDownloadTask(LogoPicture picture, MachineNumberSource machineNumber, ProgressSink progress);

    CommandStep begin() override;
    CommandStep next(const ExchangeOutcome &outcome) override;

private:
    CommandStep startLine();

    LogoPicture m_picture;
    MachineNumberSource m_machineNumber;
    ProgressSink m_progress;
    int m_line = 0;
};
