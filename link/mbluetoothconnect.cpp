#include "mbluetoothconnect.h"

#include "bluetoothdiagnosis.h"
#include "bluetoothlinksocket.h"
#include "linklog.h"
#include "packetframe.h"
#if defined(TAVIRO_SHARED_BLUETOOTH_PROFILE)
#include "profilelinksocket.h"
#endif
#include "seriallinksocket.h"
#include "serialports.h"
#include "tcplinksocket.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceInfo>
#include <QBluetoothLocalDevice>
#include <QBluetoothUuid>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

mBluetoothConnect::mBluetoothConnect(QObject *parent)
    : LinkTransport(parent)
{
    connect(&m_deframer.receiveTimer(), &QTimer::timeout, this, &mBluetoothConnect::resetReceive);
    connect(&m_deframer, &Deframer::packetReceived, this, &LinkTransport::receivePacket);
    connect(&m_deframer, &Deframer::checksumFailed, this, &LinkTransport::errorReceive);
    connect(&m_deframer, &Deframer::frameEnded, this, &LinkTransport::endReceive);
    connect(&m_deframer, &Deframer::connectState, this, &LinkTransport::connectState);
    // The socket itself is created by the first connection step, in the kind the selected
    // device needs, so a TCP link never touches the Bluetooth stack.
}

mBluetoothConnect::~mBluetoothConnect()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

QString mBluetoothConnect::deviceText(const QString &name, const QString &address,
                                      const QString &bluetoothAddress)
{
    // Names are escaped so that a quote or backslash in a controller's name still gives JSON.
    auto quoted = [](const QString &text) {
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(array.mid(1, array.size() - 2));
    };
    if (!bluetoothAddress.isEmpty()) {
        return QStringLiteral("{ \"Name\":%1, \"Address\":%2, \"Bluetooth\":%3 }")
            .arg(quoted(name), quoted(address), quoted(bluetoothAddress));
    }
    return QStringLiteral("{ \"Name\":%1, \"Address\":%2 }").arg(quoted(name), quoted(address));
}

mBluetoothConnect::DeviceParts mBluetoothConnect::deviceParts(const QString &deviceText)
{
    const QJsonObject device = QJsonDocument::fromJson(deviceText.toUtf8()).object();
    return {device.value(QLatin1String("Name")).toString(),
            device.value(QLatin1String("Address")).toString(),
            device.value(QLatin1String("Bluetooth")).toString()};
}

bool mBluetoothConnect::sameDevice(const QString &deviceText, const QString &otherText)
{
    const QString robot = deviceParts(deviceText).bluetooth;
    if (!robot.isEmpty() &&
        robot.compare(deviceParts(otherText).bluetooth, Qt::CaseInsensitive) == 0)
        return true;
    const auto withoutSpeed = [](const QString &text) {
        const QString address = deviceParts(text).address;
        const std::optional<SerialLinkSocket::Address> serial = SerialLinkSocket::parse(address);
        return serial ? LinkSocket::kSerialScheme + serial->path : address;
    };
    const QString address = withoutSpeed(deviceText);
    return !address.isEmpty() && address.compare(withoutSpeed(otherText), Qt::CaseInsensitive) == 0;
}

QString mBluetoothConnect::shownName(const QString &deviceText,
                                     const QString &virtualControllerName)
{
    const DeviceParts device = deviceParts(deviceText);
    const QString name = device.name.trimmed();
    if (name == kVirtualControllerName &&
        LinkSocket::kindOf(device.address) == LinkSocket::Kind::Tcp &&
        !virtualControllerName.isEmpty())
        return virtualControllerName;
    return name.isEmpty() ? device.address : name;
}

void mBluetoothConnect::createSocket()
{
    m_addressWarningGiven = false;
    m_socketErrorCount = 0;
    m_searchState = 0;
    switch (m_socketKind) {
    case LinkSocket::Kind::Tcp:
        m_socket.reset(new TcpLinkSocket);
        break;
    case LinkSocket::Kind::Serial:
        m_socket.reset(new SerialLinkSocket);
        break;
    case LinkSocket::Kind::Bluetooth:
#if defined(TAVIRO_SHARED_BLUETOOTH_PROFILE)
        m_socket.reset(new ProfileLinkSocket);
#else
        m_socket.reset(new BluetoothLinkSocket);
#endif
        break;
    }
    LinkSocket *socket = m_socket.get();
    connect(socket, &LinkSocket::connected, this, &mBluetoothConnect::intSocketConnected);
    connect(socket, &LinkSocket::disconnected, this, &mBluetoothConnect::intSocketDisconnected);
    connect(socket, &LinkSocket::readyRead, this, &mBluetoothConnect::getSocketData);
    connect(socket, &LinkSocket::stateChanged, this, &mBluetoothConnect::newSocketState);
    connect(socket, &LinkSocket::errorOccurred, this, &mBluetoothConnect::newSocketError);
    connect(socket, &LinkSocket::problem, this, &LinkTransport::linkProblem);
}

