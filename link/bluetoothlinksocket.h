#pragma once

#include "linksocket.h"

class QBluetoothSocket;

// RFCOMM socket to the Serial Port service of a controller.
class BluetoothLinkSocket : public LinkSocket
{
    Q_OBJECT
public:
    explicit BluetoothLinkSocket(QObject *parent = nullptr);

    Kind kind() const override { return Kind::Bluetooth; }
    bool isUnconnected() const override;
    QString stateName() const override;
    void connectToAddress(const QString &address) override;
    void abort() override;
    QIODevice *device() override;

private:
    void handleError();

    QBluetoothSocket *m_socket;
    QString m_address;
};
