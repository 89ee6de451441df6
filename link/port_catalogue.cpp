#include "port_catalogue.h"

#include "network_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifndef Q_OS_WIN
#include <QSerialPortInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#else
#include "windows_port_names.h"
#endif

namespace {

constexpr int MostPortsNamed = 4;  // the port-open message stays one line

#ifndef Q_OS_WIN
// The by-id link that leads to `device`; these names stay the same whichever order adapters are plugged in.
QString stableNameOf(const QString &device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return {};
}

// Qt's serial port, minicom and others take a UUCP lock file named after the device below /dev, holding
// their process id; a lock whose process still runs means the port is in use, even where the exclusive
// open is not enforced (for root).
bool lockedByLiveProcess(const QString &device)
{
    QString name = device;
    if (name.startsWith(QStringLiteral("/dev/")))
        name.remove(0, 5);
    QFile lock(QStringLiteral("/var/lock/LCK..") + name.replace(u'/', u'_'));
    if (!lock.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const qint64 pid = lock.readLine().trimmed().toLongLong(&ok);
    return ok && pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

void addSystemFacts(PortFacts &facts)
{
    const QSerialPortInfo info(facts.device);
    if (info.isNull())
        return;
    facts.name = info.description();
    facts.manufacturer = info.manufacturer();
    if (info.hasVendorIdentifier())
        facts.vendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier())
        facts.productId = info.productIdentifier();
    facts.serialNumber = info.serialNumber();
    facts.stableName = stableNameOf(facts.device);
}
#else
// Windows names its ports as the Device Manager shows them ("USB-SERIAL CH340 (COM5)"), through SetupAPI.
void addSystemFacts(PortFacts &facts)
{
    facts.name = windowsPortFriendlyNames().value(facts.device.toUpper());
}
#endif

} // namespace

QString PortFacts::label() const
{
    const QString label = QCoreApplication::translate("PortCatalogue", "%1 号 %2").arg(number).arg(name.isEmpty() ? device : name);
    return missing ? label + missingDeviceMark() : label;
}

QString missingDeviceMark()
{
    return QCoreApplication::translate("PortCatalogue", "（不存在）");
}

QString PortFacts::usbIds() const
{
    if (!vendorId || !productId)
        return {};
    return QStringLiteral("%1:%2").arg(*vendorId, 4, 16, QChar(u'0')).arg(*productId, 4, 16, QChar(u'0'));
}

QList<PortFacts> portCatalogue(const PortDirectory &ports, bool testUse)
{
    QList<PortFacts> catalogue;
    const QMap<int, QString> reach = ports.reachablePorts();
    for (auto it = reach.cbegin(); it != reach.cend(); ++it) {
        PortFacts facts{.number = it.key(), .device = it.value()};
#ifndef Q_OS_WIN
        // Only a mapping can name a device that is not there; the system lists what it has.
        facts.missing = !isNetworkPortName(facts.device) && !QFileInfo::exists(facts.device);
#endif
        addSystemFacts(facts);
        if (testUse)
            facts.use = portUse(facts.device);
        catalogue.append(facts);
    }
    return catalogue;
}

PortFacts::Use portUse(const QString &device)
{
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return PortFacts::Use::Unknown;
#else
    // O_NONBLOCK: no wait for a modem's carrier; O_NOCTTY: never become this process's terminal. A port
    // opened by a program that asked for it alone (TIOCEXCL, as Qt's serial port does) refuses with EBUSY;
    // one locked with flock() is found by trying the lock.
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EBUSY)
            return PortFacts::Use::Busy;
        return errno == EACCES || errno == EPERM ? PortFacts::Use::NoPermission : PortFacts::Use::Unknown;
    }
    PortFacts::Use use = PortFacts::Use::Free;
    if (lockedByLiveProcess(device))
        use = PortFacts::Use::Busy;
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        use = errno == EWOULDBLOCK ? PortFacts::Use::Busy : PortFacts::Use::Unknown;
    else
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return use;
#endif
}

QString availablePortsNote(const PortDirectory &ports)
{
    const QList<PortFacts> catalogue = portCatalogue(ports, false);
    if (catalogue.isEmpty())
        return {};
    QStringList labels;
    for (const PortFacts &facts : catalogue.first(std::min<qsizetype>(catalogue.size(), MostPortsNamed)))
        labels << facts.label();
    if (catalogue.size() > MostPortsNamed)
        labels << QStringLiteral("…");
    return QCoreApplication::translate("PortCatalogue", "；可用：%1")
        .arg(labels.join(QCoreApplication::translate("PortCatalogue", "、")));
}

QString portListLine(const PortFacts &facts)
{
    const QString mark = facts.missing ? missingDeviceMark() : QString();
    // Windows' names end in the port already: "USB-SERIAL CH340 (COM5)".
    if (facts.name.isEmpty() || facts.name.endsWith(QLatin1Char('(') + facts.device + QLatin1Char(')'), Qt::CaseInsensitive))
        return QStringLiteral("%1  %2%3").arg(facts.number).arg(facts.name.isEmpty() ? facts.device : facts.name, mark);
    return QStringLiteral("%1  %2  %3%4").arg(facts.number).arg(facts.name, facts.device, mark);
}

QStringList otherProgramsHolding(const QString &device)
{
    QStringList holders;
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return holders;
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QString ptyIndex = target.startsWith(QStringLiteral("/dev/pts/")) ? target.mid(9) : QString();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || pid.front() < u'1' || pid.front() > u'9')
            continue;
        // Another user's processes cannot be looked into; they are left out.
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const QStringList entries = fds.entryList(QDir::System | QDir::NoDotAndDotDot);
        bool holds = false;
        bool otherEnd = false;
        for (const QString &fd : entries) {
            const QString opened = QFileInfo(fds.filePath(fd)).symLinkTarget();
            holds = holds || opened == target;
            // A pseudo-terminal's master is its other end (a simulator, a terminal window), not a rival
            // reader; its holder often keeps this side open as well.
            if (!ptyIndex.isEmpty() && opened.endsWith(QStringLiteral("ptmx"))) {
                QFile info(proc.filePath(pid + QStringLiteral("/fdinfo/") + fd));
                otherEnd = otherEnd
                           || (info.open(QIODevice::ReadOnly)
                               && info.readAll().contains("tty-index:\t" + ptyIndex.toLatin1() + '\n'));
            }
        }
        if (!holds || otherEnd)
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
        holders << QCoreApplication::translate("PortCatalogue", "%1，进程 %2").arg(name, pid);
    }
#else
    Q_UNUSED(device);
#endif
    return holders;
}
