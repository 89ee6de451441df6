#include "sim_bus.h"
#include "sim_options.h"

#include <QCommandLineParser>
#include <QTest>

// Several simulated terminals on one line: each answers its own number, all obey the renumber address,
// and answers that meet on the wire arrive as the line would carry them.
class TestSimBus : public QObject
{
    Q_OBJECT

private slots:
    void collide_data();
    void collide();
    void eachTerminalAnswersItsOwnNumber();
    void renumberReachesEveryTerminal();
    void busOption_data();
    void busOption();
};

namespace {

using sim::Transmission;
using namespace std::chrono_literals;

QList<Transmission> reply(const char *hex, std::chrono::microseconds wait = 0us)
{
    return {Transmission{wait, QByteArray::fromHex(hex)}};
}

sim::BusTerminal terminal(quint8 machine, const char *serial)
{
    sim::BusTerminal t;
    t.initial.machineNumber = machine;
    t.initial.serial = QByteArray::fromHex(serial);
    return t;
}

} // namespace

void TestSimBus::collide_data()
{
    QTest::addColumn<QList<QList<Transmission>>>("replies");
    QTest::addColumn<QList<Transmission>>("onLine");
    QTest::newRow("nobody") << QList<QList<Transmission>>{} << QList<Transmission>{};
    QTest::newRow("one terminal") << QList<QList<Transmission>>{reply("07112233", 5us)} << reply("07112233", 5us);
    QTest::newRow("the same byte from three") << QList<QList<Transmission>>{reply("63"), reply("63"), reply("63")}
                                              << reply("63");
    QTest::newRow("different answers overlap") << QList<QList<Transmission>>{reply("0f", 3us), reply("f3ff", 9us)}
                                               << reply("03ff", 9us);
    // Two terminals at one number: the second starts 5 ms late, after the first 4 bytes (4.2 ms) have ended.
    QTest::newRow("answers apart in time arrive one after the other")
        << QList<QList<Transmission>>{reply("12bbbbbb", 5000us), reply("12aaaaaa", 0us)}
        << QList<Transmission>{reply("12aaaaaa", 0us).constFirst(), reply("12bbbbbb", 5000us).constFirst()};
    QTest::newRow("a third meets the second of two apart")
        << QList<QList<Transmission>>{reply("12aaaaaa", 0us), reply("12bbbbbb", 5000us), reply("12f0f0f0", 6000us)}
        << QList<Transmission>{reply("12aaaaaa", 0us).constFirst(), reply("12b0b0b0", 6000us).constFirst()};
}

void TestSimBus::collide()
{
    QFETCH(QList<QList<Transmission>>, replies);
    QFETCH(QList<Transmission>, onLine);
    QCOMPARE(sim::collide(replies), onLine);
}

void TestSimBus::eachTerminalAnswersItsOwnNumber()
{
    sim::TimeClockBus bus({terminal(18, "0a1b2c"), terminal(7, "112233")});
    const QList<sim::FrameOutcome> outcomes = bus.receive(QByteArray::fromHex("07021f" "12021f" "09021f"));
    QCOMPARE(outcomes.size(), 3);
    QCOMPARE(outcomes.at(0).transmissions, reply("07112233"));
    QCOMPARE(outcomes.at(1).transmissions, reply("120a1b2c"));
    QVERIFY(outcomes.at(2).transmissions.isEmpty());
    QVERIFY(!outcomes.at(2).handled);
}

void TestSimBus::renumberReachesEveryTerminal()
{
    sim::TimeClockBus bus({terminal(18, "0a1b2c"), terminal(7, "112233"), terminal(9, "445566")});
    const QList<sim::FrameOutcome> outcomes = bus.receive(QByteArray::fromHex("630507050000"));
    QCOMPARE(outcomes.size(), 1);
    // Three identical confirmations overlap into one byte.
    QCOMPARE(outcomes.at(0).transmissions, reply("63"));
    for (const sim::TerminalState &state : bus.states())
        QCOMPARE(state.machineNumber, quint8(5));
    // All three now answer the new number at once, so their answers meet.
    const QList<sim::FrameOutcome> read = bus.receive(QByteArray::fromHex("05021f"));
    QCOMPARE(read.at(0).transmissions, reply("05000020"));
}

void TestSimBus::busOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("terminals");  // -1: refused
    QTest::newRow("two") << QStringList{"--bus", "18:0A1B2C,7:112233"} << 2;
    QTest::newRow("with faults") << QStringList{"--bus", "18:0a1b2c:silence,7:112233:wrong-byte,9:445566"} << 3;
    QTest::newRow("delay and extra byte") << QStringList{"--bus", "18:0A1B2C:delay=150:extra-byte,7:112233"} << 2;
    QTest::newRow("delay without a figure") << QStringList{"--bus", "18:0A1B2C:delay="} << -1;
    QTest::newRow("no serial") << QStringList{"--bus", "18"} << -1;
    QTest::newRow("number above 255") << QStringList{"--bus", "256:000000"} << -1;
    QTest::newRow("unknown fault") << QStringList{"--bus", "18:0A1B2C:loud"} << -1;
    QTest::newRow("short serial") << QStringList{"--bus", "18:0A1B"} << -1;
    QTest::newRow("empty entry") << QStringList{"--bus", "18:0A1B2C,"} << -1;
    QTest::newRow("with --machine") << QStringList{"--bus", "18:0A1B2C", "--machine", "7"} << -1;
}

void TestSimBus::busOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, terminals);
    QCommandLineParser parser;
    sim::addSimulatorOptions(parser);
    QVERIFY(parser.parse(QStringList{"timeclock-sim"} + arguments));
    const auto options = sim::simulatorOptionsFrom(parser);
    if (terminals < 0) {
        QVERIFY(std::holds_alternative<QString>(options));
        return;
    }
    QVERIFY(std::holds_alternative<sim::SimulatorOptions>(options));
    const QList<sim::BusTerminal> onLine = sim::terminalsOnLine(std::get<sim::SimulatorOptions>(options));
    QCOMPARE(onLine.size(), terminals);
    QCOMPARE(onLine.at(0).initial.machineNumber, quint8(18));
    QCOMPARE(onLine.at(0).initial.serial, QByteArray::fromHex("0a1b2c"));
    // A terminal's own faults stay its own.
    if (arguments.at(1).contains("delay=150")) {
        QCOMPARE(onLine.at(0).faults.delay, (sim::SizedFault{150, {}}));
        QVERIFY(onLine.at(0).faults.extraByte.has_value());
        QCOMPARE(onLine.at(1).faults, sim::FaultConfig{});
    }
}

QTEST_GUILESS_MAIN(TestSimBus)
#include "tst_sim_bus.moc"