void mBluetoothConnect::dropSocket()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket.reset();
}

void mBluetoothConnect::connectDevice(const QString &info)
{
    const DeviceParts device = deviceParts(info);
    QString address = device.address;
    const LinkSocket::Kind wanted = LinkSocket::kindOf(address);
    if (m_searchState != 0) {
        // A search keeps the radio to itself, but a robot it has found is known to BlueZ now and
        // is connected at once; a serial port or TCP shares nothing with it.
        if (wanted == LinkSocket::Kind::Bluetooth &&
            !m_foundAddresses.contains(address, Qt::CaseInsensitive))
            return;
    } else if (m_agent) {
        m_agent->stop();
        return;
    }
    if (m_socket && m_socket->kind() != wanted && m_socket->isUnconnected())
        dropSocket();
    if (m_socket && !m_socket->isUnconnected())
        return;
    if (wanted == LinkSocket::Kind::Bluetooth && !LinkSocket::kBluetoothSockets) {
        warnUnusableAddress();
        return;
    }
    if (m_socket && m_socketErrorCount > 1) {
        dropSocket();
        m_socketErrorCount = 0;
        qCDebug(lcLink) << "Recreate socket";
    }
    // A fresh socket connects in the same step: a robot that comes back is reached on the next
    // tick, not two or three ticks later.
    if (!m_socket) {
        m_socketKind = wanted;
        createSocket();
    }
    if (LinkSocket::isUsableAddress(address)) {
        m_addressWarningGiven = false;
        // A robot paired again may have come back on another COM port.
        if (wanted == LinkSocket::Kind::Serial && !device.bluetooth.isEmpty() &&
            m_socket->isUnconnected()) {
            const QString followed = SerialPorts::followRobot(address, device.bluetooth);
            if (followed != address) {
                qCDebug(lcLink).noquote()
                    << "Robot " << device.bluetooth << " is now on " << followed;
                address = followed;
            }
        }
        m_socket->connectToAddress(address);
        qCDebug(lcLink).noquote() << "Connect to " << info << " State: " << m_socket->stateName();
    } else {
        warnUnusableAddress();
    }
}

void mBluetoothConnect::warnUnusableAddress()
{
    if (m_addressWarningGiven)
        return;
    qCDebug(lcLink) << "No valid address";
    m_addressWarningGiven = true;
}

void mBluetoothConnect::intSocketConnected()
{
    if (!m_socket)
        return;
    qCDebug(lcLink).noquote() << "Attempt open State: " << m_socket->stateName();
    if (m_socket->openReadWrite()) {
        qCDebug(lcLink) << "Connection attempt";
        emit connectState(int(LinkProtocol::ConnectionStatus::Opened));
    } else {
        emit disconnected(QStringLiteral("Cannot open socket"));
        m_socket->abort();
        qCDebug(lcLink) << "Cannot open";
        emit connectState(int(LinkProtocol::ConnectionStatus::OpenFailed));
    }
}

void mBluetoothConnect::intSocketDisconnected()
{
    if (m_socket)
        m_socket->abort();
    emit disconnected(QStringLiteral("Disconnect signal from socket"));
}

void mBluetoothConnect::newSocketError(const QString &errorName)
{
    qCDebug(lcLink).noquote() << "Socket error " << errorName;
    ++m_socketErrorCount;
}

void mBluetoothConnect::newSocketState(const QString &stateName)
{
    qCDebug(lcLink).noquote() << "Socket state " << stateName;
}

void mBluetoothConnect::disconnectDevice()
{
    qCDebug(lcLink) << "Disconnect socket";
    dropSocket();
    emit disconnected(QStringLiteral("Disconnect by command"));
}

