#include "port_catalogue.h"

#include "line_echo.h"
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

enum class LockOwners { AnyProcess, OtherProcesses };

// "ser2net（进程 9637）", or the process id alone where its name cannot be read.
QString holderText(const QString &program, const QString &pid)
{
    if (program.isEmpty())
        return QCoreApplication::translate("PortCatalogue", "进程 %1").arg(pid);
    return QCoreApplication::translate("PortCatalogue", "%1（进程 %2）").arg(program, pid);
}

constexpr int MostPortsNamed = 4;  // the port-open message stays one line

#ifndef Q_OS_WIN
// A device as Qt's serial port takes it: a short name ("ttyUSB0", "pts/2") lives below /dev.
QString deviceFile(const QString &device)
{
    return device.startsWith(u'/') || device.startsWith(u'.') ? device : QStringLiteral("/dev/") + device;
}

QString programName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
}
#endif

// The processes, other than this one, that have the line's device open (/proc/*/fd), with their names.
QList<std::pair<QString, QString>> processesHolding([[maybe_unused]] const LineIdentity &line)
{
    QList<std::pair<QString, QString>> holders;
#ifdef Q_OS_LINUX
    const QString &target = line.deviceFile();
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
        if (holds && !otherEnd)
            holders.append({programName(pid.toLongLong()), pid});
    }
#endif
    return holders;
}

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

// Where UUCP lock files are kept: ser2net, minicom, picocom and Qt's serial port write them there (/var/lock
// is often a link to /run/lock). TIMECLOCK_LOCK_DIR names one folder instead, for trials that must not write
// into the system's.
QStringList lockDirectories()
{
    if (const QString chosen = qEnvironmentVariable("TIMECLOCK_LOCK_DIR"); !chosen.isEmpty())
        return {chosen};
    QStringList directories;
    for (const char *path : {"/var/lock", "/run/lock", "/var/spool/locks", "/var/spool/uucp"}) {
        const QString canonical = QFileInfo(QString::fromLatin1(path)).canonicalFilePath();
        if (!canonical.isEmpty() && !directories.contains(canonical))
            directories << canonical;
    }
    return directories;
}

// The lock file's name for a device path: its name below /dev with each '/' written as '_' ("LCK..pts_3",
// "LCK..serial_by-id_usb-FTDI_FT232R_USB_UART-if00-port0").
QString lockNameOf(const QString &path)
{
    QString name = path.startsWith(QStringLiteral("/dev/")) ? path.mid(5) : path;
    return QStringLiteral("LCK..") + name.replace(u'/', u'_');
}

