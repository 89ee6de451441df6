#include "sim_core.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace sim {

namespace {

constexpr qsizetype frameLengthFiveByte = 5;
constexpr qsizetype frameLengthTwoByte = 2;
constexpr qsizetype frameLengthLogo = 20;
constexpr qsizetype logoHeaderSize = 4; // 1C 55 block offset
constexpr int maxDecimalDigits = 9;     // keeps every accepted number inside int

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
    const qint64 numerator = qint64(byteCount) * lineBitsPerByte * 1'000'000;
    return std::chrono::microseconds((numerator + baud - 1) / baud);
}

} // namespace

int frameLengthFor(quint8 firstByte)
{
    switch (firstByte) {
    case fiveByteFrameStart:
        return frameLengthFiveByte;
    case twoByteFrameStart:
        return frameLengthTwoByte;
    case logoFrameStart:
        return frameLengthLogo;
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
    outcome.index = m_nextFrameIndex++;
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

    if (start == fiveByteFrameStart && code == renumberCode) {
        if (address != renumberAddress)
            return std::nullopt;
        m_state.machineNumber = byteAt(frame, 2);
        return oneByte(renumberAddress);
    }

    if (address != m_state.machineNumber)
        return std::nullopt;

    if (start == fiveByteFrameStart && code == settingsCode) {
        m_state.mode = byteAt(frame, 2);
        m_state.delay = byteAt(frame, 3);
        m_state.font = byteAt(frame, 4);
        return oneByte(m_state.machineNumber);
    }
    if (start == fiveByteFrameStart && code == writeSerialCode) {
        m_state.serial = frame.mid(2, serialSize);
        return oneByte(m_state.machineNumber);
    }
    if (start == twoByteFrameStart && code == readSerialCode)
        return oneByte(m_state.machineNumber) + m_state.serial;
    if (start == logoFrameStart && code == logoLineCode) {
        const int block = byteAt(frame, 2);
        const int offset = byteAt(frame, 3);
        if (block >= logoBlockCount || offset % logoLineSize != 0 || offset + logoLineSize > logoBlockSize)
            return std::nullopt;
        m_state.logo.replace(block * logoBlockSize + offset, logoLineSize, frame.mid(logoHeaderSize));
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
        return {Transmission{wait, noise + reply.left(1)}, Transmission{splitReplyGap, reply.mid(1)}};
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

QByteArray frameLine(const FrameOutcome &outcome)
{
    return "FRAME " + QByteArray::number(outcome.index) + ' ' + oneByte(outcome.address).toHex() + ' ' +
           outcome.frame.toHex() + (outcome.handled ? " handled" : " ignored");
}

bool logoDotIsOn(const QByteArray &logo, int row, int column)
{
    const quint8 byte = byteAt(logo, qsizetype(row) * logoLineSize + column / 8);
    return ((byte >> (7 - column % 8)) & 1) != 0;
}

QList<QByteArray> finalReport(const TerminalState &state)
{
    QList<QByteArray> lines;
    lines.append("STATE machine=" + QByteArray::number(state.machineNumber) +
                 " serial=" + state.serial.toHex() + " mode=" + QByteArray::number(state.mode) +
                 " delay=" + QByteArray::number(state.delay) + " font=" + QByteArray::number(state.font));
    lines.append("LOGO " + state.logo.toHex());
    for (int row = 0; row < logoRowCount; ++row) {
        QByteArray line = "PIC ";
        for (int column = 0; column < logoDotColumns; ++column)
            line.append(logoDotIsOn(state.logo, row, column) ? '#' : '.');
        lines.append(line);
    }
    return lines;
}

namespace {

const QCommandLineOption machineOption(QStringLiteral("machine"),
                                       QStringLiteral("Initial machine number (0-255)."),
                                       QStringLiteral("N"));
const QCommandLineOption serialOption(QStringLiteral("serial"),
                                      QStringLiteral("Initial serial number, 6 hex digits."),
                                      QStringLiteral("HEX6"));
const QCommandLineOption
    linkOption(QStringLiteral("link"),
               QStringLiteral("Make a symbolic link PATH to the device, removed on exit."),
               QStringLiteral("PATH"));
const QCommandLineOption quitOnEofOption(QStringLiteral("quit-on-eof"),
                                         QStringLiteral("Also stop at the end of standard input."));
const QCommandLineOption timestampsOption(
    QStringLiteral("timestamps"),
    QStringLiteral("End every RX and TX line with the CLOCK_MONOTONIC time in nanoseconds: taken after "
                   "reading for RX, just before writing for TX."));
const QCommandLineOption exactTimingOption(
    QStringLiteral("exact-timing"),
    QStringLiteral("Time delayed answers (--line-rate, --delay-ms) to the microsecond instead of rounding them "
                   "up to whole milliseconds (spins for up to the last millisecond of each wait)."));
const QCommandLineOption
    pictureOutOption(QStringLiteral("picture-out"),
                     QStringLiteral("On exit, write the stored logo as a 128 x 32 PNG picture to FILE."),
                     QStringLiteral("FILE"));
const QCommandLineOption silenceOption(QStringLiteral("silence"),
                                       QStringLiteral("Do not answer frame K, or any frame."),
                                       QStringLiteral("K|all"));
const QCommandLineOption wrongByteOption(QStringLiteral("wrong-byte"),
                                         QStringLiteral("Answer with a wrong first byte."),
                                         QStringLiteral("K|all"));
const QCommandLineOption delayOption(QStringLiteral("delay-ms"),
                                     QStringLiteral("Wait MS milliseconds before answering (frame K only)."),
                                     QStringLiteral("MS[@K]"));
const QCommandLineOption extraByteOption(QStringLiteral("extra-byte"),
                                         QStringLiteral("Send one byte more after the answer."),
                                         QStringLiteral("K|all"));
const QCommandLineOption shortReplyOption(QStringLiteral("short-reply"),
                                          QStringLiteral("Leave out the answer's last byte."),
                                          QStringLiteral("K|all"));
const QCommandLineOption
    noiseOption(QStringLiteral("noise"),
                QStringLiteral("Send N pseudo-random bytes before the answer (frame K only)."),
                QStringLiteral("N[@K]"));
const QCommandLineOption splitReplyOption(QStringLiteral("split-reply"),
                                          QStringLiteral("Send the answer in two writes 20 ms apart."),
                                          QStringLiteral("K|all"));
const QCommandLineOption hangUpOption(QStringLiteral("hangup-at"),
                                      QStringLiteral("Close the line when frame K arrives."),
                                      QStringLiteral("K"));
const QCommandLineOption
    lineRateOption(QStringLiteral("line-rate"),
                   QStringLiteral("Delay answers by the time BAUD needs for the exchange."),
                   QStringLiteral("BAUD"));

// Plain decimal digits only: no sign, blanks or base prefix, so a typo is never taken for a number.
std::optional<int> decimalFrom(const QString &text)
{
    if (text.isEmpty() || text.size() > maxDecimalDigits)
        return std::nullopt;
    int value = 0;
    for (const QChar character : text) {
        if (character < u'0' || character > u'9')
            return std::nullopt;
        value = value * 10 + (character.unicode() - u'0');
    }
    return value;
}

bool isHexText(const QString &text)
{
    for (const QChar character : text) {
        const char16_t c = character.unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

std::optional<FrameSelector> selectorFrom(const QString &text)
{
    if (text == u"all")
        return FrameSelector{};
    if (const std::optional<int> index = decimalFrom(text))
        return FrameSelector{index};
    return std::nullopt;
}

std::optional<SizedFault> sizedFaultFrom(const QString &text, int minimumAmount)
{
    const qsizetype at = text.indexOf(u'@');
    const std::optional<int> amount = decimalFrom(at < 0 ? text : text.left(at));
    if (!amount || *amount < minimumAmount)
        return std::nullopt;
    if (at < 0)
        return SizedFault{*amount, FrameSelector{}};
    const std::optional<int> index = decimalFrom(text.mid(at + 1));
    if (!index)
        return std::nullopt;
    return SizedFault{*amount, FrameSelector{index}};
}

QString badValue(const QCommandLineOption &option, const QString &value)
{
    return QStringLiteral("Bad value \"%1\" for --%2 (expected %3).")
        .arg(value, option.names().constFirst(), option.valueName());
}

} // namespace

void addSimulatorOptions(QCommandLineParser &parser)
{
    parser.addOptions({machineOption, serialOption, linkOption, quitOnEofOption, silenceOption,
                       wrongByteOption, delayOption, extraByteOption, shortReplyOption, noiseOption,
                       splitReplyOption, hangUpOption, lineRateOption, timestampsOption,
                       exactTimingOption, pictureOutOption});
}

std::variant<SimulatorOptions, QString> simulatorOptionsFrom(const QCommandLineParser &parser)
{
    SimulatorOptions options;

    if (parser.isSet(machineOption)) {
        const QString value = parser.value(machineOption);
        const std::optional<int> number = decimalFrom(value);
        if (!number || *number > 255)
            return badValue(machineOption, value);
        options.initial.machineNumber = static_cast<quint8>(*number);
    }
    if (parser.isSet(serialOption)) {
        const QString value = parser.value(serialOption);
        if (value.size() != 2 * serialSize || !isHexText(value))
            return badValue(serialOption, value);
        options.initial.serial = QByteArray::fromHex(value.toLatin1());
    }
    if (parser.isSet(linkOption)) {
        options.linkPath = parser.value(linkOption);
        if (options.linkPath.isEmpty())
            return badValue(linkOption, options.linkPath);
    }
    if (parser.isSet(pictureOutOption)) {
        options.picturePath = parser.value(pictureOutOption);
        if (options.picturePath.isEmpty())
            return badValue(pictureOutOption, options.picturePath);
    }
    options.quitOnEof = parser.isSet(quitOnEofOption);
    options.timestamps = parser.isSet(timestampsOption);
    options.exactTiming = parser.isSet(exactTimingOption);

    const std::pair<const QCommandLineOption *, std::optional<FrameSelector> *> selectorOptions[] = {
        {&silenceOption, &options.faults.silence},       {&wrongByteOption, &options.faults.wrongFirstByte},
        {&extraByteOption, &options.faults.extraByte},   {&shortReplyOption, &options.faults.shortReply},
        {&splitReplyOption, &options.faults.splitReply},
    };
    for (const auto &[option, target] : selectorOptions) {
        if (!parser.isSet(*option))
            continue;
        const QString value = parser.value(*option);
        *target = selectorFrom(value);
        if (!*target)
            return badValue(*option, value);
    }

    if (parser.isSet(delayOption)) {
        const QString value = parser.value(delayOption);
        options.faults.delay = sizedFaultFrom(value, 0);
        if (!options.faults.delay)
            return badValue(delayOption, value);
    }
    if (parser.isSet(noiseOption)) {
        const QString value = parser.value(noiseOption);
        options.faults.noise = sizedFaultFrom(value, 1);
        if (!options.faults.noise)
            return badValue(noiseOption, value);
    }
    if (parser.isSet(hangUpOption)) {
        const QString value = parser.value(hangUpOption);
        options.faults.hangUpAtFrame = decimalFrom(value);
        if (!options.faults.hangUpAtFrame)
            return badValue(hangUpOption, value);
    }
    if (parser.isSet(lineRateOption)) {
        const QString value = parser.value(lineRateOption);
        const std::optional<int> baud = decimalFrom(value);
        if (!baud || *baud == 0)
            return badValue(lineRateOption, value);
        options.faults.lineRateBaud = *baud;
    }
    return options;
}

} // namespace sim
