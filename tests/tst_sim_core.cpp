// The simulated time clock's behaviour, frame by frame, without a pseudo-terminal.

#include "sim_core.h"
#include "sim_options.h"
#include "sim_output.h"
#include "sim_picture.h"

#include <QCommandLineParser>
#include <QPoint>
#include <QTest>

using namespace std::chrono_literals;
using sim::FaultConfig;
using sim::FrameOutcome;
using sim::FrameSelector;
using sim::SizedFault;
using sim::TerminalState;
using sim::TimeClockCore;
using sim::Transmission;

using Transmissions = QList<Transmission>;
using TransmissionsPerFrame = QList<Transmissions>;

Q_DECLARE_METATYPE(sim::FaultConfig)
Q_DECLARE_METATYPE(sim::TerminalState)
Q_DECLARE_METATYPE(Transmissions)
Q_DECLARE_METATYPE(TransmissionsPerFrame)

namespace sim {

// Readable failure messages for QCOMPARE.
char *toString(const Transmission &transmission)
{
    const QByteArray text = "after " + QByteArray::number(qint64(transmission.wait.count())) +
                            " us: " + transmission.bytes.toHex(' ');
    return qstrdup(text.constData());
}

char *toString(const TerminalState &state)
{
    return qstrdup((finalReport(state).constFirst() + " LOGO " + state.logo.toHex()).constData());
}

} // namespace sim

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

Transmission transmission(std::chrono::microseconds wait, const char *bytesHex)
{
    return Transmission{wait, hex(bytesHex)};
}

const FrameSelector EveryFrame{};

FaultConfig withFaults()
{
    return {};
}

// withFaults(&FaultConfig::silence, EveryFrame, &FaultConfig::lineRateBaud, 9600): the named faults, no
// others.
template <typename Member, typename Value, typename... Rest>
FaultConfig withFaults(Member FaultConfig::*member, const Value &value, const Rest &...rest)
{
    FaultConfig config = withFaults(rest...);
    config.*member = value;
    return config;
}

FrameSelector onlyFrame(int index)
{
    return FrameSelector{index};
}

TerminalState terminalNumbered(int number)
{
    TerminalState state;
    state.machineNumber = static_cast<quint8>(number);
    return state;
}

QList<FrameOutcome> feedInChunks(TimeClockCore &core, const QByteArray &input, qsizetype chunkSize)
{
    QList<FrameOutcome> outcomes;
    for (qsizetype start = 0; start < input.size(); start += chunkSize)
        outcomes += core.receive(QByteArrayView(input).sliced(start, qMin(chunkSize, input.size() - start)));
    return outcomes;
}

QByteArray allSentBytes(const QList<FrameOutcome> &outcomes)
{
    QByteArray sent;
    for (const FrameOutcome &outcome : outcomes)
        for (const Transmission &transmission : outcome.transmissions)
            sent += transmission.bytes;
    return sent;
}

QByteArrayList frameLines(const QList<FrameOutcome> &outcomes)
{
    QByteArrayList lines;
    for (const FrameOutcome &outcome : outcomes)
        lines.append(sim::frameLine(outcome));
    return lines;
}

// A logo line frame: 1C 55 block offset, then 16 bytes counting up from `firstByte`.
QByteArray logoLine(int block, int offset, int firstByte = 1)
{
    QByteArray frame = hex("1c55");
    frame.append(static_cast<char>(block));
    frame.append(static_cast<char>(offset));
    for (int i = 0; i < sim::LogoLineSize; ++i)
        frame.append(static_cast<char>(firstByte + i));
    return frame;
}

} // namespace

class TestSimCore : public QObject
{
    Q_OBJECT

private slots:
    void framesAndReplies_data();
    void framesAndReplies();
    void logoLines_data();
    void logoLines();
    void faults_data();
    void faults();
    void noiseNeverStartsWithTheAddress();
    void finalReportDrawsTheLogoMostSignificantBitFirst();
    void outputLinesReadBack();
    void finalStateNeedsEveryField_data();
    void finalStateNeedsEveryField();
    void logoPictureDrawsEachOnBitAsABlackDot_data();
    void logoPictureDrawsEachOnBitAsABlackDot();
    void options_data();
    void options();
};

