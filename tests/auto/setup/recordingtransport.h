#pragma once

#include "linktransport.h"

#include <QList>
#include <QPair>
#include <QStringList>

// Stands in for the Bluetooth transport under the real worker: records requests and lets the
// test play the controller's side.
class RecordingTransport : public LinkTransport
{
    Q_OBJECT
public:
    using LinkTransport::LinkTransport;

    QList<QPair<int, QByteArray>> sent;
    QStringList connectInfos;
    int disconnects = 0;
    int searches = 0;

    void deliver(int type, const QByteArray &payload) { emit receivePacket(type, payload); }
    void reportStatus(int status) { emit connectState(status); }
    void reportDevice(const QString &text) { emit findNewDevice(text); }
    void endSearch() { emit endDevicesRefresh(); }

public slots:
    void findDevices() override { ++searches; }
    void disconnectDevice() override { ++disconnects; }
    void connectDevice(const QString &info) override { connectInfos.append(info); }
    void sendPacket(int type, const QByteArray &payload) override { sent.append({type, payload}); }
};
