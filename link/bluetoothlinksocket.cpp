#include "bluetoothlinksocket.h"

#include <QBluetoothAddress>
#include <QBluetoothSocket>
#include <QBluetoothUuid>
#include <QMetaEnum>

namespace {
template <typename E> QString enumName(E value)
{
    return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(int(value)));
}
} // namespace

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
            [this](QBluetoothSocket::SocketError e) { emit errorOccurred(enumName(e)); });
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
    m_socket->connectToService(QBluetoothAddress(address),
                               QBluetoothUuid(QBluetoothUuid::ServiceClassUuid::SerialPort),
                               QIODevice::ReadWrite);
}

bool BluetoothLinkSocket::openReadWrite()
{
    // Opening again would throw away what the socket has already buffered.
    if (m_socket->openMode() == QIODevice::ReadWrite)
        return true;
    return m_socket->open(QIODevice::ReadWrite);
}

void BluetoothLinkSocket::abort()
{
    m_socket->abort();
}

QIODevice *BluetoothLinkSocket::device()
{
    return m_socket;
}
