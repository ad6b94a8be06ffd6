#include "virtualcontrollerserver.h"

#include "simlog.h"

#include <QTcpServer>
#include <QTcpSocket>

VirtualControllerServer::VirtualControllerServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &VirtualControllerServer::acceptClient);
    connect(&m_controller, &VirtualController::bytesToSend, this, [this](const QByteArray &bytes) {
        if (m_client)
            m_client->write(bytes);
    });
}

VirtualControllerServer::~VirtualControllerServer()
{
    if (m_client) {
        m_client->disconnect(this);
        m_client->abort();
    }
}

quint16 VirtualControllerServer::listen(const QHostAddress &address, quint16 port)
{
    if (!m_server->listen(address, port))
        return 0;
    return m_server->serverPort();
}

void VirtualControllerServer::close()
{
    m_server->close();
    disconnectClient();
}

QString VirtualControllerServer::errorString() const
{
    return m_server->errorString();
}

quint16 VirtualControllerServer::port() const
{
    return m_server->serverPort();
}

void VirtualControllerServer::disconnectClient()
{
    if (!m_client)
        return;
    QTcpSocket *client = m_client;
    m_client.clear();
    client->disconnect(this);
    client->abort();
    client->deleteLater();
    m_controller.detach();
    emit clientDisconnected();
}

void VirtualControllerServer::acceptClient()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_client) {
            qCDebug(lcSimulator) << "New client replaces the attached one";
            disconnectClient();
        }
        m_client = socket;
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket] { m_controller.receiveBytes(socket->readAll()); });
        connect(socket, &QTcpSocket::disconnected, this, &VirtualControllerServer::clientGone);
        m_controller.attach();
        qCDebug(lcSimulator) << "Client connected from" << socket->peerAddress().toString();
        emit clientConnected();
    }
}

void VirtualControllerServer::clientGone()
{
    qCDebug(lcSimulator) << "Client disconnected";
    disconnectClient();
}