void TestSimCore::framesAndReplies_data()
{
    QTest::addColumn<int>("machineNumber");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<QByteArrayList>("frames");
    QTest::addColumn<QByteArray>("stateLine");

    const QByteArray untouched = "STATE machine=18 serial=000000 mode=0 delay=0 font=0";

    QTest::newRow("settings") << 18 << hex("120520010501") << hex("12")
                              << QByteArrayList{"FRAME 0 12 0520010501 handled"}
                              << QByteArray("STATE machine=18 serial=000000 mode=1 delay=5 font=1");
    QTest::newRow("settings beyond the documented ranges are kept as sent")
        << 18 << hex("120520ff0009") << hex("12") << QByteArrayList{"FRAME 0 12 0520ff0009 handled"}
        << QByteArray("STATE machine=18 serial=000000 mode=255 delay=0 font=9");
    QTest::newRow("renumber") << 18 << hex("630507090000") << hex("63")
                              << QByteArrayList{"FRAME 0 63 0507090000 handled"}
                              << QByteArray("STATE machine=9 serial=000000 mode=0 delay=0 font=0");
    QTest::newRow("read serial") << 18 << hex("12021f") << hex("12000000")
                                 << QByteArrayList{"FRAME 0 12 021f handled"} << untouched;
    QTest::newRow("write then read serial, two frames in one chunk")
        << 18 << hex("12050fabcdef12021f") << hex("1212abcdef")
        << QByteArrayList{"FRAME 0 12 050fabcdef handled", "FRAME 1 12 021f handled"}
        << QByteArray("STATE machine=18 serial=abcdef mode=0 delay=0 font=0");
    QTest::newRow("logo line") << 18 << hex("12") + logoLine(0, 0) << hex("12")
                               << QByteArrayList{"FRAME 0 12 " + logoLine(0, 0).toHex() + " handled"}
                               << untouched;
    QTest::newRow("another machine's frame is consumed, not answered")
        << 18
        << hex("130520010501"
               "12021f")
        << hex("12000000") << QByteArrayList{"FRAME 0 13 0520010501 ignored", "FRAME 1 12 021f handled"}
        << untouched;
    QTest::newRow("renumber needs address 63, not the machine number")
        << 18 << hex("120507090000") << QByteArray() << QByteArrayList{"FRAME 0 12 0507090000 ignored"}
        << untouched;
    QTest::newRow("renumber with address 63 works whatever the machine number")
        << 7 << hex("630507120000") << hex("63") << QByteArrayList{"FRAME 0 63 0507120000 handled"}
        << untouched;
    QTest::newRow("machine 99: 63 05 07 renumbers")
        << 99 << hex("6305070a0000") << hex("63") << QByteArrayList{"FRAME 0 63 05070a0000 handled"}
        << QByteArray("STATE machine=10 serial=000000 mode=0 delay=0 font=0");
    QTest::newRow("machine 99: 63 with another frame is a normal frame")
        << 99 << hex("630520030102") << hex("63") << QByteArrayList{"FRAME 0 63 0520030102 handled"}
        << QByteArray("STATE machine=99 serial=000000 mode=3 delay=1 font=2");
    QTest::newRow("garbage before an address is skipped")
        << 18 << hex("ffeedd120520010501") << hex("12") << QByteArrayList{"FRAME 0 12 0520010501 handled"}
        << QByteArray("STATE machine=18 serial=000000 mode=1 delay=5 font=1");
    QTest::newRow("unknown code is consumed with its frame length")
        << 18 << hex("1205990520010512021f") << hex("12000000")
        << QByteArrayList{"FRAME 0 12 0599052001 ignored", "FRAME 1 12 021f handled"} << untouched;
    QByteArray logoWithWrongCode = logoLine(0, 0);
    logoWithWrongCode[1] = 0x54;
    QTest::newRow("unknown codes after 02 and 1c")
        << 18 << hex("120220") + hex("12") + logoWithWrongCode << QByteArray()
        << QByteArrayList{"FRAME 0 12 0220 ignored", "FRAME 1 12 " + logoWithWrongCode.toHex() + " ignored"}
        << untouched;
    QTest::newRow("bad logo block") << 18 << hex("12") + logoLine(2, 0) << QByteArray()
                                    << QByteArrayList{"FRAME 0 12 " + logoLine(2, 0).toHex() + " ignored"}
                                    << untouched;
    QTest::newRow("bad logo offset") << 18 << hex("12") + logoLine(0, 8) << QByteArray()
                                     << QByteArrayList{"FRAME 0 12 " + logoLine(0, 8).toHex() + " ignored"}
                                     << untouched;
    QTest::newRow("incomplete frame waits for the rest")
        << 18 << hex("12052001") << QByteArray() << QByteArrayList{} << untouched;
}

