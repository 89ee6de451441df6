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

// How long after its question a terminal's late answer may still come: its second, and some room.
inline constexpr std::chrono::milliseconds LateAnswerWindow{1500};

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
        // A second answer naming a number already told, with another serial: two terminals may share it.
        Collision,
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
// Bytes belong to the number their first byte names, whatever question they arrive in: an answer of an
// earlier number is never taken for the current one (whose spoiled question is asked again), and every
// terminal is reported once. A terminal whose answer came after the short wait is asked again with the
// whole second before the scan goes on, and reported slow when it answers then; a second answer of a
// terminal already found is its own, and nobody's wrong answer, unless it brings another serial: then two
// terminals answered one number, and the number is told a possible collision (once). Bytes that are no answer (noise, a byte
// trailing an answer) put the line out of step: the scan hears it out until it is quiet and asks that
// number once more with the whole second, and also any asked number whose answer could hide in those bytes,
// so noise never becomes a row of its own and never hides a terminal. Every question goes out on a quiet
// line (what has arrived is heard first), and after the last number the scan listens for the rest of a
// second for an answer still on its way.
class MachineScanTask : public TerminalTask
{
public:
    using AnswerHandler = std::function<void(const ScanAnswer &answer)>;
    // `asked`: the numbers of the range whose question has gone out, the one on the line included.
    using ProgressHandler = std::function<void(int asked, int total)>;

    MachineScanTask(MachineRange range, std::chrono::milliseconds wait, AnswerHandler onAnswer,
                    ProgressHandler onProgress = {});

    CommandStep begin() override;
    CommandStep next(const ExchangeOutcome &outcome) override;
    void withdraw() override;
    bool wantsLowLatency() const override { return true; }

    // Whether a number below `machine` may still be told (answered late, to be asked again, or on the
    // line now), so that a row for `machine` would come before it. Answers later than LateAnswerWindow
    // after a number's question are not waited for.
    bool mayStillAnswer(int machine) const;

private:
    enum class Phase {
        Asking,        // a question is on the line
        BeforeNext,    // listening before the next question
        BeforeAgain,   // listening before the spoiled question is asked again
        OutOfStep,     // hearing out bytes that are no answer until the line is quiet
        AfterLast,     // listening once more after the last number
    };
    // Why a number is asked again with the whole second.
    enum class Again {
        Late,     // its answer came after the short wait
        Spoiled,  // bytes that are no answer came where its answer was awaited, or could hide it
    };

    CommandStep ask(int machine, bool longWait, bool firstAsk = false);
    CommandStep listen(std::chrono::milliseconds quiet, Phase phase);
    CommandStep afterQuestion(const ExchangeOutcome &outcome);
    CommandStep afterListening(const ExchangeOutcome &outcome);
    CommandStep afterQuiet(Phase phase);
    CommandStep askNext();
    CommandStep finish();
    // Takes the answers at the start of `bytes` and returns what follows them that is no answer.
    QByteArray attribute(const QByteArray &bytes);
    void outOfStep(const QByteArray &bytes);
    // A second answer of `machine` with another serial than the one `heard` before: told once.
    void tellIfCollision(int machine, const QByteArray &heard, const QByteArray &answer);
    void askAgain(int machine, Again why);
    bool wasAsked(int machine) const;
    void report(ScanAnswer::Kind kind, int machine, const QByteArray &reply, bool slow = false);
    std::chrono::milliseconds quietTime() const;

    MachineRange m_range;
    std::chrono::milliseconds m_wait;
    AnswerHandler m_onAnswer;
    ProgressHandler m_onProgress;
    Phase m_phase = Phase::Asking;
    Phase m_afterQuiet = Phase::BeforeNext;  // what an out-of-step line goes on with once it is quiet
    int m_current = -1;
    int m_nextInOrder = 0;
    bool m_currentLong = false;     // the current question has the one-second wait
    bool m_currentWaiting = false;  // the current question's wait has not run out
    bool m_currentFirst = false;    // the current question is its number's first
    bool m_askedAgain = false;      // the current question was asked again after another's answer took its place
    bool m_listenedAfterLast = false;
    QByteArray m_outOfStep;         // bytes that are no answer, heard until the line is quiet
    std::bitset<256> m_reported;      // numbers with their row: found, late or wrong
    std::bitset<256> m_toldWrong;     // of those, the ones late or wrong, or found with answers that keep bringing other bytes
    std::bitset<256> m_late;          // numbers whose answer came after the short wait
    std::bitset<256> m_askedSpoiled;  // numbers asked (or to be asked) again after bytes that are no answer
    std::bitset<256> m_queued;
    std::deque<int> m_askAgain;       // numbers still to be asked again with the whole second
    std::array<QByteArray, 256> m_lateAnswers;
    std::array<QByteArray, 256> m_toldAnswers;  // the answer a number was found (or late) with
    std::bitset<256> m_collided;                // numbers told a possible collision
    int m_found = 0;
    int m_wrong = 0;
};

// The status line's summary of a scan: how many terminals answered.
QString scanSummary(int found);

// Said of a number two terminals may share: a second answer to it brought another serial.
QString collisionNote(int machine);

// What a scan that did not ask every number (stopped early, or of part of the range) knows of its line:
// at least the terminals it found, the rest unknown. Such a count is kept as PartScan + found, so that
// every check of "fewer than two terminals" takes the line for a shared one.
inline constexpr int PartScan = 1000;
inline bool isPartScanCount(int terminals) { return terminals >= PartScan; }

// Said before a renumber on a line where a scan found `terminals` terminals (more than one), or where the
// last scan did not ask every number (a PartScan count).
QString sharedLineWarning(int terminals);