// Every name the device at `target` goes by that a program may have taken its lock under: the name given,
// the real device, and the links below /dev/serial that lead to it.
QStringList lockNamesOf(const QString &given, const QString &target)
{
    QStringList names{lockNameOf(given), lockNameOf(QFileInfo(given).absoluteFilePath()), lockNameOf(target)};
    for (const char *folder : {"/dev/serial/by-id", "/dev/serial/by-path"}) {
        const QDir links(QString::fromLatin1(folder));
        for (const QFileInfo &link : links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
            if (link.canonicalFilePath() == target)
                names << lockNameOf(link.absoluteFilePath());
    }
    return names;
}

// The devices a lock file's name may stand for: a program given a link outside the names above
// ("LCK..ttyTimeClock" for /dev/ttyTimeClock, "LCK.._tmp_my_line" for /tmp/my_line). Each '_' was a '/' or
// itself; the folders that exist decide, so the choices stay few.
QStringList devicesNamedByLock(const QString &lockName)
{
    const QString name = lockName.mid(5);
    const bool whole = name.startsWith(u'_');
    const QStringList parts = (whole ? name.mid(1) : name).split(u'_');
    // Each choice: the folder reached so far and the name being read in it.
    QList<std::pair<QString, QString>> choices{{whole ? QString() : QStringLiteral("/dev"), parts.front()}};
    for (qsizetype i = 1; i < parts.size() && !choices.isEmpty(); ++i) {
        QList<std::pair<QString, QString>> next;
        for (const auto &[folder, partName] : std::as_const(choices)) {
            next.append({folder, partName + u'_' + parts.at(i)});
            if (const QString deeper = folder + u'/' + partName; QFileInfo(deeper).isDir())
                next.append({deeper, parts.at(i)});
        }
        choices = next;
    }
    QStringList devices;
    for (const auto &[folder, partName] : std::as_const(choices))
        devices << folder + u'/' + partName;
    return devices;
}

// The process id a lock file holds: ASCII ("      9637\n" as UUCP writes it, "9637\nappname\nhost" as Qt's
// lock file does).
qint64 lockPid(const QString &path)
{
    QFile lock(path);
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const qint64 pid = lock.readLine(64).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool processRuns(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// The live process holding a UUCP lock on the line's device, under whichever of its names the lock was taken.
std::optional<qint64> lockingPid(const LineIdentity &line, LockOwners owners)
{
    const QString &target = line.deviceFile();
    if (target.isEmpty())
        return std::nullopt;
    const QStringList names = lockNamesOf(deviceFile(line.name()), target);
    for (const QString &directory : lockDirectories()) {
        const QDir locks(directory);
        for (const QString &lockName : locks.entryList({QStringLiteral("LCK..*")}, QDir::Files | QDir::System)) {
            const QStringList named = devicesNamedByLock(lockName);
            if (!names.contains(lockName) && std::none_of(named.cbegin(), named.cend(), [&target](const QString &path) {
                    return QFileInfo(path).canonicalFilePath() == target;
                }))
                continue;
            const qint64 pid = lockPid(locks.filePath(lockName));
            if (owners == LockOwners::OtherProcesses && pid == QCoreApplication::applicationPid())
                continue;
            if (processRuns(pid))
                return pid;
        }
    }
    return std::nullopt;
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

QString echoMark()
{
    return QCoreApplication::translate("PortCatalogue", "（有回声）");
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
        const LineIdentity line = LineIdentity::of(facts.device);
        facts.echoes = knownEcho(line);
        if (testUse)
            facts.use = portUse(line);
        catalogue.append(facts);
    }
    return catalogue;
}

PortFacts::Use portUse(const LineIdentity &line)
{
#ifdef Q_OS_WIN
    Q_UNUSED(line);
    return PortFacts::Use::Unknown;
#else
    // Never opened to find out: an open of a real UART raises and drops DTR and RTS, which can reset what
    // is attached. A live lock or a descriptor another process holds says it is in use.
    if (lockingPid(line, LockOwners::AnyProcess) || !processesHolding(line).isEmpty())
        return PortFacts::Use::Busy;
    if (::access(QFile::encodeName(deviceFile(line.name())).constData(), R_OK | W_OK) == 0)
        return PortFacts::Use::Free;
    return errno == EACCES || errno == EPERM || errno == EROFS ? PortFacts::Use::NoPermission : PortFacts::Use::Unknown;
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
    const QString mark = (facts.missing ? missingDeviceMark() : QString()) + (facts.echoes == true ? echoMark() : QString());
    // Windows' names end in the port already: "USB-SERIAL CH340 (COM5)".
    if (facts.name.isEmpty() || facts.name.endsWith(QLatin1Char('(') + facts.device + QLatin1Char(')'), Qt::CaseInsensitive))
        return QStringLiteral("%1  %2%3").arg(facts.number).arg(facts.name.isEmpty() ? facts.device : facts.name, mark);
    return QStringLiteral("%1  %2  %3%4").arg(facts.number).arg(facts.name, facts.device, mark);
}

QStringList otherProgramsHolding(const LineIdentity &line)
{
    QStringList holders;
    for (const auto &[name, pid] : processesHolding(line))
        holders << QCoreApplication::translate("PortCatalogue", "%1，进程 %2").arg(name, pid);
    return holders;
}

QStringList otherProgramNotes(const LineIdentity &line)
{
    QStringList notes;
    for (const QString &holder : otherProgramsHolding(line))
        notes << QCoreApplication::translate("PortCatalogue", "另一个程序（%1）也打开了这个串口").arg(holder);
    return notes;
}

std::optional<QString> lockHolder(const LineIdentity &line)
{
#ifdef Q_OS_WIN
    Q_UNUSED(line);
    return std::nullopt;
#else
    const auto pid = lockingPid(line, LockOwners::OtherProcesses);
    if (!pid)
        return std::nullopt;
    return holderText(programName(*pid), QString::number(*pid));
#endif
}

QString portHolder(const LineIdentity &line)
{
    if (const auto holder = lockHolder(line))
        return *holder;
    const auto holders = processesHolding(line);
    return holders.isEmpty() ? QString() : holderText(holders.front().first, holders.front().second);
}
