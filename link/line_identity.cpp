#include "line_identity.h"

#include "network_address.h"

#include <QFileInfo>

namespace {

// The loopback names, one host for every name of it; no name is looked up (this runs on the window's thread).
bool isLoopbackName(const QString &host)
{
    return host == u"localhost" || host == u"127.0.0.1" || host == u"::1";
}

#ifndef Q_OS_WIN
// A name as Qt's serial port takes it: a short one ("ttyUSB0", "pts/3") lives below /dev.
QString deviceFileName(const QString &portName)
{
    return portName.startsWith(u'/') || portName.startsWith(u'.') ? portName : QStringLiteral("/dev/") + portName;
}
#endif

} // namespace

LineIdentity LineIdentity::of(const QString &portName)
{
    LineIdentity line;
    line.m_name = portName;
    if (portName.isEmpty())
        return line;
    if (isNetworkPortName(portName)) {
        line.m_kind = Kind::Network;
        const auto address = parseNetworkAddress(portName);
        if (!address) {
            // Refused where it enters; here it is only ever compared with itself.
            line.m_key = portName;
            return line;
        }
        const QString host = address->host.toLower();
        // No scheme: one server port serves one serial port, whichever protocol reaches it.
        line.m_key = QStringLiteral("network://")
                     + NetworkAddress{.host = isLoopbackName(host) ? QStringLiteral("localhost") : host, .port = address->port}.place();
        return line;
    }
    line.m_kind = Kind::Device;
#ifdef Q_OS_WIN
    // Windows' device names know no letter case, and \\.\COM10 is how the system spells COM10 in full.
    QString device = portName.toUpper();
    if (device.startsWith(u"\\\\.\\"))
        device.remove(0, 4);
    line.m_key = device;
#else
    line.m_deviceFile = QFileInfo(deviceFileName(portName)).canonicalFilePath();
    // A device that is not there keeps its name: it is the same line when it comes back under it.
    line.m_key = line.m_deviceFile.isEmpty() ? portName : line.m_deviceFile;
#endif
    return line;
}
