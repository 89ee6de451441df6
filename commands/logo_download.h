#pragma once

#include "logo_file.h"
#include "terminal_task.h"

#include <functional>

// The 20-byte frame that carries one line of the logo: block number and offset within the block tell
// the terminal where the 16 picture bytes go.
QByteArray logoLineFrame(int lineIndex, QByteArrayView lineBytes);

// Sends the 32 lines of a logo, each answered by the terminal with its machine number. All 32 lines go
// to the machine number given at the start, so a key typed into the window meanwhile cannot split one
// picture across two terminals. No line is sent twice: the first line that fails ends the download.
class LogoDownloadTask : public TerminalTask
{
public:
    using ProgressSink = std::function<void(int linesBegun)>;

    LogoDownloadTask(LogoPicture picture, quint8 machineNumber, ProgressSink progress);

    CommandStep begin() override;
    CommandStep next(const ExchangeOutcome &outcome) override;
    std::optional<int> linesConfirmed() const override { return m_line; }

private:
    CommandStep startLine();

    LogoPicture m_picture;
    quint8 m_machineNumber;
    ProgressSink m_progress;
    int m_line = 0;  // the line on its way; the lines before it are confirmed
};
