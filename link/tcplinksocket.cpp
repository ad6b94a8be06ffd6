#include "tcplinksocket.h"

#include <QTcpSocket>
#include <QUrl>

TcpLinkSocket::TcpLinkSocket(QObject *parent)
    : LinkSocket(parent)
    , m_socket(new QTcpSocket(this))
{
    // Requests are small and answered one at a time: waiting to batch them only adds latency.
    connect(m_socket, &QTcpSocket::connected, this,
            [this] { m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    connect(m_socket, &QTcpSocket::connected, this, &LinkSocket::connected);
    connect(m_socket, &QTcpSocket::disconnected, this, &LinkSocket::disconnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &LinkSocket::readyRead);
    connect(m_socket, &QTcpSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState s) { emit stateChanged(enumName(s)); });
    connect(m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { emit errorOccurred(enumName(e)); });
}

bool TcpLinkSocket::isUnconnected() const
{
    return m_socket->state() == QAbstractSocket::UnconnectedState;
}

QString TcpLinkSocket::stateName() const
{
    return enumName(m_socket->state());
}

void TcpLinkSocket::connectToAddress(const QString &address)
{
    const QUrl url(address);
    m_socket->connectToHost(url.host(), quint16(url.port()), QIODevice::ReadWrite);
}

void TcpLinkSocket::abort()
{
    m_socket->abort();
}

QIODevice *TcpLinkSocket::device()
{
    return m_socket;
}
