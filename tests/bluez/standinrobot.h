#pragma once

#include "virtualcontroller.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <QLocalSocket>
#include <QTcpSocket>

// One remote device of the stand-in BlueZ: what BlueZ knows of it (name, address, pairing,
// services), whether it is in reach, and the link it holds while connected. Behind the link sits a
// virtual controller in this process, or a bridge to a taviro-sim process.
class StandInRobot : public QObject
{
    Q_OBJECT
public:
    static const QString kSerialPortUuid;

    struct Options
    {
        QString address;
        QString name;
        bool paired = true;
        bool serialPort = true;
        // Known to BlueZ from the start (paired devices are); otherwise it appears only while
        // a discovery runs.
        bool known = true;
        int appearAfterMs = 500;
        bool on = true;
        int pageTimeoutMs = 5000;
        int connectMs = 30;
        int stateIntervalMs = 100;
        double msPerByte = 0;
        // "HOST:PORT" of a taviro-sim to relay to, instead of the controller in this process.
        QString bridge;
    };

    explicit StandInRobot(const Options &options, QObject *parent = nullptr);
    ~StandInRobot() override;

    // Options as the control interface takes them: "Paired", "SerialPort", "Known", ...
    static Options optionsFrom(const QString &address, const QString &name, const QVariantMap &map,
                               const Options &defaults);

    QString address() const { return m_options.address; }
    QString objectPath(const QString &adapterPath) const;
    const Options &options() const { return m_options; }
    QStringList uuids() const;
    bool hasService(const QString &uuid) const;

    // In reach of the adapter: switched on and not away.
    bool isReachable() const { return m_reachable; }
    void setReachable(bool reachable);
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    void setPaired(bool paired) { m_options.paired = paired; }

    bool isLinked() const { return m_link != nullptr; }
    // Takes over one end of a socketpair as the robot's side of a new link.
    bool openLink(int descriptor);
    // Closes the robot's side: the program sees end-of-file.
    void closeLink();

    int connections() const { return m_connections; }
    int connectAttempts() const { return m_connectAttempts; }
    void countAttempt() { ++m_connectAttempts; }
    VirtualController &controller() { return m_controller; }
    QVariantMap info() const;

signals:
    void reachableChanged(bool reachable);
    void linkChanged(bool linked);

private:
    void relayToLink(const QByteArray &bytes);
    void linkGone();

    Options m_options;
    bool m_reachable = true;
    bool m_visible = true;
    VirtualController m_controller;
    QPointer<QLocalSocket> m_link;
    QPointer<QTcpSocket> m_bridge;
    int m_connections = 0;
    int m_connectAttempts = 0;
};
