#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QRandomGenerator>
#include <QtGlobal>

#include <chrono>
#include <optional>

// The simulated time clock's behaviour without any I/O: bytes from the PC go in, replies (already bent by
// the configured faults) come out together with when to send them.
namespace sim {

constexpr quint8 RenumberAddress = 0x63;    // address byte of "change machine number", whatever the number is
constexpr quint8 DefaultMachineNumber = 18; // a terminal fresh from the factory

constexpr quint8 FiveByteFrameStart = 0x05; // first byte of renumber, settings and write-serial frames
constexpr quint8 TwoByteFrameStart = 0x02;  // first byte of the read-serial frame
constexpr quint8 LogoFrameStart = 0x1C;     // first byte of a logo line

constexpr quint8 RenumberCode = 0x07;    // 05 07 newNumber 00 00
constexpr quint8 SettingsCode = 0x20;    // 05 20 mode delay font
constexpr quint8 WriteSerialCode = 0x0F; // 05 0F s1 s2 s3
constexpr quint8 ReadSerialCode = 0x1F;  // 02 1F
constexpr quint8 LogoLineCode = 0x55;    // 1C 55 block offset + 16 picture bytes

constexpr int SerialSize = 3;      // serial number bytes kept by the terminal
constexpr int LogoBlockSize = 256; // a logo line addresses one of two blocks
constexpr int LogoBlockCount = 2;
constexpr int LogoSize = LogoBlockSize * LogoBlockCount;
constexpr int LogoLineSize = 16; // picture bytes per logo line, also one row of the picture
constexpr int LogoRowCount = LogoSize / LogoLineSize;
constexpr int LogoDotColumns = LogoLineSize * 8; // one dot per bit

constexpr int LineBitsPerByte = 10;                    // 8N1: start bit, 8 data bits, stop bit
constexpr std::chrono::milliseconds SplitReplyGap{20}; // long enough for a reader to see two chunks
constexpr quint32 NoiseSeed = 0x7c10c4; // fixed so that a failing run can be repeated byte for byte

struct TerminalState
{
    quint8 machineNumber = DefaultMachineNumber;
    QByteArray serial = QByteArray(SerialSize, '\0');
    // Stored as received, even outside the documented ranges, so that a wrong value sent shows up.
    quint8 mode = 0; // bit 0 door-access mode, bit 1 show start-up picture
    quint8 delay = 0;
    quint8 font = 0; // 0 simplified, 1 traditional
    QByteArray logo = QByteArray(LogoSize, '\0');

    bool operator==(const TerminalState &other) const = default;
};

// Which frames a fault applies to: every frame, or the one with the given index (counted from 0).
struct FrameSelector
{
    std::optional<int> onlyIndex;

    bool matches(int frameIndex) const { return !onlyIndex || *onlyIndex == frameIndex; }
    bool operator==(const FrameSelector &other) const = default;
};

// A fault with a size: milliseconds of delay, or bytes of noise.
struct SizedFault
{
    int amount = 0;
    FrameSelector frames;

    bool operator==(const SizedFault &other) const = default;
};

struct FaultConfig
{
    std::optional<FrameSelector> silence;        // no reply at all
    std::optional<FrameSelector> wrongFirstByte; // first reply byte differs from the address byte
    std::optional<SizedFault> delay;             // milliseconds before replying
    std::optional<FrameSelector> extraByte;      // reply followed by a copy of the address byte
    std::optional<SizedFault> strayByte;         // reply followed by one byte of this value
    std::optional<FrameSelector> shortReply;     // last reply byte dropped
    std::optional<SizedFault> noise;             // pseudo-random bytes before the reply
    std::optional<FrameSelector> splitReply;     // reply's first byte, then the rest after SplitReplyGap
    std::optional<int> hangUpAtFrame;            // line closed once this frame has arrived, before replying
    // When set, frames are counted from the first one that begins with these bytes (address byte first):
    // it is frame 0, and the frames before it are -1, which no fault given for one frame touches.
    QByteArray countFrom;
    int lineRateBaud = 0;                        // 0: replies leave without line-time delay

    bool operator==(const FaultConfig &other) const = default;
};

// One write towards the PC.
struct Transmission
{
    std::chrono::microseconds wait{0}; // counted from the frame's arrival, or from the write before
    QByteArray bytes;

    bool operator==(const Transmission &other) const = default;
};

struct FrameOutcome
{
    int index = 0;
    quint8 address = 0;
    QByteArray frame;
    bool handled = false;
    QList<Transmission> transmissions; // empty when nothing is sent
    bool hangUp = false;
};

class TimeClockCore
{
public:
    explicit TimeClockCore(TerminalState initial = {}, FaultConfig faults = {});

    // Any chunking of the byte stream gives the same frames. Bytes after a hang-up are dropped.
    QList<FrameOutcome> receive(QByteArrayView bytes);

    const TerminalState &state() const { return m_state; }
    bool hungUp() const { return m_hungUp; }

private:
    enum class DecoderStep
    {
        ExpectAddress,
        ExpectFrameStart,
        CollectFrame,
    };

    FrameOutcome completeFrame();
    std::optional<QByteArray> applyFrame(quint8 address, const QByteArray &frame);
    QList<Transmission> shapeReply(QByteArray reply, int frameIndex, quint8 address, qsizetype receivedBytes);
    QByteArray makeNoise(int count, quint8 address);

    TerminalState m_state;
    FaultConfig m_faults;
    QRandomGenerator m_noise{NoiseSeed};
    DecoderStep m_step = DecoderStep::ExpectAddress;
    quint8 m_address = 0;
    QByteArray m_frame;
    qsizetype m_frameLength = 0;
    int m_nextFrameIndex = 0;
    bool m_counting = m_faults.countFrom.isEmpty();
    bool m_hungUp = false;
};

// Frame length announced by a frame's first byte; 0 for a byte that cannot start a frame.
int frameLengthFor(quint8 firstByte);

// Whether dot `column` of picture row `row` is on (dark): logo line `row` is the row, byte n of it holds dots
// 8n to 8n+7, the most significant bit leftmost.
bool logoDotIsOn(const QByteArray &logo, int row, int column);

} // namespace sim
