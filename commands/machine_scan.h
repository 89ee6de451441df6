#pragma once

#include "terminal_task.h"

#include <QList>
#include <QString>

#include <algorithm>
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
    // The first `asked` numbers: what a scan stopped early has covered; nothing when it asked none.
    std::optional<MachineRange> firstOf(int asked) const
    {
        return asked > 0 ? std::optional<MachineRange>({first, first + std::min(asked, count()) - 1}) : std::nullopt;
    }
    bool operator==(const MachineRange &) const = default;
};

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
//
// Bytes are put down to the terminal their first byte names: a late answer of an earlier number is reported
// late for that number (and the question it spoiled is asked again), bytes trailing an answer are that
// terminal's. After an answer the next question waits for a quiet line, and after the last number the scan
// listens once more for an answer still on its way.
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
    enum class Phase {
        Asking,        // a question is on the line
        BeforeNext,    // listening before the next number's question
        BeforeAgain,   // listening before the spoiled question is asked again
        AfterLast,     // listening once more after the last number
    };

    CommandStep ask(int machine);
    CommandStep listen(std::chrono::milliseconds quiet, Phase phase);
    CommandStep afterQuestion(const ExchangeOutcome &outcome);
    CommandStep afterListening(const ExchangeOutcome &outcome);
    CommandStep askNext();
    CommandStep finish();
    void attribute(QByteArray bytes);
    void report(ScanAnswer::Kind kind, int machine, const QByteArray &reply);
    std::chrono::milliseconds quietTime() const;

    MachineRange m_range;
    std::chrono::milliseconds m_wait;
    AnswerHandler m_onAnswer;
    ProgressHandler m_onProgress;
    Phase m_phase = Phase::Asking;
    int m_current = -1;
    bool m_currentWaiting = false;  // the current question's wait has not run out
    bool m_askedAgain = false;
    QByteArray m_partial;         // the start of an answer heard while listening, its rest awaited
    bool m_listenedAgain = false;
    std::bitset<256> m_unanswered;  // numbers asked whose answer has not come (yet)
    int m_found = 0;
    int m_wrong = 0;
};

// The status line's summary of a scan: how many terminals answered.
QString scanSummary(int found);

// Said before a renumber on a line where a scan found `terminals` terminals (more than one).
QString sharedLineWarning(int terminals);
