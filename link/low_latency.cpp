#include "low_latency.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

std::optional<int> readTimer(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool number = false;
    const int value = file.readAll().trimmed().toInt(&number);
    return number ? std::optional<int>(value) : std::nullopt;
}

bool writeTimer(const QString &path, int value)
{
    QFile file(path);
    // No truncation: a sysfs attribute takes the one write as it comes.
    if (!file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly))
        return false;
    const QByteArray text = QByteArray::number(value) + '\n';
    return file.write(text) == text.size() && file.flush();
}

#ifdef Q_OS_LINUX
// Sets or clears the driver's low-latency flag; true when it was changed. Opened apart from the port (and
// before it), since the port itself is opened for this process alone.
bool changeLowLatencyFlag(const QString &device, bool on)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool changed = false;
    serial_struct settings{};
    if (::ioctl(fd, TIOCGSERIAL, &settings) == 0 && bool(settings.flags & ASYNC_LOW_LATENCY) != on) {
        settings.flags = on ? settings.flags | ASYNC_LOW_LATENCY : settings.flags & ~ASYNC_LOW_LATENCY;
        changed = ::ioctl(fd, TIOCSSERIAL, &settings) == 0;
    }
    ::close(fd);
    return changed;
}
#endif

} // namespace

LowLatencyForScan::LowLatencyForScan(const LineIdentity &line, const QString &usbSerialDevices)
{
    const QString &device = line.deviceFile();
    if (device.isEmpty())
        return;
    // Only a USB serial driver's port is touched: anything else is left alone without being opened.
    const QDir driverPort(usbSerialDevices + u'/' + QFileInfo(device).fileName());
    if (!driverPort.exists())
        return;
    m_device = device;
    m_timerFile = driverPort.filePath(QStringLiteral("latency_timer"));
    if (const auto timer = readTimer(m_timerFile); timer && *timer > 1 && writeTimer(m_timerFile, 1))
        m_formerTimer = timer;
#ifdef Q_OS_LINUX
    m_flagSet = changeLowLatencyFlag(m_device, true);
#endif
}

LowLatencyForScan::~LowLatencyForScan()
{
#ifdef Q_OS_LINUX
    if (m_flagSet)
        changeLowLatencyFlag(m_device, false);
#endif
    if (m_formerTimer)
        writeTimer(m_timerFile, *m_formerTimer);
}
