// The simulated time clock's byte stream decoder: whatever the chunking of the bytes from the PC, the
// same frames, replies and state come out, and faults never change what is stored.
//
// Input: a header, then the bytes from the PC.
//   0  initial machine number
//   1  faults on: bit 0 silence, 1 wrong first byte, 2 extra byte, 3 short reply, 4 split reply,
//      5 noise, 6 delay, 7 hang-up
//   2  low nibble: frame the faults apply to (15: every frame); high nibble: noise bytes - 1, and the
//      frame to hang up at
//   3  low nibble: number of chunk-size bytes that follow; high nibble: line rate choice
//   then that many chunk sizes (each byte + 1), used in turn until the stream ends.

#include "fuzz_check.h"
#include "sim_core.h"
#include "sim_output.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using sim::FaultConfig;
using sim::FrameOutcome;
using sim::FrameSelector;
using sim::TerminalState;
using sim::TimeClockCore;
using sim::Transmission;

namespace {

constexpr std::size_t HeaderSize = 4;
// 0 is no line-time delay; the extremes are the lowest and highest rates the simulator accepts.
constexpr int LineRates[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 300, 2400, 9600, 19200, 115200, 1'000'000, 999'999'999};

struct Run
{
    QList<FrameOutcome> outcomes;
    TerminalState state;
    bool hungUp = false;
};

bool sameOutcome(const FrameOutcome &a, const FrameOutcome &b)
{
    return a.index == b.index && a.address == b.address && a.frame == b.frame && a.handled == b.handled
        && a.transmissions == b.transmissions && a.hangUp == b.hangUp;
}

bool sameRun(const Run &a, const Run &b)
{
    if (a.outcomes.size() != b.outcomes.size() || !(a.state == b.state) || a.hungUp != b.hungUp)
        return false;
    for (qsizetype i = 0; i < a.outcomes.size(); ++i)
        if (!sameOutcome(a.outcomes[i], b.outcomes[i]))
            return false;
    return true;
}

QByteArray describe(const Run &run)
{
    QByteArray text;
    for (const FrameOutcome &outcome : run.outcomes) {
        text += sim::frameLine(outcome);
        for (const Transmission &transmission : outcome.transmissions)
            text += " [" + QByteArray::number(qint64(transmission.wait.count())) + "us " + transmission.bytes.toHex() + "]";
        text += outcome.hangUp ? " hang-up\n" : "\n";
    }
    return text + sim::finalReport(run.state).constFirst();
}

// The stream cut into chunks of the given sizes, used in turn; no sizes: all at once.
Run feed(const TerminalState &initial, const FaultConfig &faults, QByteArrayView stream,
         const std::vector<qsizetype> &chunkSizes)
{
    TimeClockCore core(initial, faults);
    Run run;
    std::size_t next = 0;
    while (!stream.isEmpty()) {
        const qsizetype size = chunkSizes.empty() ? stream.size() : qMin(chunkSizes[next++ % chunkSizes.size()], stream.size());
        // A copy of exactly the chunk's size, so a read past its end is caught.
        const QByteArray chunk = stream.first(size).toByteArray();
        run.outcomes += core.receive(chunk);
        stream = stream.sliced(size);
    }
    run.state = core.state();
    run.hungUp = core.hungUp();
    // After a hang-up nothing more is taken.
    if (run.hungUp)
        FUZZ_CHECK(core.receive(QByteArray::fromHex("12021f630507000000")).isEmpty());
    return run;
}

// Frame boundaries worked out independently: an address, a byte that starts a frame (anything else
// becomes the new address), then the rest of the frame.
QList<QByteArray> expectedFrames(QByteArrayView stream)
{
    QList<QByteArray> frames;
    qsizetype i = 0;
    while (i + 1 < stream.size()) {
        const qsizetype length = sim::frameLengthFor(static_cast<quint8>(stream[i + 1]));
        if (length == 0) {
            ++i;
            continue;
        }
        if (i + 1 + length > stream.size())
            break;
        frames.append(stream.sliced(i, 1 + length).toByteArray());
        i += 1 + length;
    }
    return frames;
}

void checkRange(const Run &run, const FaultConfig &faults, const TerminalState &initial, QByteArrayView stream)
{
    // Built only when a check fails.
    const auto info = [&] { return describe(run); };
    FUZZ_CHECK_INFO(run.state.serial.size() == sim::SerialSize, info());
    FUZZ_CHECK_INFO(run.state.logo.size() == sim::LogoSize, info());

    const QList<QByteArray> frames = expectedFrames(stream);
    FUZZ_CHECK_INFO(run.outcomes.size() <= frames.size(), info());
    if (!run.hungUp)
        FUZZ_CHECK_INFO(run.outcomes.size() == frames.size(), info());

    TimeClockCore faultless(initial);
    for (qsizetype i = 0; i < run.outcomes.size(); ++i) {
        const FrameOutcome &outcome = run.outcomes[i];
        FUZZ_CHECK_INFO(outcome.index == i, info());
        FUZZ_CHECK_INFO(char(outcome.address) + outcome.frame == frames[i], info());
        FUZZ_CHECK_INFO(outcome.frame.size() == sim::frameLengthFor(static_cast<quint8>(outcome.frame.front())), info());
        // Only the last frame can hang up, and only the one asked for.
        FUZZ_CHECK_INFO(outcome.hangUp == (faults.hangUpAtFrame == i), info());
        FUZZ_CHECK_INFO(!outcome.hangUp || i == run.outcomes.size() - 1, info());
        FUZZ_CHECK_INFO(outcome.handled || outcome.transmissions.isEmpty(), info());
        for (const Transmission &transmission : outcome.transmissions) {
            FUZZ_CHECK_INFO(transmission.wait.count() >= 0, info());
            FUZZ_CHECK_INFO(!transmission.bytes.isEmpty(), info());
        }
        if (faults == FaultConfig{} && outcome.handled) {
            FUZZ_CHECK_INFO(outcome.transmissions.size() == 1, info());
            FUZZ_CHECK_INFO(outcome.transmissions.front().wait.count() == 0, info());
            FUZZ_CHECK_INFO(static_cast<quint8>(outcome.transmissions.front().bytes.front()) == outcome.address, info());
        }
        // Faults bend replies, never what the terminal stores.
        const QList<FrameOutcome> again = faultless.receive(frames[i]);
        FUZZ_CHECK_INFO(again.size() == 1 && again.front().handled == outcome.handled, info());
    }
    FUZZ_CHECK_INFO(faultless.state() == run.state, info());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < HeaderSize)
        return 0;
    TerminalState initial;
    initial.machineNumber = data[0];