void mBluetoothConnect::findDevices()
{
    if (m_agent) {
        qCDebug(lcLink) << "Find command already executed";
        return;
    }
    m_foundDevices.clear();
    m_foundAddresses.clear();
    m_searchState = 1;
    // An inquiry and a Bluetooth link disturb each other; a cable or TCP link stays up.
    if (m_socket && m_socket->kind() == LinkSocket::Kind::Bluetooth)
        dropSocket();
    m_deframer.receiveTimer().stop();
    m_searchState = 2;
    // The serial ports are there at once; they are offered whatever Bluetooth can do.
    for (const SerialPorts::Port &port : SerialPorts::present()) {
        m_foundDevices.append(port.deviceText);
        emit foundDeviceKind(port.deviceText, port.kind);
        emit findNewDevice(port.deviceText);
    }
    if (!LinkSocket::kBluetoothSockets) {
        endSearch(LinkProblem::None);
        return;
    }
    if (const LinkProblem::Code problem = BluetoothDiagnosis::availability();
        problem != LinkProblem::None) {
        qCDebug(lcLink) << "Bluetooth cannot search, problem" << problem;
        endSearch(problem);
        return;
    }
    // A device search reports what BlueZ knows at once (paired robots) and the rest as it finds
    // them; a service search would report nothing before its inquiry ends.
    auto *agent = new QBluetoothDeviceDiscoveryAgent(this);
    m_agent = agent;
    agent->setLowEnergyDiscoveryTimeout(m_searchMs);
    m_localDevice = std::make_unique<QBluetoothLocalDevice>();
    connect(agent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
            &mBluetoothConnect::getDevice);
    connect(agent, &QBluetoothDeviceDiscoveryAgent::finished, this,
            &mBluetoothConnect::ServiceFinished);
    connect(agent, &QBluetoothDeviceDiscoveryAgent::canceled, this,
            &mBluetoothConnect::ServiceFinished);
    connect(agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this,
            &mBluetoothConnect::ServiceError);
    emit searchStarted(m_searchMs);
    agent->start(QBluetoothDeviceDiscoveryAgent::ClassicMethod);
}

void mBluetoothConnect::stopSearch()
{
    if (m_agent)
        m_agent->stop();
}

void mBluetoothConnect::getDevice(const QBluetoothDeviceInfo &info)
{
    const QString name = info.name();
    const QString address = info.address().toString();
    // A low-energy-only device has no RFCOMM to speak over.
    if (info.coreConfigurations() == QBluetoothDeviceInfo::LowEnergyCoreConfiguration)
        return;
    const QList<QBluetoothUuid> uuids = info.serviceUuids();
    const bool paired = m_localDevice && m_localDevice->pairingStatus(info.address()) !=
                                             QBluetoothLocalDevice::Unpaired;
    // An unpaired device seen in an inquiry often names no services until it is paired: it may
    // be a robot. One that names its services and no serial port is not.
    const bool serialPort =
        uuids.contains(QBluetoothUuid(QBluetoothUuid::ServiceClassUuid::SerialPort));
    if (!serialPort && !(uuids.isEmpty() && !paired)) {
        qCDebug(lcLink).noquote() << "Not a robot (no serial port service): " << name << " "
                                  << address;
        return;
    }
    qCDebug(lcLink).noquote() << "Initial find device " << name << " " << address;
    if (m_foundAddresses.contains(address))
        return;
    const QString text = deviceText(name, address);
    m_foundAddresses.append(address);
    m_foundDevices.append(text);
    emit foundDeviceKind(text,
                         paired ? FoundDeviceKind::PairedRobot : FoundDeviceKind::UnpairedRobot);
    emit findNewDevice(text);
}

void mBluetoothConnect::ServiceFinished()
{
    qCDebug(lcLink) << "Internal find finished";
    endSearch(LinkProblem::None);
}

void mBluetoothConnect::ServiceError(QBluetoothDeviceDiscoveryAgent::Error error)
{
    qCDebug(lcLink).noquote() << "finderror" << LinkSocket::enumName(error);
    // An agent that failed has stopped without saying finished: the search ends here, with the
    // reason if the stack can tell it.
    if (m_agent && !m_agent->isActive()) {
        LinkProblem::Code problem = BluetoothDiagnosis::availability();
        if (problem == LinkProblem::None &&
            error == QBluetoothDeviceDiscoveryAgent::PoweredOffError)
            problem = LinkProblem::BluetoothOff;
        endSearch(problem);
    }
}

void mBluetoothConnect::endSearch(int problem)
{
    // The agent may end the search from inside its own start() or stop(); it must outlive them.
    if (m_agent) {
        m_agent->disconnect(this);
        m_agent->deleteLater();
    }
    m_agent.clear();
    m_localDevice.reset();
    m_searchState = 0;
    // Every address found is a robot; serial ports are listed apart.
    emit searchEnded(int(m_foundAddresses.size()), problem);
    emit endDevicesRefresh();
}

void mBluetoothConnect::resetReceive()
{
    m_deframer.receiveTimer().stop();
    m_deframer.reset();
    emit errorReceive();
    emit endReceive();
}

void mBluetoothConnect::getSocketData()
{
    if (!m_socket)
        return;
    m_socketErrorCount = 0;
    m_deframer.readFrom(m_socket->device());
}

void mBluetoothConnect::sendPacket(int type, const QByteArray &payload)
{
    if (!m_socket || !m_socket->device()->isOpen())
        return;
    m_socket->device()->write(PacketFrame::build(type, payload));
}
