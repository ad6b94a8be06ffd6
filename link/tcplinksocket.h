#pragma once

#include "linksocket.h"

class QTcpSocket;

// TCP connection to a virtual controller, for device texts whose address is "tcp://HOST:PORT".
class TcpLinkSocket : public LinkSocket
{
    Q_OBJECT
public:
    explicit TcpLinkSocket(QObject *parent = nullptr);

    Kind kind() const override { return Kind::Tcp; }
    bool isUnconnected() const override;
    QString stateName() const override;
    void connectToAddress(const QString &address) override;
    void abort() override;
    QIODevice *device() override;

private:
    QTcpSocket *m_socket;
};
