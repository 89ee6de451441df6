#pragma once

#include "line_identity.h"
#include "port_directory.h"

#include <QList>
#include <QString>

#include <optional>

// What the system says of each port the program can reach, for the ports command, the window's port list
// and the port-open message: "which port is my adapter on?"
struct PortFacts
{
    enum class Use {
        Free,          // no live lock, no other program has it open, this user may open it
        Busy,          // another program holds it
        NoPermission,  // this user may not open it
        Unknown,       // it could not be tried
    };

    int number = 0;          // as box COM1 and --port take it
    QString device;          // /dev/ttyUSB0, COM5
    QString name{};          // the adapter's product name ("USB-SERIAL CH340"), or the system's description
    QString manufacturer{};
    std::optional<quint16> vendorId{};
    std::optional<quint16> productId{};
    QString serialNumber{};  // the adapter's own, when it has one
    QString stableName{};    // a name that stays when adapters are plugged in another order (/dev/serial/by-id/…)
    Use use = Use::Unknown;
    bool missing = false;    // a device a --port mapping names that is not there (any more)
    std::optional<bool> echoes{};  // whether the line hands back what is sent (RS-485), where known

    // "5 号 USB-SERIAL CH340", or the device where the system gives no name; a missing device is marked.
    QString label() const;
    // "1234:abcd" when both ids are known.
    QString usbIds() const;
};

// Every port `ports` numbers, in number order, the use of each tested when `testUse` says so. Testing
// opens no port: it reads lock files and other programs' open descriptors.
QList<PortFacts> portCatalogue(const PortDirectory &ports, bool testUse);

// Whether another program holds the line's device, from lock files and open descriptors; the device is never
// opened.
PortFacts::Use portUse(const LineIdentity &line);

// "；可用：5 号 USB-SERIAL CH340、6 号 /dev/ttyS0", or nothing when no port is there: added to the message
// of a port number that reaches nothing.
QString availablePortsNote(const PortDirectory &ports = {});

// One line per port, as the window's tooltip and list show them: number, name, device, and a mark where the
// device is missing.

// The mark of a device that is not there.
QString missingDeviceMark();
// The mark of a line known to hand back what is sent (a two-wire RS-485 adapter's echo).
QString echoMark();

// The programs, other than this one, that hold the line's device open: "cat，进程 1234" each (Linux:
// /proc/*/fd); empty elsewhere, for a network port, or when none does.
QStringList otherProgramsHolding(const LineIdentity &line);
// "另一个程序（cat，进程 1234）也打开了这个串口" for each of them: why a terminal seemed not to answer, as the
// window's tooltip and the command line say it.
QStringList otherProgramNotes(const LineIdentity &line);
// "ser2net（进程 9637）": the live process, other than this one, whose UUCP lock file (/var/lock/LCK..NAME)
// names the line's device under any of its names (the name given, the real device, a /dev/serial link); a
// program that finds one leaves the port alone. Nothing elsewhere than Linux and the like.
std::optional<QString> lockHolder(const LineIdentity &line);
// Who holds the line, for the message of a port that is in use: the lock's holder, or else a program that has
// it open; empty when neither is known.
QString portHolder(const LineIdentity &line);
QString portListLine(const PortFacts &facts);
