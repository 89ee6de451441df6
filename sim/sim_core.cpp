#include "sim_core.h"

namespace sim {

namespace {

constexpr qsizetype FrameLengthFiveByte = 5;
constexpr qsizetype FrameLengthTwoByte = 2;
constexpr qsizetype FrameLengthLogo = 20;
constexpr qsizetype LogoHeaderSize = 4; // 1C 55 block offset

quint8 byteAt(const QByteArray &bytes, qsizetype index)
{
    return static_cast<quint8>(bytes.at(index));
}

QByteArray oneByte(quint8 value)
{
    return QByteArray(1, static_cast<char>(value));
}

std::chrono::microseconds lineTime(qsizetype byteCount, int baud)
{
    // Rounded up: a reply must never come earlier than the line could have carried it.
    const qint64 numerator = qint64(byteCount) * LineBitsPerByte * 1'000'000;
    return std::chrono::microseconds((numerator + baud - 1) / baud);
}

} // namespace

int frameLengthFor(quint8 firstByte)
{
    switch (firstByte) {
    case FiveByteFrameStart:
        return FrameLengthFiveByte;
    case TwoByteFrameStart:
        return FrameLengthTwoByte;
    case LogoFrameStart:
        return FrameLengthLogo;
    default:
        return 0;
    }
}

TimeClockCore::TimeClockCore(TerminalState initial, FaultConfig faults)
    : m_state(std::move(initial)), m_faults(std::move(faults))
{
}

QList<FrameOutcome> TimeClockCore::receive(QByteArrayView bytes)
{
    QList<FrameOutcome> outcomes;
    for (const char raw : bytes) {
        if (m_hungUp)
            break;
        const auto byte = static_cast<quint8>(raw);
        switch (m_step) {
        case DecoderStep::ExpectAddress:
            m_address = byte;
            m_step = DecoderStep::ExpectFrameStart;
            break;
        case DecoderStep::ExpectFrameStart:
            m_frameLength = frameLengthFor(byte);
            if (m_frameLength == 0) {
                // Not a frame start: the pending address was noise, and this byte may be the real one.
                m_address = byte;
                break;
            }
            m_frame = oneByte(byte);
            m_step = DecoderStep::CollectFrame;
            break;
        case DecoderStep::CollectFrame:
            m_frame.append(raw);
            if (m_frame.size() == m_frameLength) {
                outcomes.append(completeFrame());
                m_step = DecoderStep::ExpectAddress;
            }
            break;
        }
    }
    return outcomes;
}

FrameOutcome TimeClockCore::completeFrame()
{
    FrameOutcome outcome;
    if (!m_counting)
        m_counting = (QByteArray(1, char(m_address)) + m_frame).startsWith(m_faults.countFrom);
    outcome.index = m_counting ? m_nextFrameIndex++ : -1;
    outcome.address = m_address;
    outcome.frame = m_frame;
    const std::optional<QByteArray> reply = applyFrame(m_address, m_frame);
    outcome.handled = reply.has_value();
    if (m_faults.hangUpAtFrame == outcome.index) {
        outcome.hangUp = true;
        m_hungUp = true;
        return outcome;
    }
    if (reply)
        outcome.transmissions = shapeReply(*reply, outcome.index, m_address, 1 + m_frame.size());
    return outcome;
}

std::optional<QByteArray> TimeClockCore::applyFrame(quint8 address, const QByteArray &frame)
{
    const quint8 start = byteAt(frame, 0);
    const quint8 code = byteAt(frame, 1);

    if (start == FiveByteFrameStart && code == RenumberCode) {
        if (address != RenumberAddress)
            return std::nullopt;
        m_state.machineNumber = byteAt(frame, 2);
        return oneByte(RenumberAddress);
    }

    if (address != m_state.machineNumber)
        return std::nullopt;

    if (start == FiveByteFrameStart && code == SettingsCode) {
        m_state.mode = byteAt(frame, 2);
        m_state.delay = byteAt(frame, 3);
        m_state.font = byteAt(frame, 4);
        return oneByte(m_state.machineNumber);
    }
    if (start == FiveByteFrameStart && code == WriteSerialCode) {
        m_state.serial = frame.mid(2, SerialSize);
        return oneByte(m_state.machineNumber);
    }
    if (start == TwoByteFrameStart && code == ReadSerialCode)
        return oneByte(m_state.machineNumber) + m_state.serial;
    if (start == LogoFrameStart && code == LogoLineCode) {
        const int block = byteAt(frame, 2);
        const int offset = byteAt(frame, 3);
        if (block >= LogoBlockCount || offset % LogoLineSize != 0 || offset + LogoLineSize > LogoBlockSize)
            return std::nullopt;
        m_state.logo.replace(block * LogoBlockSize + offset, LogoLineSize, frame.mid(LogoHeaderSize));
        return oneByte(m_state.machineNumber);
    }
    return std::nullopt;
}

QList<Transmission> TimeClockCore::shapeReply(QByteArray reply, int frameIndex, quint8 address,
                                              qsizetype receivedBytes)
{
    const auto hits = [frameIndex](const std::optional<FrameSelector> &fault) {
        return fault && fault->matches(frameIndex);
    };
    const auto sizedHits = [frameIndex](const std::optional<SizedFault> &fault) {
        return fault && fault->frames.matches(frameIndex);
    };

    if (hits(m_faults.silence))
        return {};
    if (hits(m_faults.wrongFirstByte))
        reply[0] = static_cast<char>(byteAt(reply, 0) ^ 0xFF);
    if (hits(m_faults.shortReply))
        reply.chop(1);
    if (hits(m_faults.extraByte))
        reply.append(static_cast<char>(address));
    if (sizedHits(m_faults.strayByte))
        reply.append(static_cast<char>(m_faults.strayByte->amount));
    const QByteArray noise =
        sizedHits(m_faults.noise) ? makeNoise(m_faults.noise->amount, address) : QByteArray();
    if (reply.isEmpty() && noise.isEmpty())
        return {};

    std::chrono::microseconds wait{0};
    if (sizedHits(m_faults.delay))
        wait += std::chrono::milliseconds(m_faults.delay->amount);
    if (m_faults.lineRateBaud > 0)
        wait += lineTime(receivedBytes + noise.size() + reply.size(), m_faults.lineRateBaud);

    if (hits(m_faults.splitReply) && reply.size() > 1)
        return {Transmission{wait, noise + reply.left(1)}, Transmission{SplitReplyGap, reply.mid(1)}};
    return {Transmission{wait, noise + reply}};
}

QByteArray TimeClockCore::makeNoise(int count, quint8 address)
{
    QByteArray noise(count, '\0');
    for (char &byte : noise)
        byte = static_cast<char>(m_noise.bounded(256));
    // A reader that checks the first byte must always be able to tell noise from an answer.
    if (!noise.isEmpty() && byteAt(noise, 0) == address)
        noise[0] = static_cast<char>(address ^ 0xFF);
    return noise;
}

bool logoDotIsOn(const QByteArray &logo, int row, int column)
{
    const quint8 byte = byteAt(logo, qsizetype(row) * LogoLineSize + column / 8);
    return ((byte >> (7 - column % 8)) & 1) != 0;
}

} // namespace sim