void TestSimCore::framesAndReplies()
{
    QFETCH(int, machineNumber);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, replies);
    QFETCH(QByteArrayList, frames);
    QFETCH(QByteArray, stateLine);

    // Whole, and one byte at a time: a frame split over reads is still the same frame.
    for (const qsizetype chunkSize : {input.size(), qsizetype(1)}) {
        TimeClockCore core(terminalNumbered(machineNumber));
        const QList<FrameOutcome> outcomes = feedInChunks(core, input, chunkSize);
        QCOMPARE(frameLines(outcomes), frames);
        QCOMPARE(allSentBytes(outcomes), replies);
        QCOMPARE(sim::finalReport(core.state()).constFirst(), stateLine);
    }
}

void TestSimCore::logoLines_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("expectedPosition"); // -1: logo unchanged

    QTest::newRow("block 0, first line") << logoLine(0, 0x00) << 0;
    QTest::newRow("block 0, second line") << logoLine(0, 0x10) << 16;
    QTest::newRow("block 0, last line") << logoLine(0, 0xf0) << 240;
    QTest::newRow("block 1, first line") << logoLine(1, 0x00) << 256;
    QTest::newRow("block 1, last line") << logoLine(1, 0xf0) << 496;
    QTest::newRow("block 2") << logoLine(2, 0x00) << -1;
    QTest::newRow("block ff") << logoLine(0xff, 0x00) << -1;
    QTest::newRow("offset off the 16-byte grid") << logoLine(0, 0x08) << -1;
    QTest::newRow("offset past the last line") << logoLine(0, 0xf8) << -1;
}

void TestSimCore::logoLines()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, expectedPosition);

    TimeClockCore core;
    const QList<FrameOutcome> outcomes = core.receive(hex("12") + frame);
    QCOMPARE(outcomes.size(), 1);
    QCOMPARE(outcomes.constFirst().handled, expectedPosition >= 0);

    QByteArray expectedLogo(sim::LogoSize, '\0');
    if (expectedPosition >= 0)
        expectedLogo.replace(expectedPosition, sim::LogoLineSize, frame.mid(4));
    QCOMPARE(core.state().logo.toHex(), expectedLogo.toHex());
}

