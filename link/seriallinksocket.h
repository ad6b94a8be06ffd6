#pragma once

#include "linksocket.h"

#include <QSerialPort>

#include <optional>

// A serial port to the controller: a USB-serial cable, a Bluetooth serial module the system bound
// to /dev/rfcomm0, or the outgoing COM port a paired module becomes on Windows. The address is
// "serial:PATH", optionally "serial:PATH@BAUD"; the line is 8N1 without flow control.
class SerialLinkSocket : public LinkSocket
{
    Q_OBJECT
public:
    // The factory setting of common Bluetooth serial modules.
    static constexpr int kDefaultBaudRate = 9600;

    struct Address
    {
        QString path;
        int baudRate = kDefaultBaudRate;
        bool baudRateGiven = false; // the address names the speed
    };
    // The port and speed of a "serial:PATH[@BAUD]" address; nothing when it names no port.
    static std::optional<Address> parse(const QString &address);
    // The address with the speed added, unless it names one already.
    static QString withBaudRate(const QString &address, int baudRate);

    explicit SerialLinkSocket(QObject *parent = nullptr);

    Kind kind() const override { return Kind::Serial; }
    bool isUnconnected() const override;
    QString stateName() const override;
    void connectToAddress(const QString &address) override;
    bool openReadWrite() override;
    void abort() override;
    QIODevice *device() override;

private:
    void portError(QSerialPort::SerialPortError error);
    // Why opening failed, in the link's terms, and the group that may use the port.
    void reportOpenFailure(QSerialPort::SerialPortError error);

    QSerialPort *m_port;
    QString m_path;
};
