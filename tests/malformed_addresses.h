#pragma once

#include <QString>
#include <QTest>

// Network addresses that cannot be one, each with a part of the reason said after 串口号错误: the same rows
// wherever an address enters (the window's --port mappings, a command's --port).
inline void addMalformedNetworkAddressRows()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("reason");
    QTest::newRow("IPv6 without brackets") << "rfc2217://::1:7103" << "[::1]";
    QTest::newRow("port 0") << "rfc2217://127.0.0.1:0" << "65535";
    QTest::newRow("port 99999") << "socket://127.0.0.1:99999" << "65535";
    QTest::newRow("raw without a port") << "socket://127.0.0.1" << "socket://";
    QTest::newRow("a path after the port") << "rfc2217://127.0.0.1:7103/extra" << "/extra";
}
