#pragma once

#include "terminal_task.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <bitset>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>

// Finding which machine numbers answer on a line: the serial-number read, which changes nothing, asked of
// one number after the other with a short wait.
//
// A terminal answers the read with 4 bytes, which take 4.2 ms on a 9600-baud line after the 3 bytes of the
// question (3.1 ms), and answers at once; a USB adapter holds bytes back for its latency timer (up to 16 ms
// with the common default). The short wait counts from the end of the question on the wire and covers
// that; a terminal slower than it is not missed: its late answer names it, and it is asked again with the
// usual one-second wait. 256 numbers on a silent line take about 7 s.
inline constexpr std::chrono::milliseconds DefaultScanWait{20};

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
        Late,   // it answered after the short wait, and not again within the second it was given then
        Wrong,  // something answered this number with bytes that are not its answer
    };
    Kind kind = Kind::Found;
    int machine = 0;
    QByteArray reply;
    // Found only when asked again with the one-second wait, after its first answer missed the short one.
    bool slow = false;

    QString serial() const;  // six hex digits, for Found and Late
};

// Asks every number of the range once with the short wait and reports each answer as it comes. The command
// ends "Done" when at least one terminal was found, otherwise as the last of its failures.
//
// Bytes are put down to the terminal their first byte names: a late answer of an earlier number is not
// taken for the current one (whose spoiled question is asked again); its number is asked again with the
// usual one-second wait before the scan goes on, and reported slow when it answers then. Bytes trailing an
// answer are that terminal's. Every question goes out on a quiet line (what has arrived is heard first),
// and after the last number the scan listens for the rest of a second for an answer still on its way.
class MachineScanTask : public TerminalTask
{
public:
    using AnswerHandler = std::function<void(const ScanAnswer &answer)>;
    using ProgressHandler = std::function<void(int asked, int total)>;

    MachineScanTask(MachineRange range, std::chrono::milliseconds wait, AnswerHandler onAnswer,
                    ProgressHandler onProgress = {});

    CommandStep begin() override;
    CommandStep next(const ExchangeOutcome &outcome) override;
    bool wantsLowLatency() const override { return true; }

private:
    enum class Phase {
        Asking,        // a question is on the line
        BeforeNext,    // listening before the next number's question
        BeforeAgain,   // listening before the spoiled question is asked again
        AfterLast,     // listening once more after the last number
    };

    CommandStep ask(int machine, bool longWait);
    CommandStep listen(std::chrono::milliseconds quiet, Phase phase);
    CommandStep afterQuestion(const ExchangeOutcome &outcome);
    CommandStep afterListening(const ExchangeOutcome &outcome);
    CommandStep askNext();
    CommandStep finish();
    void attribute(QByteArray bytes);
    void report(ScanAnswer::Kind kind, int machine, const QByteArray &reply, bool slow = false);
    std::chrono::milliseconds quietTime() const;

    MachineRange m_range;
    std::chrono::milliseconds m_wait;
    AnswerHandler m_onAnswer;
    ProgressHandler m_onProgress;
    Phase m_phase = Phase::Asking;
    int m_current = -1;
    int m_nextInOrder = 0;
    bool m_currentLong = false;     // the current question has the one-second wait
    bool m_currentWaiting = false;  // the current question's wait has not run out
    bool m_askedAgain = false;
    bool m_listenedAfterLast = false;
    QByteArray m_partial;         // the start of an answer heard while listening, its rest awaited
    bool m_listenedAgain = false;
    std::bitset<256> m_unanswered;  // numbers asked whose answer has not come (yet)
    std::bitset<256> m_late;        // numbers whose answer came after the short wait: asked again
    std::deque<int> m_askAgain;     // of those, the ones still to be asked
    std::array<QByteArray, 256> m_lateAnswers;
    int m_found = 0;
    int m_wrong = 0;
};

// The status line's summary of a scan: how many terminals answered.
QString scanSummary(int found);

// Said before a renumber on a line where a scan found `terminals` terminals (more than one).
QString sharedLineWarning(int terminals);
