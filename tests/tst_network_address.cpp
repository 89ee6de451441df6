#include "network_address.h"

#include <QTest>

// A network port's name, read strictly where it enters: the address it stands for, or the reason it is
// none, said before any name is looked up.
class TestNetworkAddress : public QObject
{
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
};

void TestNetworkAddress::reads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("place");    // empty when malformed
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<QString>("problem");  // a part of the reason, when malformed

    QTest::newRow("rfc2217 with a port") << "rfc2217://127.0.0.1:7103" << "127.0.0.1:7103" << true << "";
    QTest::newRow("rfc2217 on Telnet's port") << "rfc2217://terminals.example" << "terminals.example:23" << true << "";
    QTest::newRow("socket") << "socket://127.0.0.1:7104" << "127.0.0.1:7104" << false << "";
    QTest::newRow("tcp, letter case, a trailing slash") << "TCP://Host:7104/" << "Host:7104" << false << "";
    QTest::newRow("IPv6 in brackets") << "rfc2217://[::1]:7103" << "[::1]:7103" << true << "";
    QTest::newRow("IPv6 in brackets, Telnet's port") << "rfc2217://[fe80::1]" << "[fe80::1]:23" << true << "";
    QTest::newRow("highest port") << "socket://h:65535" << "h:65535" << false << "";

    QTest::newRow("IPv6 without brackets") << "rfc2217://::1:7103" << "" << false << "[::1]";
    QTest::newRow("port 0") << "rfc2217://127.0.0.1:0" << "" << false << "之间：0";
    QTest::newRow("port 99999") << "socket://127.0.0.1:99999" << "" << false << "之间：99999";
    QTest::newRow("port with letters") << "socket://127.0.0.1:7a" << "" << false << "之间：7a";
    QTest::newRow("empty port") << "socket://127.0.0.1:" << "" << false << "65535";
    QTest::newRow("raw without a port") << "socket://127.0.0.1" << "" << false << "socket://主机:端口";
    QTest::newRow("tcp without a port") << "tcp://127.0.0.1/" << "" << false << "tcp://主机:端口";
    QTest::newRow("a path after the port") << "rfc2217://127.0.0.1:7103/extra" << "" << false << "/extra";
    QTest::newRow("a path without a port") << "rfc2217://host/extra" << "" << false << "/extra";
    QTest::newRow("no host") << "socket://:7103" << "" << false << "主机名";
    QTest::newRow("space in the host") << "socket://a b:7103" << "" << false << "a b";
    QTest::newRow("bracket not closed") << "rfc2217://[::1:7103" << "" << false << "IPv6";
    QTest::newRow("a host name in brackets") << "rfc2217://[host]:7103" << "" << false << "IPv6";
    QTest::newRow("something after the brackets") << "rfc2217://[::1]x" << "" << false << "冒号";
}

void TestNetworkAddress::reads()
{
    QFETCH(QString, name);
    QFETCH(QString, place);
    QFETCH(bool, rfc2217);
    QFETCH(QString, problem);
    QVERIFY(isNetworkPortName(name));
    const NetworkAddressReading reading = readNetworkAddress(name);
    if (place.isEmpty()) {
        QVERIFY(!reading.address);
        QVERIFY2(reading.problem.contains(problem), qPrintable(reading.problem));
        QVERIFY(!parseNetworkAddress(name));
        return;
    }
    QVERIFY2(reading.address, qPrintable(reading.problem));
    QCOMPARE(reading.address->place(), place);
    QCOMPARE(reading.address->rfc2217, rfc2217);
    QVERIFY(reading.problem.isEmpty());
}

QTEST_APPLESS_MAIN(TestNetworkAddress)
#include "tst_network_address.moc"
