#include "windowsserialdevices.h"

#if defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstring>
#endif

namespace WindowsSerialDevices {

#if defined(Q_OS_WIN)

namespace {
// GUID_DEVCLASS_PORTS: COM and LPT ports.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
} // namespace

QList<Device> present()
{
    QList<Device> devices;
    HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return devices;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        wchar_t id[MAX_DEVICE_ID_LEN];
        if (!SetupDiGetDeviceInstanceIdW(set, &info, id, MAX_DEVICE_ID_LEN, nullptr))
            continue;
        HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t port[64] = {};
        DWORD size = sizeof port - sizeof port[0];
        DWORD type = 0;
        const LSTATUS read = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                              reinterpret_cast<BYTE *>(port), &size);
        RegCloseKey(key);
        if (read == ERROR_SUCCESS && type == REG_SZ)
            devices.append({QString::fromWCharArray(port).trimmed(), QString::fromWCharArray(id)});
    }
    SetupDiDestroyDeviceInfoList(set);
    return devices;
}

QString bluetoothDeviceName(const QString &address)
{
    QString hex = address;
    hex.remove(QLatin1Char(':'));
    if (hex.size() != 12)
        return {};
    // Windows' Bluetooth stack keeps each paired device under its address: "Name" is the
    // device's own name, in UTF-8 with a closing zero.
    const QString key =
        QStringLiteral("SYSTEM\\CurrentControlSet\\Services\\BTHPORT\\Parameters\\Devices\\") +
        hex.toLower();
    char name[256] = {};
    DWORD size = sizeof name - 1;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t *>(key.utf16()), L"Name",
                     RRF_RT_REG_BINARY, nullptr, name, &size) != ERROR_SUCCESS)
        return {};
    return QString::fromUtf8(name, int(strnlen(name, size))).trimmed();
}

#else

QList<Device> present()
{
    return {};
}

QString bluetoothDeviceName(const QString &)
{
    return {};
}

#endif

} // namespace WindowsSerialDevices
