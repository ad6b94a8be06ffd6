#pragma once

#include "deframer.h"
#include "linksocket.h"
#include "linktransport.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QPointer>
#include <QStringList>

#include <memory>

class QBluetoothLocalDevice;

// The byte pipe to the controller: searches Bluetooth robots and serial ports, connects one step
// per call (the worker's watchdog drives the steps), frames outgoing packets and deframes incoming
// ones. A device whose address starts with "tcp://" is reached over TCP, one with "serial:" over
// a serial port, through the same steps.
class mBluetoothConnect : public LinkTransport
{
    Q_OBJECT
public:
    // A search ends after this long; robots are listed as they are found, paired ones at once.
    static constexpr int kDefaultSearchMs = 12000;

    explicit mBluetoothConnect(QObject *parent = nullptr);
    ~mBluetoothConnect() override;

    void setSearchDuration(int ms) { m_searchMs = ms; }
    int searchDuration() const { return m_searchMs; }

    // Device text of one found device: a JSON object with "Name" and "Address", and with
    // "Bluetooth" for a serial port that leads to a paired Bluetooth robot of that address.
    static QString deviceText(const QString &name, const QString &address,
                              const QString &bluetoothAddress = {});
    // The name and the addresses a device text holds (empty where it holds none).
    struct DeviceParts
    {
        QString name;
        QString address;
        QString bluetooth;
    };
    static DeviceParts deviceParts(const QString &deviceText);
    // Whether two device texts name the same device: the same address, whatever the names and a
    // serial port's speed; for ports to Bluetooth robots, the same robot whatever the port.
    static bool sameDevice(const QString &deviceText, const QString &otherText);
    // The name the editor's own virtual controller is kept under in its device text.
    static constexpr QLatin1String kVirtualControllerName{"Virtual controller"};
    // The name to show for a device: its own, the given words for the editor's virtual
    // controller (unless they are empty), or its address when it has no name.
    static QString shownName(const QString &deviceText, const QString &virtualControllerName);

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
    void stopSearch() override;

private slots:
    void getDevice(const QBluetoothDeviceInfo &info);
    void ServiceFinished();
    void ServiceError(QBluetoothDeviceDiscoveryAgent::Error error);
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
    // Logs once per address that it cannot be connected to.
    void warnUnusableAddress();
    void endSearch(int problem);

    Deframer m_deframer;
    QPointer<QBluetoothDeviceDiscoveryAgent> m_agent;
    // Asked for the pairing of each device a search finds; lives as long as the search.
    std::unique_ptr<QBluetoothLocalDevice> m_localDevice;
    int m_searchMs = kDefaultSearchMs;
    std::unique_ptr<LinkSocket, DeleteLater> m_socket;
    LinkSocket::Kind m_socketKind = LinkSocket::Kind::Bluetooth;
    int m_socketErrorCount = 0;
    bool m_addressWarningGiven = false;
    int m_searchState = 0;
    QStringList m_foundDevices;
    QStringList m_foundAddresses;
};
