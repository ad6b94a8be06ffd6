#pragma once

#include "standinrobot.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QVariantMap>

class QDBusServiceWatcher;

// The part of BlueZ's D-Bus API that Qt's Bluetooth module uses, served for a set of stand-in
// robots: the object manager, one adapter, the devices, the profile manager and the connection
// of a client profile through a socketpair. It answers as bluetoothd does where Qt could tell the
// difference: one profile per UUID, a page timeout for a robot out of reach, end-of-file when a
// link closes. A control interface on the same connection lets tests switch robots and the
// adapter.
class BluezStandIn : public QDBusVirtualObject
{
    Q_OBJECT
public:
    static const QString kAdapterPath;
    static const QString kControlPath;
    static const QString kControlInterface;

    explicit BluezStandIn(const QDBusConnection &bus, QObject *parent = nullptr);

    // Registers the objects and takes the name org.bluez; false when either fails.
    bool publish();

    StandInRobot *addRobot(const StandInRobot::Options &options);
    void setAdapter(bool present, bool powered);

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

private:
    struct Profile
    {
        QString owner;
        QString path;
        QString uuid;
    };
    struct PendingConnect
    {
        QDBusMessage call;
        QPointer<StandInRobot> robot;
        QString uuid;
        QTimer *timer = nullptr;
    };

    bool handleObjectManager(const QDBusMessage &message);
    bool handleProperties(const QDBusMessage &message);
    bool handleAdapter(const QDBusMessage &message);
    bool handleDevice(const QDBusMessage &message, StandInRobot *robot);
    bool handleProfileManager(const QDBusMessage &message);
    bool handleControl(const QDBusMessage &message);

    QVariantMap adapterProperties() const;
    QVariantMap deviceProperties(const StandInRobot *robot) const;
    StandInRobot *robotAt(const QString &path) const;
    StandInRobot *robotWithAddress(const QString &address) const;
    void emitPropertiesChanged(const QString &path, const QString &interface,
                               const QVariantMap &changed);
    void showRobot(StandInRobot *robot);
    void hideRobot(StandInRobot *robot);
    void startDiscovery();
    void stopDiscovery();

    void connectProfile(const QDBusMessage &message, StandInRobot *robot);
    void completeConnect(int id, bool pageTimedOut);
    void robotReachable(StandInRobot *robot);
    void ownerGone(const QString &owner);

    void reply(const QDBusMessage &message, const QVariantList &arguments = {});
    void replyError(const QDBusMessage &message, const QString &name, const QString &text);

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_ownerWatcher;
    QList<StandInRobot *> m_robots;
    QList<Profile> m_profiles;
    QMap<int, PendingConnect> m_pending;
    int m_nextPending = 0;
    QList<QTimer *> m_appearTimers;
    bool m_adapterPresent = true;
    bool m_powered = true;
    bool m_discovering = false;
};
