#pragma once

#include "line_identity.h"

#include <QString>

#include <optional>

// A USB serial adapter holds received bytes back until its latency timer runs out (16 ms by default for
// the common FTDI chips) before it passes them on. A scan waits only a few milliseconds for each answer,
// so for its length the adapter is asked to pass bytes on at once, and put back as it was afterwards.
//
// Linux only, and only where the USB serial driver offers it: the latency timer in sysfs (writable by
// root or where a udev rule allows it) and the driver's low-latency flag (TIOCSSERIAL, which any user who
// may open the port can set). A pseudo-terminal, a built-in port or another system has neither, and
// nothing is done.
class LowLatencyForScan
{
public:
    static inline const QString UsbSerialDevices = QStringLiteral("/sys/bus/usb-serial/devices");

    // Lowers what the line's device offers, before the port is opened.
    explicit LowLatencyForScan(const LineIdentity &line, const QString &usbSerialDevices = UsbSerialDevices);
    // Puts back what was changed; the port must be closed by then.
    ~LowLatencyForScan();

    LowLatencyForScan(const LowLatencyForScan &) = delete;
    LowLatencyForScan &operator=(const LowLatencyForScan &) = delete;

    // What was changed: the latency timer's former milliseconds, and whether the flag was set here.
    std::optional<int> formerLatencyTimer() const { return m_formerTimer; }
    bool flagSet() const { return m_flagSet; }

private:
    QString m_device;
    QString m_timerFile;
    std::optional<int> m_formerTimer;
    bool m_flagSet = false;
};
