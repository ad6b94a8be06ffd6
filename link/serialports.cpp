#include "serialports.h"

#include "linkproblem.h"
#include "mbluetoothconnect.h"
#include "virtualserialports.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace SerialPorts {

QList<Port> present()
{
    QList<Port> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        // A USB adapter names its maker; built-in ports and bound Bluetooth modules do not.
        const bool cable = info.hasVendorIdentifier();
        QString name = info.description();
        if (name.isEmpty())
            name = info.portName();
#if defined(Q_OS_WIN)
        // "COM9" rather than "\\.\COM9": the name Windows shows the user opens the same port.
        const QString path = info.portName();
#else
        const QString path = info.systemLocation();
#endif
        ports.append({mBluetoothConnect::deviceText(name, LinkSocket::kSerialScheme + path),
                      cable ? FoundDeviceKind::CablePort : FoundDeviceKind::SerialPort});
    }
    for (const QString &link : VirtualSerialPorts::present())
        ports.append({mBluetoothConnect::deviceText(QFileInfo(link).fileName(),
                                                    LinkSocket::kSerialScheme + link),
                      FoundDeviceKind::SerialPort});
    return ports;
}

} // namespace SerialPorts
