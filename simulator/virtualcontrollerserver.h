#pragma once

#include "virtualcontroller.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>

class QTcpServer;
#include <QTcpSocket>

// Serves the virtual controller to one TCP client at a time. A client that connects while
// another is attached replaces it, so an editor that reconnects is never locked out by its own
// half-dead old connection.
class VirtualControllerServer : public QObject
{
    Q_OBJECT
public:
    explicit VirtualControllerServer(QObject *parent = nullptr);
    ~VirtualControllerServer() override;

    // Returns the bound port, or 0 when listening failed (see errorString()).
    quint16 listen(const QHostAddress &address, quint16 port = 0);
    void close();
    QString errorString() const;
    quint16 port() const;
    bool hasClient() const { return m_client != nullptr; }
    // Drops the current client, as a controller that is switched off would.
    void disconnectClient();

    VirtualController &controller() { return m_controller; }

signals:
    void clientConnected();
    void clientDisconnected();

private:
    void acceptClient();
    void clientGone();

    VirtualController m_controller;
    QTcpServer *m_server;
    QPointer<QTcpSocket> m_client;
};
