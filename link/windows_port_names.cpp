#include "windows_port_names.h"

#include <windows.h>
// After windows.h: the device class GUIDs are defined here, not only declared.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

namespace {
// A device's registry property as text, or an empty string.
QString deviceText(HDEVINFO devices, SP_DEVINFO_DATA *device, DWORD property)
{
    wchar_t text[256] = {};
    DWORD type = 0;
    // Room for the terminating zero the registry may omit.
    if (!SetupDiGetDeviceRegistryPropertyW(devices, device, property, &type, reinterpret_cast<BYTE *>(text),
                                           sizeof text - sizeof(wchar_t), nullptr)
        || type != REG_SZ)
        return {};
    return QString::fromWCharArray(text).trimmed();
}

// The COM port a device of the Ports class was given: the value PortName of its device key.
QString devicePortName(HDEVINFO devices, SP_DEVINFO_DATA *device)
{
    const HKEY key = SetupDiOpenDevRegKey(devices, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE *>(name), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? QString::fromWCharArray(name).trimmed() : QString();
}
} // namespace

QMap<QString, QString> windowsPortFriendlyNames()
{
    QMap<QString, QString> names;
    const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const QString port = devicePortName(devices, &device);
        // The Ports class holds printer ports (LPT1) as well.
        if (!port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        QString name = deviceText(devices, &device, SPDRP_FRIENDLYNAME);
        if (name.isEmpty())
            name = deviceText(devices, &device, SPDRP_DEVICEDESC);
        if (!name.isEmpty())
            names.insert(port.toUpper(), name);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

QString windowsPortLabel(const QString &portName, const QMap<QString, QString> &friendlyNames)
{
    const QString name = friendlyNames.value(portName.toUpper());
    if (name.isEmpty())
        return portName;
    if (name.contains(QLatin1Char('(') + portName + QLatin1Char(')'), Qt::CaseInsensitive))
        return name;
    return QStringLiteral("%1 (%2)").arg(name, portName);
}
