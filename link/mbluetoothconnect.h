#pragma once

#include "deframer.h"
#include "linksocket.h"
#include "linktransport.h"

#include <QBluetoothServiceDiscoveryAgent>
#include <QBluetoothServiceInfo>
#include <QPointer>
#include <QStringList>

#include <memory>

// The byte pipe to the controller: searches Bluetooth services, connects one step per call
// (the worker's watchdog drives the steps), frames outgoing packets and deframes incoming ones.
// A device whose address starts with "tcp://" is reached over TCP through the same steps.
class mBluetoothConnect : public LinkTransport
{
    Q_OBJECT
public:
    explicit mBluetoothConnect(QObject *parent = nullptr);
    ~mBluetoothConnect() override;

    // Device text of one found device: a JSON object with "Name" and "Address".
    static QString deviceText(const QString &name, const QString &address);

    int searchState() const { return m_searchState; }
    int socketErrorCount() const { return m_socketErrorCount; }
    bool hasSocket() const { return m_socket != nullptr; }
    QStringList foundDevices() const { return m_foundDevices; }
    Deframer &deframer() { return m_deframer; }

public slots:
    void findDevices() override;
    void disconnectDevice() override;
    void connectDevice(const QString &info) override;
    void sendPacket(int type, const QByteArray &payload) override;

private slots:
    void getService(const QBluetoothServiceInfo &info);
    void ServiceFinished();
    void ServiceError(QBluetoothServiceDiscoveryAgent::Error error);
    void intSocketConnected();
    void intSocketDisconnected();
    void getSocketData();
    void resetReceive();
    void newSocketState(const QString &stateName);
    void newSocketError(const QString &errorName);
    void createSocket();

private:
    struct DeleteLater
    {
        void operator()(QObject *object) const { object->deleteLater(); }
    };

    void dropSocket();
    void startAgent(QBluetoothServiceDiscoveryAgent::DiscoveryMode mode);

    Deframer m_deframer;
    QPointer<QBluetoothServiceDiscoveryAgent> m_agent;
    std::unique_ptr<LinkSocket, DeleteLater> m_socket;
    LinkSocket::Kind m_socketKind = LinkSocket::Kind::Bluetooth;
    int m_socketErrorCount = 0;
    bool m_addressWarningGiven = false;
    int m_searchState = 0;
    QStringList m_foundDevices;
};
