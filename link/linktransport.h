#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// What the controller worker needs from a link to the controller: device search, one connection
// step per call, framed packets both ways and coarse status numbers. The worker reaches its
// transport only through these signals and slots, so tests can hand it another one.
class LinkTransport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~LinkTransport() override = default;

signals:
    void findNewDevice(const QString &deviceText);
    void endDevicesRefresh();
    void disconnected(const QString &reason);
    void receivePacket(int type, const QByteArray &payload);
    void errorReceive();
    void endReceive();
    void connectState(int status);
    // A search began; it ends by itself after the given time.
    void searchStarted(int durationMs);
    // A search ended, with the number of robots it found and, when it could not run or found
    // nothing for a reason the link knows, a LinkProblem code.
    void searchEnded(int robotCount, int problem);
    // Sent just before findNewDevice: what the found device is (a FoundDeviceKind code).
    void foundDeviceKind(const QString &deviceText, int kind);
    // Why the chosen device does not come up (a LinkProblem code, with a detail the words need).
    void linkProblem(int problem, const QString &detail);

public slots:
    virtual void findDevices() = 0;
    virtual void disconnectDevice() = 0;
    virtual void connectDevice(const QString &info) = 0;
    virtual void sendPacket(int type, const QByteArray &payload) = 0;
    // Ends a running search early (the user chose a device); what it found stays found.
    virtual void stopSearch() {}
};
