#include "bluetoothdiagnosis.h"

#include <QBluetoothAddress>
#include <QBluetoothLocalDevice>

#if defined(Q_OS_LINUX)
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#endif

LinkProblem::Code BluetoothDiagnosis::availability()
{
#if defined(Q_OS_LINUX)
    // Without bluetoothd Qt finds no adapter either; only the bus tells the two apart.
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.bluez")))
        return LinkProblem::NoBluetoothService;
#endif
    if (QBluetoothLocalDevice::allDevices().isEmpty())
        return LinkProblem::NoAdapter;
    const QBluetoothLocalDevice local;
    if (!local.isValid())
        return LinkProblem::NoAdapter;
    if (local.hostMode() == QBluetoothLocalDevice::HostPoweredOff)
        return LinkProblem::BluetoothOff;
    return LinkProblem::None;
}

LinkProblem::Code BluetoothDiagnosis::connectFailure(const QString &address,
                                                     const QString &errorText)
{
    if (const LinkProblem::Code problem = availability(); problem != LinkProblem::None)
        return problem;
    // Qt's own words when BlueZ does not know the device at all.
    if (errorText.contains(QLatin1String("find remote device"), Qt::CaseInsensitive))
        return LinkProblem::UnknownDevice;
    return isPaired(address) ? LinkProblem::Unreachable : LinkProblem::NotPaired;
}

bool BluetoothDiagnosis::isPaired(const QString &address)
{
    const QBluetoothLocalDevice local;
    return local.isValid() &&
           local.pairingStatus(QBluetoothAddress(address)) != QBluetoothLocalDevice::Unpaired;
}
