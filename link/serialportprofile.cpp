#include "serialportprofile.h"

#include "linklog.h"
#include "profilelinksocket.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

const QString SerialPortProfile::kSerialPortUuid =
    QStringLiteral("00001101-0000-1000-8000-00805f9b34fb");
const QString SerialPortProfile::kObjectPath = QStringLiteral("/org/taviro/serialport");

namespace {
const QString kBluez = QStringLiteral("org.bluez");
const QString kDeviceInterface = QStringLiteral("org.bluez.Device1");

using InterfaceList = QMap<QString, QVariantMap>;
using ManagedObjectList = QMap<QDBusObjectPath, InterfaceList>;
} // namespace

SerialPortProfile::SerialPortProfile(QObject *parent)
    : QObject(parent)
{
    qDBusRegisterMetaType<InterfaceList>();
    qDBusRegisterMetaType<ManagedObjectList>();
}

SerialPortProfile *SerialPortProfile::instance()
{
    // Lives as long as the process; BlueZ drops the registration when the bus connection goes.
    static SerialPortProfile *profile = new SerialPortProfile;
    return profile;
}

void SerialPortProfile::attach(ProfileLinkSocket *link)
{
    m_links.removeAll(nullptr);
    if (!m_links.contains(link))
        m_links.append(link);
}

void SerialPortProfile::detach(ProfileLinkSocket *link)
{
    m_links.removeAll(link);
    m_links.removeAll(nullptr);
    if (!m_links.isEmpty() || !m_registered || m_unregisterQueued)
        return;
    // A transport replaces a failing socket by a new one in the same step: only a profile left
    // without links for a whole turn of the event loop is given back.
    m_unregisterQueued = true;
    QTimer::singleShot(0, this, &SerialPortProfile::unregisterIfUnused);
}

void SerialPortProfile::unregisterIfUnused()
{
    m_unregisterQueued = false;
    m_links.removeAll(nullptr);
    if (!m_links.isEmpty() || !m_registered)
        return;
    m_registered = false;
    QDBusMessage call = QDBusMessage::createMethodCall(kBluez, QStringLiteral("/org/bluez"),
                                                       QStringLiteral("org.bluez.ProfileManager1"),
                                                       QStringLiteral("UnregisterProfile"));
    call << QVariant::fromValue(QDBusObjectPath(kObjectPath));
    QDBusConnection::systemBus().call(call, QDBus::NoBlock);
    qCDebug(lcLink) << "Serial port profile unregistered";
}

SerialPortProfile::Registration SerialPortProfile::ensureRegistered(QString *errorText)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface()) {
        *errorText = bus.lastError().message();
        m_registered = false;
        return Registration::Failed;
    }
    // A bluetoothd that was restarted has forgotten the registration.
    const QString owner = bus.interface()->serviceOwner(kBluez).value();
    if (m_registered && owner == m_bluezOwner)
        return Registration::Registered;
    m_registered = false;
    if (!m_objectExported) {
        m_objectExported = bus.registerObject(kObjectPath, this, QDBusConnection::ExportAllSlots);
        if (!m_objectExported) {
            *errorText = QStringLiteral("cannot export %1").arg(kObjectPath);
            return Registration::Failed;
        }
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kBluez, QStringLiteral("/org/bluez"),
                                                       QStringLiteral("org.bluez.ProfileManager1"),
                                                       QStringLiteral("RegisterProfile"));
    const QVariantMap options{{QStringLiteral("Role"), QStringLiteral("client")},
                              {QStringLiteral("Name"), QStringLiteral("Serial Port")}};
    call << QVariant::fromValue(QDBusObjectPath(kObjectPath)) << kSerialPortUuid << options;
    const QDBusMessage reply = bus.call(call);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        m_registered = true;
        m_bluezOwner = owner;
        qCDebug(lcLink) << "Serial port profile registered";
        return Registration::Registered;
    }
    *errorText = reply.errorMessage();
    qCDebug(lcLink).noquote() << "RegisterProfile refused:" << reply.errorName() << *errorText;
    // BlueZ's answer when another program's profile holds the UUID.
    if (reply.errorName() == QLatin1String("org.bluez.Error.NotPermitted"))
        return Registration::Taken;
    return Registration::Failed;
}

QString SerialPortProfile::devicePath(const QString &address)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        kBluez, QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
        QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = QDBusConnection::systemBus().call(call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const auto objects =
        qdbus_cast<ManagedObjectList>(reply.arguments().constFirst().value<QDBusArgument>());
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto device = it.value().constFind(kDeviceInterface);
        if (device == it.value().cend())
            continue;
        if (device->value(QStringLiteral("Address"))
                .toString()
                .compare(address, Qt::CaseInsensitive) == 0)
            return it.key().path();
    }
    return {};
}

ProfileLinkSocket *SerialPortProfile::linkFor(const QString &devicePath) const
{
    ProfileLinkSocket *found = nullptr;
    for (const QPointer<ProfileLinkSocket> &link : m_links) {
        if (!link || link->devicePath() != devicePath)
            continue;
        if (link->isConnecting())
            return link;
        found = link;
    }
    return found;
}

void SerialPortProfile::NewConnection(const QDBusObjectPath &device,
                                      const QDBusUnixFileDescriptor &fd,
                                      const QVariantMap &properties)
{
    Q_UNUSED(properties)
    ProfileLinkSocket *link = linkFor(device.path());
    if (!link || !link->isConnecting() || !fd.isValid()) {
        qCDebug(lcLink).noquote() << "No link waits for" << device.path();
        sendErrorReply(QStringLiteral("org.bluez.Error.Rejected"),
                       QStringLiteral("No link waits for this device"));
        return;
    }
    // The message keeps its own descriptor; the link gets a duplicate of its own.
    const int descriptor = ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0 || !link->takeDescriptor(descriptor)) {
        if (descriptor >= 0)
            ::close(descriptor);
        sendErrorReply(QStringLiteral("org.bluez.Error.Rejected"),
                       QStringLiteral("Cannot take the descriptor"));
    }
}

void SerialPortProfile::RequestDisconnection(const QDBusObjectPath &device)
{
    qCDebug(lcLink).noquote() << "BlueZ ends the link to" << device.path();
    if (ProfileLinkSocket *link = linkFor(device.path()))
        link->endedByBluez();
}

void SerialPortProfile::Release()
{
    qCDebug(lcLink) << "BlueZ released the serial port profile";
    m_registered = false;
}
