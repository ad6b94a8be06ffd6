#include "bluetoothlinksocket.h"

#include "bluetoothdiagnosis.h"
#include "linklog.h"

#include <QBluetoothAddress>
#include <QBluetoothSocket>
#include <QBluetoothUuid>

BluetoothLinkSocket::BluetoothLinkSocket(QObject *parent)
    : LinkSocket(parent)
    , m_socket(new QBluetoothSocket(QBluetoothServiceInfo::RfcommProtocol, this))
{
    connect(m_socket, &QBluetoothSocket::connected, this, &LinkSocket::connected);
    connect(m_socket, &QBluetoothSocket::disconnected, this, &LinkSocket::disconnected);
    connect(m_socket, &QBluetoothSocket::readyRead, this, &LinkSocket::readyRead);
    connect(m_socket, &QBluetoothSocket::stateChanged, this,
            [this](QBluetoothSocket::SocketState s) { emit stateChanged(enumName(s)); });
    connect(m_socket, &QBluetoothSocket::errorOccurred, this,
            [this](QBluetoothSocket::SocketError e) {
                emit errorOccurred(enumName(e));
                handleError();
            });
}

void BluetoothLinkSocket::handleError()
{
    const QBluetoothSocket::SocketState state = m_socket->state();
    if (state == QBluetoothSocket::SocketState::ConnectedState)
        return;
    qCDebug(lcLink).noquote() << "Bluetooth connect failed: " << m_socket->errorString();
    // Qt leaves a socket whose connection BlueZ refused in ConnectingState for good; only an
    // abort makes it usable for the next attempt.
    if (state != QBluetoothSocket::SocketState::UnconnectedState)
        m_socket->abort();
    emit problem(BluetoothDiagnosis::connectFailure(m_address, m_socket->errorString()), {});
}

bool BluetoothLinkSocket::isUnconnected() const
{
    return m_socket->state() == QBluetoothSocket::SocketState::UnconnectedState;
}

QString BluetoothLinkSocket::stateName() const
{
    return enumName(m_socket->state());
}

void BluetoothLinkSocket::connectToAddress(const QString &address)
{
    m_address = address;
    m_socket->connectToService(QBluetoothAddress(address),
                               QBluetoothUuid(QBluetoothUuid::ServiceClassUuid::SerialPort),
                               QIODevice::ReadWrite);
}

void BluetoothLinkSocket::abort()
{
    m_socket->abort();
}

QIODevice *BluetoothLinkSocket::device()
{
    return m_socket;
}
