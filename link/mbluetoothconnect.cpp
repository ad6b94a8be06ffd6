#include "mbluetoothconnect.h"

#include "bluetoothlinksocket.h"
#include "linklog.h"
#include "packetframe.h"
#include "tcplinksocket.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>

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

QString mBluetoothConnect::deviceText(const QString &name, const QString &address)
{
    // Names are escaped so that a quote or backslash in a controller's name still gives JSON.
    auto quoted = [](const QString &text) {
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(array.mid(1, array.size() - 2));
    };
    return QStringLiteral("{ \"Name\":%1, \"Address\":%2 }").arg(quoted(name), quoted(address));
}

void mBluetoothConnect::createSocket()
{
    m_addressWarningGiven = false;
    m_socketErrorCount = 0;
    m_searchState = 0;
    if (m_socketKind == LinkSocket::Kind::Tcp)
        m_socket.reset(new TcpLinkSocket);
    else
        m_socket.reset(new BluetoothLinkSocket);
    LinkSocket *socket = m_socket.get();
    connect(socket, &LinkSocket::connected, this, &mBluetoothConnect::intSocketConnected);
    connect(socket, &LinkSocket::disconnected, this, &mBluetoothConnect::intSocketDisconnected);
    connect(socket, &LinkSocket::readyRead, this, &mBluetoothConnect::getSocketData);
    connect(socket, &LinkSocket::stateChanged, this, &mBluetoothConnect::newSocketState);
    connect(socket, &LinkSocket::errorOccurred, this, &mBluetoothConnect::newSocketError);
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
    if (m_searchState != 0)
        return;
    if (m_agent) {
        m_agent->stop();
        return;
    }
    const QString address =
        QJsonDocument::fromJson(info.toUtf8()).object().value(QLatin1String("Address")).toString();
    const LinkSocket::Kind wanted = LinkSocket::kindOf(address);
    if (!m_socket || (m_socket->kind() != wanted && m_socket->isUnconnected())) {
        dropSocket();
        m_socketKind = wanted;
        createSocket();
        return;
    }
    if (!m_socket->isUnconnected())
        return;
    if (m_socketErrorCount > 1) {
        dropSocket();
        m_socketErrorCount = 0;
        qCDebug(lcLink) << "Recreate socket";
        return;
    }
    if (LinkSocket::isUsableAddress(address)) {
        m_addressWarningGiven = false;
        m_socket->connectToAddress(address);
        qCDebug(lcLink).noquote() << "Connect to " << info << " State: " << m_socket->stateName();
    } else if (!m_addressWarningGiven) {
        qCDebug(lcLink) << "No valid address";
        m_addressWarningGiven = true;
    }
}

void mBluetoothConnect::intSocketConnected()
{
    if (!m_socket)
        return;
    qCDebug(lcLink).noquote() << "Attempt open State: " << m_socket->stateName();
    if (m_socket->openReadWrite()) {
        qCDebug(lcLink) << "Connection attempt";
        emit connectState(1);
    } else {
        emit disconnected(QStringLiteral("Cannot open socket"));
        m_socket->abort();
        qCDebug(lcLink) << "Cannot open";
        emit connectState(-1);
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
    m_searchState = 1;
    dropSocket();
    m_deframer.receiveTimer().stop();
    m_searchState = 2;
    auto *agent = new QBluetoothServiceDiscoveryAgent(this);
    m_agent = agent;
    connect(agent, &QBluetoothServiceDiscoveryAgent::serviceDiscovered, this,
            &mBluetoothConnect::getService);
    connect(agent, &QBluetoothServiceDiscoveryAgent::finished, this,
            &mBluetoothConnect::ServiceFinished);
    connect(agent, &QBluetoothServiceDiscoveryAgent::errorOccurred, this,
            &mBluetoothConnect::ServiceError);
    agent->start(QBluetoothServiceDiscoveryAgent::FullDiscovery);
    // Without an adapter the agent finishes inside start(); then there is nothing to pace.
    if (m_agent)
        m_deframer.receiveTimer().start();
}

void mBluetoothConnect::getService(const QBluetoothServiceInfo &info)
{
    const QString name = info.device().name();
    const QString address = info.device().address().toString();
    qCDebug(lcLink).noquote() << "Initial find device " << name << " " << address;
    const QString text = deviceText(name, address);
    if (m_foundDevices.contains(text))
        return;
    m_foundDevices.append(text);
    emit findNewDevice(text);
}

void mBluetoothConnect::ServiceFinished()
{
    qCDebug(lcLink) << "Internal find finished";
    // finished may come from inside the agent's own start(); it must outlive that call.
    if (m_agent) {
        m_agent->disconnect(this);
        m_agent->deleteLater();
    }
    m_agent.clear();
    emit endDevicesRefresh();
    m_searchState = 0;
}

void mBluetoothConnect::ServiceError(QBluetoothServiceDiscoveryAgent::Error error)
{
    qCDebug(lcLink).noquote()
        << "finderror"
        << QString::fromLatin1(
               QMetaEnum::fromType<QBluetoothServiceDiscoveryAgent::Error>().valueToKey(error));
}

void mBluetoothConnect::resetReceive()
{
    m_deframer.receiveTimer().stop();
    if (m_searchState == 2 && m_agent) {
        m_agent->start(QBluetoothServiceDiscoveryAgent::MinimalDiscovery);
        qCDebug(lcLink) << "Find devices command execute";
    }
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
