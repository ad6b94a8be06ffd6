#pragma once

#include "linksocket.h"

#include <QString>

class QDBusPendingCallWatcher;
class QLocalSocket;

// An RFCOMM link to the Serial Port service of a controller through the process's shared BlueZ
// profile (SerialPortProfile): any number of these are connected at once, to different robots.
// The state names are those of QBluetoothSocket, so the logs read the same.
class ProfileLinkSocket : public LinkSocket
{
    Q_OBJECT
public:
    explicit ProfileLinkSocket(QObject *parent = nullptr);
    ~ProfileLinkSocket() override;

    Kind kind() const override { return Kind::Bluetooth; }
    bool isUnconnected() const override { return m_state == State::Unconnected; }
    QString stateName() const override;
    void connectToAddress(const QString &address) override;
    void abort() override;
    QIODevice *device() override;

    QString address() const { return m_address; }
    // BlueZ's object path of the robot asked for; empty while not connecting or connected.
    QString devicePath() const { return m_devicePath; }
    bool isConnecting() const { return m_state == State::Connecting; }

    // From the profile: BlueZ handed over the link's descriptor (taken over), or ended the link.
    bool takeDescriptor(int descriptor);
    void endedByBluez();

private:
    enum class State
    {
        Unconnected,
        Connecting,
        Connected
    };

    void setState(State state);
    void fail(const QString &errorName, int code, const QString &errorText);
    void connectFinished(QDBusPendingCallWatcher *watcher);

    QLocalSocket *m_socket;
    State m_state = State::Unconnected;
    QString m_address;
    QString m_devicePath;
    QDBusPendingCallWatcher *m_pending = nullptr;
};
