#pragma once

#include "linkprotocol.h"
#include "linktransport.h"

#include <QList>
#include <QPair>

// Records what the worker asks of its transport and lets a test play the controller.
class FakeTransport : public LinkTransport
{
    Q_OBJECT
public:
    using LinkTransport::LinkTransport;

    using PacketType = LinkProtocol::PacketType;

    QList<QPair<PacketType, QByteArray>> sent;
    QStringList connectInfos;
    int disconnects = 0;
    int searches = 0;

    void deliver(PacketType type, const QByteArray &payload)
    {
        emit receivePacket(LinkProtocol::wireType(type), payload);
    }
    // The controller's answer to a request of that type.
    void reply(PacketType request, const QByteArray &payload = {})
    {
        emit receivePacket(LinkProtocol::replyType(request), payload);
    }
    void reportStatus(LinkProtocol::ConnectionStatus status) { emit connectState(int(status)); }
    void reportDevice(const QString &text) { emit findNewDevice(text); }
    void endSearch() { emit endDevicesRefresh(); }
    void reportSearch(int durationMs) { emit searchStarted(durationMs); }
    void reportSearchEnd(int robots, int problem)
    {
        emit searchEnded(robots, problem);
        emit endDevicesRefresh();
    }
    void reportKind(const QString &text, int kind) { emit foundDeviceKind(text, kind); }
    void reportProblem(int problem, const QString &detail = {})
    {
        emit linkProblem(problem, detail);
    }
    int searchStops = 0;

public slots:
    void findDevices() override { ++searches; }
    void disconnectDevice() override { ++disconnects; }
    void connectDevice(const QString &info) override { connectInfos.append(info); }
    void sendPacket(int type, const QByteArray &payload) override
    {
        sent.append({PacketType(type), payload});
    }
    void stopSearch() override { ++searchStops; }
};
