#pragma once

#include <QList>
#include <QString>

// The system's own account of its COM ports, where it keeps one: on Windows, each port's device
// instance ID (SetupAPI, the Ports class), by which a Bluetooth port names the robot behind it,
// and the names Windows keeps for the Bluetooth devices paired with it. Elsewhere both are empty.
namespace WindowsSerialDevices {

struct Device
{
    QString portName;
    QString instanceId;
};

QList<Device> present();

// The name a paired Bluetooth device gave Windows, by its address ("98:D3:31:FB:1A:2C");
// empty when Windows keeps none.
QString bluetoothDeviceName(const QString &address);

} // namespace WindowsSerialDevices