void TestSimCore::faults_data()
{
    QTest::addColumn<FaultConfig>("faults");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<TransmissionsPerFrame>("expected");
    QTest::addColumn<int>("hangUpFrame"); // -1: no hang-up

    const QByteArray settings = hex("120520010501"); // answered with 12
    const QByteArray readSerial = hex("12021f");     // answered with 12 00 00 00
    const QByteArray renumber = hex("630507120000"); // answered with 63

    QTest::newRow("no fault") << FaultConfig{} << settings + readSerial
                              << TransmissionsPerFrame{{transmission(0us, "12")},
                                                       {transmission(0us, "12000000")}}
                              << -1;
    QTest::newRow("silence, every frame") << withFaults(&FaultConfig::silence, EveryFrame)
                                          << settings + readSerial << TransmissionsPerFrame{{}, {}} << -1;
    QTest::newRow("silence, frame 1")
        << withFaults(&FaultConfig::silence, onlyFrame(1)) << settings + settings + settings
        << TransmissionsPerFrame{{transmission(0us, "12")}, {}, {transmission(0us, "12")}} << -1;
    QTest::newRow("wrong first byte")
        << withFaults(&FaultConfig::wrongFirstByte, EveryFrame) << settings + readSerial
        << TransmissionsPerFrame{{transmission(0us, "ed")}, {transmission(0us, "ed000000")}} << -1;
    QTest::newRow("wrong first byte of a renumber reply")
        << withFaults(&FaultConfig::wrongFirstByte, EveryFrame) << renumber
        << TransmissionsPerFrame{{transmission(0us, "9c")}} << -1;
    QTest::newRow("delay, every frame")
        << withFaults(&FaultConfig::delay, SizedFault{250, EveryFrame}) << settings + settings
        << TransmissionsPerFrame{{transmission(250ms, "12")}, {transmission(250ms, "12")}} << -1;
    QTest::newRow("delay, frame 1") << withFaults(&FaultConfig::delay, SizedFault{250, onlyFrame(1)})
                                    << settings + settings
                                    << TransmissionsPerFrame{{transmission(0us, "12")},
                                                             {transmission(250ms, "12")}}
                                    << -1;
    QTest::newRow("extra byte repeats the address")
        << withFaults(&FaultConfig::extraByte, EveryFrame) << settings + readSerial
        << TransmissionsPerFrame{{transmission(0us, "1212")}, {transmission(0us, "1200000012")}} << -1;
    QTest::newRow("stray byte follows the answer")
        << withFaults(&FaultConfig::strayByte, SizedFault{7, onlyFrame(1)}) << settings + readSerial
        << TransmissionsPerFrame{{transmission(0us, "12")}, {transmission(0us, "1200000007")}} << -1;
    QTest::newRow("short reply drops the last byte")
        << withFaults(&FaultConfig::shortReply, EveryFrame) << readSerial
        << TransmissionsPerFrame{{transmission(0us, "120000")}} << -1;
    QTest::newRow("short 1-byte reply sends nothing")
        << withFaults(&FaultConfig::shortReply, EveryFrame) << settings << TransmissionsPerFrame{{}} << -1;
    QTest::newRow("split reply") << withFaults(&FaultConfig::splitReply, EveryFrame) << readSerial
                                 << TransmissionsPerFrame{{transmission(0us, "12"),
                                                           transmission(sim::SplitReplyGap, "000000")}}
                                 << -1;
    QTest::newRow("split 1-byte reply is one write")
        << withFaults(&FaultConfig::splitReply, EveryFrame) << settings
        << TransmissionsPerFrame{{transmission(0us, "12")}} << -1;
    QTest::newRow("hang-up at frame 1 drops what follows")
        << withFaults(&FaultConfig::hangUpAtFrame, 1) << settings + readSerial + renumber
        << TransmissionsPerFrame{{transmission(0us, "12")}, {}} << 1;
    QTest::newRow("hang-up at frame 1 still stores it")
        << withFaults(&FaultConfig::hangUpAtFrame, 1) << readSerial + renumber + settings
        << TransmissionsPerFrame{{transmission(0us, "12000000")}, {}} << 1;
    QTest::newRow("hang-up at frame 0 even if the frame is ignored")
        << withFaults(&FaultConfig::hangUpAtFrame, 0) << hex("130520010501") + settings
        << TransmissionsPerFrame{{}} << 0;
    // (1 address + 5 frame + 1 reply) bytes x 10 bits / 9600 baud = 7291.67 us, rounded up.
    QTest::newRow("line rate, renumber") << withFaults(&FaultConfig::lineRateBaud, 9600) << renumber
                                         << TransmissionsPerFrame{{transmission(7292us, "63")}} << -1;
    // (1 + 2 + 4) bytes: the same time for a shorter frame with a longer answer.
    QTest::newRow("line rate, read serial")
        << withFaults(&FaultConfig::lineRateBaud, 9600) << readSerial
        << TransmissionsPerFrame{{transmission(7292us, "12000000")}} << -1;
    // (1 + 20 + 1) bytes at 2400 baud: 91666.67 us.
    QTest::newRow("line rate, logo line at 2400")
        << withFaults(&FaultConfig::lineRateBaud, 2400) << hex("12") + logoLine(0, 0)
        << TransmissionsPerFrame{{transmission(91667us, "12")}} << -1;
    QTest::newRow("line rate adds to the fault delay")
        << withFaults(&FaultConfig::delay, SizedFault{100, EveryFrame}, &FaultConfig::lineRateBaud, 9600)
        << settings << TransmissionsPerFrame{{transmission(100ms + 7292us, "12")}} << -1;
    QTest::newRow("line rate counts the extra byte")
        << withFaults(&FaultConfig::extraByte, EveryFrame, &FaultConfig::lineRateBaud, 9600) << settings
        << TransmissionsPerFrame{{transmission(8334us, "1212")}} << -1;
    // Counted from the renumber: the settings before it are no frame 0, whatever their number.
    QTest::newRow("silence, frame 0 counted from the renumber")
        << withFaults(&FaultConfig::silence, onlyFrame(0), &FaultConfig::countFrom, hex("630507")) << settings + renumber + settings
        << TransmissionsPerFrame{{transmission(0us, "12")}, {}, {transmission(0us, "12")}} << -1;
    QTest::newRow("silence sends no extra byte either")
        << withFaults(&FaultConfig::silence, EveryFrame, &FaultConfig::extraByte, EveryFrame) << settings
        << TransmissionsPerFrame{{}} << -1;
    QTest::newRow("ignored frame gets no fault bytes")
        << withFaults(&FaultConfig::extraByte, EveryFrame, &FaultConfig::noise, SizedFault{3, EveryFrame})
        << hex("130520010501") << TransmissionsPerFrame{{}} << -1;
}