    const quint8 on = data[1];
    const FrameSelector frames = (data[2] & 0x0F) == 0x0F ? FrameSelector{} : FrameSelector{data[2] & 0x0F};
    const int amount = data[2] >> 4;
    FaultConfig faults;
    if (on & 0x01)
        faults.silence = frames;
    if (on & 0x02)
        faults.wrongFirstByte = frames;
    if (on & 0x04)
        faults.extraByte = frames;
    if (on & 0x08)
        faults.shortReply = frames;
    if (on & 0x10)
        faults.splitReply = frames;
    if (on & 0x20)
        faults.noise = sim::SizedFault{amount + 1, frames};
    if (on & 0x40)
        faults.delay = sim::SizedFault{amount * 1000, frames};
    if (on & 0x80)
        faults.hangUpAtFrame = amount;
    faults.lineRateBaud = LineRates[data[3] >> 4];

    const std::size_t sizeCount = qMin<std::size_t>(data[3] & 0x0F, size - HeaderSize);
    std::vector<qsizetype> chunkSizes;
    for (std::size_t i = 0; i < sizeCount; ++i)
        chunkSizes.push_back(qsizetype(data[HeaderSize + i]) + 1);
    const QByteArrayView stream(data + HeaderSize + sizeCount, qsizetype(size - HeaderSize - sizeCount));

    const Run whole = feed(initial, faults, stream, {});
    const Run byByte = feed(initial, faults, stream, {1});
    const Run chunked = feed(initial, faults, stream, chunkSizes);
    FUZZ_CHECK_INFO(sameRun(whole, byByte), "whole:\n" + describe(whole) + "\nbyte by byte:\n" + describe(byByte));
    FUZZ_CHECK_INFO(sameRun(whole, chunked), "whole:\n" + describe(whole) + "\nchunked:\n" + describe(chunked));
    checkRange(whole, faults, initial, stream);
    return 0;
}
