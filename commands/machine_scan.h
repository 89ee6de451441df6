#pragma once

#include "exchange.h"

#include <QList>
#include <QString>

#include <bitset>
#include <chrono>
#include <functional>
#include <optional>

// Finding which machine numbers answer on a line: the serial-number read, which changes nothing, asked of
// one number after the other with a short wait.
//
// A terminal answers the read with 4 bytes, which take 4.2 ms on a 9600-baud line after the 3 bytes of the
// question (3.1 ms), and answers at once; a USB adapter adds its latency timer (1 to 16 ms) each way. The
// default wait leaves several times that, and 256 numbers on a silent line still take under half a minute.
inline constexpr std::chrono::milliseconds DefaultScanWait{100};

struct MachineRange
{
    int first = 0;
    int last = 255;

    int count() const { return last - first + 1; }
    bool operator==(const MachineRange &) const = default;
};

// "0-255", "18" or "5-9"; nothing for anything else (a reversed range, a number above 255).
std::optional<MachineRange> machineRangeFromText(const QString &text);

// What came back for one number that did not simply stay silent.
struct ScanAnswer
{
    enum class Kind {
        Found,  // the terminal with this number answered in time, with its serial
        Late,   // it answered, but after the wait: its answer came during the next number's
        Wrong,  // something answered this number with bytes that are not its answer
    };
    Kind kind = Kind::Found;
    int machine = 0;
    QByteArray reply;

    QString serial() const;  // six hex digits, for Found and Late
};

// Asks every number of the range once and reports each answer as it comes. The command ends "Done" when
// at least one terminal was found, otherwise as the last of its failures.
class MachineScanTask : public TerminalTask
{
public:
    using AnswerHandler = std::function<void(const ScanAnswer &answer)>;
    using ProgressHandler = std::function<void(int asked, int total)>;

    MachineScanTask(MachineRange range, std::chrono::milliseconds wait, AnswerHandler onAnswer,
                    ProgressHandler onProgress = {});

    CommandStep begin() override;
    CommandStep next(const ExchangeOutcome &outcome) override;

private:
    CommandStep ask(int machine);
    CommandStep askNext();
    void report(ScanAnswer::Kind kind, int machine, const QByteArray &reply);

    MachineRange m_range;
    std::chrono::milliseconds m_wait;
    AnswerHandler m_onAnswer;
    ProgressHandler m_onProgress;
    int m_current = 0;
    bool m_askedAgain = false;
    std::bitset<256> m_silent;  // numbers whose wait ran out, whose answer may still come
    int m_found = 0;
    int m_wrong = 0;
};

// The status line's summary of a scan: how many terminals answered.
QString scanSummary(int found);

// Said before a renumber on a line where a scan found `terminals` terminals (more than one).
QString sharedLineWarning(int terminals);