void TestSimCore::faults()
{
    QFETCH(FaultConfig, faults);
    QFETCH(QByteArray, input);
    QFETCH(TransmissionsPerFrame, expected);
    QFETCH(int, hangUpFrame);

    TimeClockCore core({}, faults);
    const QList<FrameOutcome> outcomes = core.receive(input);
    TransmissionsPerFrame actual;
    for (const FrameOutcome &outcome : outcomes) {
        actual.append(outcome.transmissions);
        QCOMPARE(outcome.hangUp, hangUpFrame >= 0 && outcome.index == hangUpFrame);
    }
    QCOMPARE(actual, expected);
    QCOMPARE(core.hungUp(), hangUpFrame >= 0);
    QCOMPARE(core.receive(hex("12021f")).isEmpty(), hangUpFrame >= 0);

    // A terminal that stores and then fails to answer: every decoded frame, the hang-up one included, takes
    // effect as without faults, and nothing after the hang-up does.
    TimeClockCore faultless;
    for (const FrameOutcome &outcome : outcomes)
        faultless.receive(QByteArray(1, static_cast<char>(outcome.address)) + outcome.frame);
    QCOMPARE(core.state(), faultless.state());
}

void TestSimCore::noiseNeverStartsWithTheAddress()
{
    const FaultConfig faults = withFaults(&FaultConfig::noise, SizedFault{5, EveryFrame});
    // With a fixed seed the first noise byte of a fresh simulator is always the same value, so trying
    // every machine number meets the one it would have matched.
    for (int number = 0; number < 256; ++number) {
        if (number == sim::RenumberAddress)
            continue;
        TimeClockCore core(terminalNumbered(number), faults);
        QByteArray input(1, static_cast<char>(number));
        input += hex("021f");
        const QList<FrameOutcome> outcomes = core.receive(input);
        QCOMPARE(outcomes.size(), 1);
        QCOMPARE(outcomes.constFirst().transmissions.size(), 1);
        const QByteArray sent = outcomes.constFirst().transmissions.constFirst().bytes;
        QCOMPARE(sent.size(), 5 + 4);
        QVERIFY2(static_cast<quint8>(sent.at(0)) != number, qPrintable(QString::number(number)));
        QCOMPARE(sent.mid(5).toHex(), (QByteArray(1, static_cast<char>(number)) + hex("000000")).toHex());

        TimeClockCore again(terminalNumbered(number), faults);
        QCOMPARE(again.receive(input).constFirst().transmissions.constFirst().bytes, sent);
    }
}

void TestSimCore::finalReportDrawsTheLogoMostSignificantBitFirst()
{
    TerminalState state;
    state.logo[0] = char(0x80);   // row 0, leftmost pixel
    state.logo[17] = char(0x40);  // row 1, second byte: pixel 9
    state.logo[511] = char(0x01); // row 31, rightmost pixel

    const QList<QByteArray> lines = sim::finalReport(state);
    QCOMPARE(lines.size(), 2 + 32);
    QCOMPARE(lines.at(1), "LOGO " + state.logo.toHex());
    for (int row = 0; row < 32; ++row) {
        QByteArray expected = "PIC " + QByteArray(128, '.');
        if (row == 0)
            expected[4 + 0] = '#';
        if (row == 1)
            expected[4 + 9] = '#';
        if (row == 31)
            expected[4 + 127] = '#';
        QCOMPARE(lines.at(2 + row), expected);
    }
}

