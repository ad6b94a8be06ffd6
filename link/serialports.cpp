#include "serialports.h"

#include "bluetoothportid.h"
#include "linkproblem.h"
#include "mbluetoothconnect.h"
#include "seriallinksocket.h"
#include "virtualserialports.h"
#include "windowsserialdevices.h"

#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

namespace SerialPorts {

QList<Port> offered(const QList<SystemPort> &ports,
                    const std::function<QString(const QString &)> &robotName)
{
    QList<Port> offers;
    for (const SystemPort &port : ports) {
        const std::optional<BluetoothPortId::Port> bluetooth =
            BluetoothPortId::parse(port.deviceId);
        if (bluetooth && bluetooth->direction == BluetoothPortId::Direction::Incoming)
            continue;
        Port offer;
        offer.portName = port.portName;
        offer.description = port.description;
        offer.kind = port.cable ? FoundDeviceKind::CablePort : FoundDeviceKind::SerialPort;
        if (bluetooth) {
            offer.bluetoothAddress = bluetooth->address;
            if (!offer.bluetoothAddress.isEmpty())
                offer.robotName = robotName(offer.bluetoothAddress);
        }
        QString name = offer.robotName;
        if (name.isEmpty())
            name = port.description.isEmpty() ? port.portName : port.description;
        offer.deviceText = mBluetoothConnect::deviceText(
            name, LinkSocket::kSerialScheme + port.path, offer.bluetoothAddress);
        offers.append(offer);
    }
    return offers;
}

QList<Port> systemPorts()
{
    QHash<QString, QString> deviceIds;
    for (const WindowsSerialDevices::Device &device : WindowsSerialDevices::present())
        deviceIds.insert(device.portName.toUpper(), device.instanceId);
    QList<SystemPort> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
#if defined(Q_OS_WIN)
        // "COM9" rather than "\\.\COM9": the name Windows shows the user opens the same port.
        const QString path = info.portName();
#else
        const QString path = info.systemLocation();
#endif
        ports.append({info.portName(), path, info.description().trimmed(),
                      info.hasVendorIdentifier(), deviceIds.value(info.portName().toUpper())});
    }
    return offered(ports, WindowsSerialDevices::bluetoothDeviceName);
}

QList<Port> present()
{
    QList<Port> ports = systemPorts();
    for (const QString &link : VirtualSerialPorts::present()) {
        Port port;
        port.portName = QFileInfo(link).fileName();
        port.deviceText =
            mBluetoothConnect::deviceText(port.portName, LinkSocket::kSerialScheme + link);
        port.kind = FoundDeviceKind::SerialPort;
        ports.append(port);
    }
    return ports;
}

QString followRobot(const QString &address, const QString &bluetoothAddress)
{
    const std::optional<SerialLinkSocket::Address> serial = SerialLinkSocket::parse(address);
    if (!serial || bluetoothAddress.isEmpty())
        return address;
    for (const Port &port : systemPorts()) {
        if (port.bluetoothAddress.compare(bluetoothAddress, Qt::CaseInsensitive) != 0)
            continue;
        const QString path = mBluetoothConnect::deviceParts(port.deviceText).address;
        const QString moved =
            serial->baudRateGiven ? QStringLiteral("%1@%2").arg(path).arg(serial->baudRate) : path;
        return moved;
    }
    return address;
}

} // namespace SerialPorts
