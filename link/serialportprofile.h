#pragma once

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class ProfileLinkSocket;

// The one org.bluez.Profile1 of this process for the Serial Port service. BlueZ takes a single
// registration per service UUID and hands every connection of that UUID to the profile that holds
// it, so all Bluetooth links share this object: each link asks for its robot with
// Device1.ConnectProfile, and each NewConnection names the device whose link the descriptor is.
// The profile is registered with the first link and unregistered once the last link is gone.
class SerialPortProfile : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.bluez.Profile1")
public:
    static const QString kSerialPortUuid;
    static const QString kObjectPath;

    // What registering the profile gave.
    enum class Registration
    {
        Registered,
        // Another program holds the Serial Port service ("UUID already registered").
        Taken,
        // No bus, no BlueZ or another refusal; the reason is in the log.
        Failed
    };

    static SerialPortProfile *instance();

    void attach(ProfileLinkSocket *link);
    void detach(ProfileLinkSocket *link);
    // Registers the profile unless it is already; the error text on failure.
    Registration ensureRegistered(QString *errorText);
    bool isRegistered() const { return m_registered; }
    int linkCount() const { return int(m_links.size()); }

    // The object path of the device with this address, empty when BlueZ does not know it.
    static QString devicePath(const QString &address);

public slots:
    // Called by BlueZ.
    void NewConnection(const QDBusObjectPath &device, const QDBusUnixFileDescriptor &fd,
                       const QVariantMap &properties);
    void RequestDisconnection(const QDBusObjectPath &device);
    void Release();

private:
    explicit SerialPortProfile(QObject *parent = nullptr);
    ProfileLinkSocket *linkFor(const QString &devicePath) const;
    void unregisterIfUnused();

    QList<QPointer<ProfileLinkSocket>> m_links;
    bool m_objectExported = false;
    bool m_registered = false;
    // The unique bus name of the BlueZ that holds the registration.
    QString m_bluezOwner;
    bool m_unregisterQueued = false;
};