void TestSimCore::outputLinesReadBack()
{
    TerminalState state = terminalNumbered(7);
    state.serial = hex("0a0b0c");
    state.mode = 3;
    state.delay = 200;
    state.font = 1;
    state.logo[300] = char(0x5a);
    TimeClockCore core(state);
    const QList<FrameOutcome> outcomes = core.receive(hex("07021f"
                                                          "08021f"));

    QByteArray printed = sim::deviceLine(QStringLiteral("/dev/pts/9")) + '\n' +
                         sim::linkLine(QStringLiteral("/tmp/tty clock")) + '\n' +
                         sim::receivedLine(hex("07021f08"), 1234567890123) + '\n' +
                         sim::frameLine(outcomes[0]) + '\n' +
                         sim::transmittedLine(hex("070a0b0c"), std::nullopt) + '\n' +
                         sim::receivedLine(hex("021f"), std::nullopt) + '\n' + sim::frameLine(outcomes[1]) +
                         '\n' + sim::hangUpLine() + '\n';
    for (const QByteArray &line : sim::finalReport(core.state()))
        printed += line + '\n';

    // Whole, and one byte at a time: the reader does not depend on how the output arrives.
    for (const qsizetype pieceSize : {printed.size(), qsizetype(1)}) {
        sim::OutputReader reader;
        int lines = 0;
        for (qsizetype start = 0; start < printed.size(); start += pieceSize)
            lines +=
                reader.read(QByteArrayView(printed).sliced(start, qMin(pieceSize, printed.size() - start)));
        QCOMPARE(lines, 8 + 2 + sim::LogoRowCount);
        QCOMPARE(reader.text(), printed);
        QCOMPARE(reader.devicePath(), QStringLiteral("/dev/pts/9"));
        QCOMPARE(reader.linkPath(), QStringLiteral("/tmp/tty clock"));
        QCOMPARE(reader.received().toHex(), QByteArray("07021f08021f"));
        QCOMPARE(reader.transmitted().toHex(), QByteArray("070a0b0c"));
        QCOMPARE(reader.chunks().size(), 3);
        QCOMPARE(reader.chunks().at(0).stampNs.value_or(-1), 1234567890123);
        QVERIFY(!reader.chunks().at(0).transmitted());
        QVERIFY(reader.chunks().at(1).transmitted());
        QVERIFY(!reader.chunks().at(1).stampNs);
        QCOMPARE(reader.frameLines(), QStringList({"FRAME 0 07 021f handled", "FRAME 1 08 021f ignored"}));
        QVERIFY(reader.hungUp());
        QVERIFY(reader.finalState());
        QCOMPARE(*reader.finalState(), state);
    }
}

void TestSimCore::finalStateNeedsEveryField_data()
{
    QTest::addColumn<QByteArray>("stateLine");
    QTest::addColumn<bool>("read");

    QTest::newRow("whole") << QByteArray("STATE machine=1 serial=010203 mode=0 delay=0 font=0") << true;
    QTest::newRow("no machine") << QByteArray("STATE serial=010203 mode=0 delay=0 font=0") << false;
    QTest::newRow("machine beyond a byte")
        << QByteArray("STATE machine=256 serial=010203 mode=0 delay=0 font=0") << false;
    QTest::newRow("short serial") << QByteArray("STATE machine=1 serial=0102 mode=0 delay=0 font=0") << false;
    QTest::newRow("font not a number")
        << QByteArray("STATE machine=1 serial=010203 mode=0 delay=0 font=x") << false;
    QTest::newRow("no STATE line") << QByteArray() << false;
}

void TestSimCore::finalStateNeedsEveryField()
{
    QFETCH(QByteArray, stateLine);
    QFETCH(bool, read);

    sim::OutputReader reader;
    reader.read(stateLine + "\nLOGO " + QByteArray(sim::LogoSize, '\0').toHex() + '\n');
    QCOMPARE(reader.finalState().has_value(), read);

    sim::OutputReader shortLogo;
    shortLogo.read(stateLine + "\nLOGO " + QByteArray(sim::LogoSize - 1, '\0').toHex() + '\n');
    QVERIFY(!shortLogo.finalState());
}

void TestSimCore::logoPictureDrawsEachOnBitAsABlackDot_data()
{
    QTest::addColumn<QByteArray>("logo");
    QTest::addColumn<QList<QPoint>>("blackDots"); // (column, row)

    const auto logoWith = [](int position, int value) {
        QByteArray logo(sim::LogoSize, '\0');
        logo[position] = char(value);
        return logo;
    };
    QTest::newRow("blank") << QByteArray(sim::LogoSize, '\0') << QList<QPoint>{};
    QTest::newRow("first byte, top bit: top left") << logoWith(0, 0x80) << QList<QPoint>{{0, 0}};
    QTest::newRow("line 1, byte 1, bit 6") << logoWith(17, 0x40) << QList<QPoint>{{9, 1}};
    QTest::newRow("last byte, low bit: bottom right") << logoWith(511, 0x01) << QList<QPoint>{{127, 31}};
    QTest::newRow("last byte of line 0: its eight right dots")
        << logoWith(15, 0xff)
        << QList<QPoint>{{120, 0}, {121, 0}, {122, 0}, {123, 0}, {124, 0}, {125, 0}, {126, 0}, {127, 0}};
    QTest::newRow("second block begins at row 16")
        << logoWith(256, 0xa5) << QList<QPoint>{{0, 16}, {2, 16}, {5, 16}, {7, 16}};
}

void TestSimCore::logoPictureDrawsEachOnBitAsABlackDot()
{
    QFETCH(QByteArray, logo);
    QFETCH(QList<QPoint>, blackDots);

    const QImage picture = sim::logoPicture(logo);
    QCOMPARE(picture.size(), QSize(128, 32));
    for (int row = 0; row < picture.height(); ++row) {
        for (int column = 0; column < picture.width(); ++column) {
            const QRgb expected =
                blackDots.contains(QPoint(column, row)) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            QVERIFY2(picture.pixel(column, row) == expected,
                     qPrintable(QStringLiteral("dot %1, %2").arg(column).arg(row)));
        }
    }
}

void TestSimCore::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<FaultConfig>("faults");
    QTest::addColumn<TerminalState>("initial");
    QTest::addColumn<QString>("picturePath");

    TerminalState withSerial;
    withSerial.serial = hex("a1b2c3");

    QTest::newRow("none") << QStringList{} << true << FaultConfig{} << TerminalState{} << QString();
    QTest::newRow("machine") << QStringList{"--machine", "7"} << true << FaultConfig{} << terminalNumbered(7)
                             << QString();
    QTest::newRow("machine 255") << QStringList{"--machine", "255"} << true << FaultConfig{}
                                 << terminalNumbered(255) << QString();
    QTest::newRow("machine 256") << QStringList{"--machine", "256"} << false << FaultConfig{}
                                 << TerminalState{} << QString();
    QTest::newRow("machine with sign")
        << QStringList{"--machine", "+7"} << false << FaultConfig{} << TerminalState{} << QString();
    QTest::newRow("serial, either case")
        << QStringList{"--serial", "a1B2c3"} << true << FaultConfig{} << withSerial << QString();
    QTest::newRow("serial too short")
        << QStringList{"--serial", "a1b2c"} << false << FaultConfig{} << TerminalState{} << QString();
    QTest::newRow("serial not hex") << QStringList{"--serial", "a1b2cg"} << false << FaultConfig{}
                                    << TerminalState{} << QString();
    QTest::newRow("silence all") << QStringList{"--silence", "all"} << true
                                 << withFaults(&FaultConfig::silence, EveryFrame) << TerminalState{}
                                 << QString();
    QTest::newRow("every selector option at one frame")
        << QStringList{"--silence",     "0", "--wrong-byte",  "1", "--extra-byte", "2",
                       "--short-reply", "3", "--split-reply", "4"}
        << true
        << withFaults(&FaultConfig::silence, onlyFrame(0), &FaultConfig::wrongFirstByte, onlyFrame(1),
                      &FaultConfig::extraByte, onlyFrame(2), &FaultConfig::shortReply, onlyFrame(3),
                      &FaultConfig::splitReply, onlyFrame(4))
        << TerminalState{} << QString();
    QTest::newRow("negative frame") << QStringList{"--silence", "-1"} << false << FaultConfig{}
                                    << TerminalState{} << QString();
    QTest::newRow("frame with trailing text")
        << QStringList{"--wrong-byte", "1x"} << false << FaultConfig{} << TerminalState{} << QString();
    QTest::newRow("delay, every frame")
        << QStringList{"--delay-ms", "250"} << true
        << withFaults(&FaultConfig::delay, SizedFault{250, EveryFrame}) << TerminalState{} << QString();
    QTest::newRow("delay at frame 2")
        << QStringList{"--delay-ms", "250@2"} << true
        << withFaults(&FaultConfig::delay, SizedFault{250, onlyFrame(2)}) << TerminalState{} << QString();
    QTest::newRow("delay with empty frame")
        << QStringList{"--delay-ms", "250@"} << false << FaultConfig{} << TerminalState{} << QString();
    QTest::newRow("delay without amount")
        << QStringList{"--delay-ms", "@2"} << false << FaultConfig{} << TerminalState{} << QString();
    QTest::newRow("noise at frame 0")
        << QStringList{"--noise", "3@0"} << true
        << withFaults(&FaultConfig::noise, SizedFault{3, onlyFrame(0)}) << TerminalState{} << QString();
    QTest::newRow("stray byte 0 at frame 3")
        << QStringList{"--stray-byte", "0@3"} << true
        << withFaults(&FaultConfig::strayByte, SizedFault{0, onlyFrame(3)}) << TerminalState{} << QString();
    QTest::newRow("stray byte 256") << QStringList{"--stray-byte", "256"} << false << FaultConfig{}
                                    << TerminalState{} << QString();
    QTest::newRow("no noise bytes") << QStringList{"--noise", "0"} << false << FaultConfig{}
                                    << TerminalState{} << QString();
    QTest::newRow("hang-up") << QStringList{"--hangup-at", "5"} << true
                             << withFaults(&FaultConfig::hangUpAtFrame, 5) << TerminalState{} << QString();
    QTest::newRow("count from a frame's start") << QStringList{"--count-from", "630507"} << true
                                                << withFaults(&FaultConfig::countFrom, hex("630507")) << TerminalState{} << QString();
    QTest::newRow("count from half a byte") << QStringList{"--count-from", "63050"} << false << FaultConfig{}
                                            << TerminalState{} << QString();
    QTest::newRow("hang-up needs one frame")
        << QStringList{"--hangup-at", "all"} << false << FaultConfig{} << TerminalState{} << QString();
    QTest::newRow("line rate") << QStringList{"--line-rate", "9600"} << true
                               << withFaults(&FaultConfig::lineRateBaud, 9600) << TerminalState{}
                               << QString();
    QTest::newRow("line rate 0") << QStringList{"--line-rate", "0"} << false << FaultConfig{}
                                 << TerminalState{} << QString();
    QTest::newRow("huge number") << QStringList{"--delay-ms", "99999999999"} << false << FaultConfig{}
                                 << TerminalState{} << QString();
    QTest::newRow("picture out") << QStringList{"--picture-out", "/tmp/logo.png"} << true << FaultConfig{}
                                 << TerminalState{} << QStringLiteral("/tmp/logo.png");
    QTest::newRow("picture out, no file named")
        << QStringList{"--picture-out", ""} << false << FaultConfig{} << TerminalState{} << QString();
}

void TestSimCore::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    QFETCH(FaultConfig, faults);
    QFETCH(TerminalState, initial);
    QFETCH(QString, picturePath);

    QCommandLineParser parser;
    sim::addSimulatorOptions(parser);
    QVERIFY(parser.parse(QStringList{"timeclock-sim"} + arguments));
    const auto result = sim::simulatorOptionsFrom(parser);
    QCOMPARE(std::holds_alternative<sim::SimulatorOptions>(result), valid);
    if (!valid) {
        QVERIFY(!std::get<QString>(result).isEmpty());
        return;
    }
    QVERIFY(std::get<sim::SimulatorOptions>(result).faults == faults);
    QVERIFY(std::get<sim::SimulatorOptions>(result).initial == initial);
    QCOMPARE(std::get<sim::SimulatorOptions>(result).picturePath, picturePath);
}

QTEST_GUILESS_MAIN(TestSimCore)
#include "tst_sim_core.moc"
