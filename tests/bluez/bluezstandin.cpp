#include "bluezstandin.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDebug>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

using InterfaceList = QMap<QString, QVariantMap>;
using ManagedObjectList = QMap<QDBusObjectPath, InterfaceList>;

const QString BluezStandIn::kAdapterPath = QStringLiteral("/org/bluez/hci0");
const QString BluezStandIn::kControlPath = QStringLiteral("/standin");
const QString BluezStandIn::kControlInterface = QStringLiteral("org.taviro.BluezStandIn");

namespace {
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kAdapter = QStringLiteral("org.bluez.Adapter1");
const QString kDevice = QStringLiteral("org.bluez.Device1");
const QString kProfileManager = QStringLiteral("org.bluez.ProfileManager1");
const QString kAdapterAddress = QStringLiteral("00:1A:7D:DA:71:13");
// Uncategorised device class: non-zero, so Qt takes the robot for a classic device.
constexpr uint kRobotClass = 0x001F00;

QVariantMap mapArgument(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}
} // namespace

BluezStandIn::BluezStandIn(const QDBusConnection &bus, QObject *parent)
    : QDBusVirtualObject(parent)
    , m_bus(bus)
    , m_ownerWatcher(new QDBusServiceWatcher(this))
{
    qDBusRegisterMetaType<InterfaceList>();
    qDBusRegisterMetaType<ManagedObjectList>();
    m_ownerWatcher->setConnection(m_bus);
    m_ownerWatcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_ownerWatcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &BluezStandIn::ownerGone);
}

bool BluezStandIn::publish()
{
    if (!m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath))
        return false;
    return m_bus.registerService(QStringLiteral("org.bluez"));
}

StandInRobot *BluezStandIn::addRobot(const StandInRobot::Options &options)
{
    if (StandInRobot *existing = robotWithAddress(options.address)) {
        hideRobot(existing);
        m_robots.removeOne(existing);
        existing->deleteLater();
    }
    auto *robot = new StandInRobot(options, this);
    m_robots.append(robot);
    connect(robot, &StandInRobot::reachableChanged, this, [this, robot](bool reachable) {
        if (reachable)
            robotReachable(robot);
    });
    connect(robot, &StandInRobot::linkChanged, this, [this, robot](bool linked) {
        if (robot->isVisible() && m_adapterPresent)
            emitPropertiesChanged(robot->objectPath(kAdapterPath), kDevice,
                                  {{QStringLiteral("Connected"), linked}});
    });
    if (robot->isVisible()) {
        robot->setVisible(false);
        showRobot(robot);
    }
    return robot;
}

void BluezStandIn::setAdapter(bool present, bool powered)
{
    if (!present || !powered) {
        stopDiscovery();
        for (StandInRobot *robot : std::as_const(m_robots))
            robot->closeLink();
    }
    if (present != m_adapterPresent) {
        m_adapterPresent = present;
        m_powered = powered;
        if (present) {
            QDBusMessage added = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                            QStringLiteral("InterfacesAdded"));
            added << QVariant::fromValue(QDBusObjectPath(kAdapterPath))
                  << QVariant::fromValue(InterfaceList{{kAdapter, adapterProperties()}});
            m_bus.send(added);
            for (StandInRobot *robot : std::as_const(m_robots)) {
                if (robot->isVisible()) {
                    robot->setVisible(false);
                    showRobot(robot);
                }
            }
        } else {
            for (StandInRobot *robot : std::as_const(m_robots)) {
                QDBusMessage removed = QDBusMessage::createSignal(
                    QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesRemoved"));
                removed << QVariant::fromValue(QDBusObjectPath(robot->objectPath(kAdapterPath)))
                        << QStringList{kDevice, kProperties};
                if (robot->isVisible())
                    m_bus.send(removed);
            }
            QDBusMessage removed = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                              QStringLiteral("InterfacesRemoved"));
            removed << QVariant::fromValue(QDBusObjectPath(kAdapterPath))
                    << QStringList{kAdapter, kProperties};
            m_bus.send(removed);
        }
        return;
    }
    if (powered != m_powered) {
        m_powered = powered;
        emitPropertiesChanged(kAdapterPath, kAdapter, {{QStringLiteral("Powered"), powered}});
    }
}

QString BluezStandIn::introspect(const QString &path) const
{
    Q_UNUSED(path)
    // Qt's proxies are generated from the interface descriptions and never introspect; tools
    // such as gdbus only need to see that the object exists.
    return QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection "
                          "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                          "introspect.dtd\">\n<node/>\n");
}

bool BluezStandIn::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    Q_UNUSED(connection)
    const QString path = message.path();
    const QString interface = message.interface();
    if (interface == QLatin1String("org.freedesktop.DBus.Introspectable")) {
        reply(message, {introspect(path)});
        return true;
    }
    if (interface == kProperties)
        return handleProperties(message);
    if (path == QLatin1String("/") && interface == kObjectManager)
        return handleObjectManager(message);
    if (path == kControlPath && interface == kControlInterface)
        return handleControl(message);
    if (path == QLatin1String("/org/bluez") && interface == kProfileManager)
        return handleProfileManager(message);
    if (path == kAdapterPath && interface == kAdapter && m_adapterPresent)
        return handleAdapter(message);
    if (interface == kDevice) {
        if (StandInRobot *robot = robotAt(path))
            return handleDevice(message, robot);
    }
    replyError(message, QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
               QStringLiteral("No such object or interface: %1 %2").arg(path, interface));
    return true;
}

bool BluezStandIn::handleObjectManager(const QDBusMessage &message)
{
    if (message.member() != QLatin1String("GetManagedObjects"))
        return false;
    ManagedObjectList objects;
    if (m_adapterPresent) {
        objects.insert(QDBusObjectPath(kAdapterPath), {{kAdapter, adapterProperties()}});
        for (const StandInRobot *robot : std::as_const(m_robots)) {
            if (robot->isVisible())
                objects.insert(QDBusObjectPath(robot->objectPath(kAdapterPath)),
                               {{kDevice, deviceProperties(robot)}});
        }
    }
    reply(message, {QVariant::fromValue(objects)});
    return true;
}

bool BluezStandIn::handleProperties(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    const QString interface = arguments.value(0).toString();
    QVariantMap properties;
    bool known = false;
    if (message.path() == kAdapterPath && interface == kAdapter && m_adapterPresent) {
        properties = adapterProperties();
        known = true;
    } else if (StandInRobot *robot = robotAt(message.path()); robot && interface == kDevice) {
        properties = deviceProperties(robot);
        known = true;
    }
    if (!known) {
        replyError(message, QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                   QStringLiteral("No properties at %1 for %2").arg(message.path(), interface));
        return true;
    }
    const QString member = message.member();
    if (member == QLatin1String("GetAll")) {
        reply(message, {properties});
    } else if (member == QLatin1String("Get")) {
        const QString name = arguments.value(1).toString();
        if (!properties.contains(name)) {
            replyError(message, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                       QStringLiteral("No such property %1").arg(name));
            return true;
        }
        reply(message, {QVariant::fromValue(QDBusVariant(properties.value(name)))});
    } else if (member == QLatin1String("Set")) {
        const QString name = arguments.value(1).toString();
        const QVariant value = arguments.value(2).value<QDBusVariant>().variant();
        if (interface == kAdapter && name == QLatin1String("Powered"))
            setAdapter(true, value.toBool());
        reply(message);
    } else {
        return false;
    }
    return true;
}

bool BluezStandIn::handleAdapter(const QDBusMessage &message)
{
    const QString member = message.member();
    if (member == QLatin1String("SetDiscoveryFilter")) {
        reply(message);
    } else if (member == QLatin1String("StartDiscovery")) {
        if (!m_powered) {
            replyError(message, QStringLiteral("org.bluez.Error.NotReady"),
                       QStringLiteral("Resource Not Ready"));
            return true;
        }
        startDiscovery();
        reply(message);
    } else if (member == QLatin1String("StopDiscovery")) {
        stopDiscovery();
        reply(message);
    } else {
        return false;
    }
    return true;
}

bool BluezStandIn::handleDevice(const QDBusMessage &message, StandInRobot *robot)
{
    const QString member = message.member();
    if (member == QLatin1String("ConnectProfile")) {
        connectProfile(message, robot);
    } else if (member == QLatin1String("DisconnectProfile") ||
               member == QLatin1String("Disconnect")) {
        robot->closeLink();
        reply(message);
    } else if (member == QLatin1String("Connect")) {
        replyError(message, QStringLiteral("org.bluez.Error.NotSupported"),
                   QStringLiteral("Operation is not supported"));
    } else {
        return false;
    }
    return true;
}

bool BluezStandIn::handleProfileManager(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    const QString owner = message.service();
    const QString path = arguments.value(0).value<QDBusObjectPath>().path();
    if (message.member() == QLatin1String("RegisterProfile")) {
        const QString uuid = arguments.value(1).toString().toLower();
        for (const Profile &profile : std::as_const(m_profiles)) {
            if (profile.uuid == uuid) {
                replyError(message, QStringLiteral("org.bluez.Error.NotPermitted"),
                           QStringLiteral("UUID already registered"));
                return true;
            }
        }
        m_profiles.append({owner, path, uuid});
        m_ownerWatcher->addWatchedService(owner);
        reply(message);
        return true;
    }
    if (message.member() == QLatin1String("UnregisterProfile")) {
        for (qsizetype i = 0; i < m_profiles.size(); ++i) {
            if (m_profiles[i].owner == owner && m_profiles[i].path == path) {
                m_profiles.removeAt(i);
                reply(message);
                return true;
            }
        }
        replyError(message, QStringLiteral("org.bluez.Error.DoesNotExist"),
                   QStringLiteral("Does Not Exist"));
        return true;
    }
    return false;
}

bool BluezStandIn::handleControl(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    const QString member = message.member();
    const auto robotArgument = [&]() -> StandInRobot * {
        StandInRobot *robot = robotWithAddress(arguments.value(0).toString());
        if (!robot)
            replyError(message, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                       QStringLiteral("No robot %1").arg(arguments.value(0).toString()));
        return robot;
    };
    if (member == QLatin1String("AddRobot")) {
        addRobot(StandInRobot::optionsFrom(arguments.value(0).toString(),
                                           arguments.value(1).toString(),
                                           mapArgument(arguments.value(2)), {}));
        reply(message);
    } else if (member == QLatin1String("SetRobotOn")) {
        if (StandInRobot *robot = robotArgument()) {
            robot->setReachable(arguments.value(1).toBool());
            reply(message);
        }
    } else if (member == QLatin1String("Leave")) {
        if (StandInRobot *robot = robotArgument()) {
            robot->setReachable(false);
            const int awayMs = arguments.value(1).toInt();
            if (awayMs > 0) {
                QPointer<StandInRobot> guard(robot);
                QTimer::singleShot(awayMs, this, [guard] {
                    if (guard)
                        guard->setReachable(true);
                });
            }
            reply(message);
        }
    } else if (member == QLatin1String("SetPaired")) {
        if (StandInRobot *robot = robotArgument()) {
            robot->setPaired(arguments.value(1).toBool());
            reply(message);
        }
    } else if (member == QLatin1String("SetAdapter")) {
        setAdapter(arguments.value(0).toBool(), arguments.value(1).toBool());
        reply(message);
    } else if (member == QLatin1String("RobotInfo")) {
        if (StandInRobot *robot = robotArgument())
            reply(message, {robot->info()});
    } else if (member == QLatin1String("SetInput")) {
        if (StandInRobot *robot = robotArgument()) {
            const int index = arguments.value(2).toInt();
            const int value = arguments.value(3).toInt();
            if (arguments.value(1).toString() == QLatin1String("ai"))
                robot->controller().setAnalogInput(index, value);
            else
                robot->controller().setDigitalInput(index, value != 0);
            reply(message);
        }
    } else {
        return false;
    }
    return true;
}

QVariantMap BluezStandIn::adapterProperties() const
{
    return {
        {QStringLiteral("Address"), kAdapterAddress},
        {QStringLiteral("AddressType"), QStringLiteral("public")},
        {QStringLiteral("Name"), QStringLiteral("standin")},
        {QStringLiteral("Alias"), QStringLiteral("standin")},
        {QStringLiteral("Class"), uint(0x7C010C)},
        {QStringLiteral("Powered"), m_powered},
        {QStringLiteral("Discoverable"), false},
        {QStringLiteral("Pairable"), true},
        {QStringLiteral("Discovering"), m_discovering},
        {QStringLiteral("UUIDs"), QStringList()},
    };
}

QVariantMap BluezStandIn::deviceProperties(const StandInRobot *robot) const
{
    QVariantMap properties{
        {QStringLiteral("Address"), robot->address()},
        {QStringLiteral("AddressType"), QStringLiteral("public")},
        {QStringLiteral("Name"), robot->options().name},
        {QStringLiteral("Alias"), robot->options().name},
        {QStringLiteral("Class"), kRobotClass},
        {QStringLiteral("Paired"), robot->options().paired},
        {QStringLiteral("Trusted"), robot->options().paired},
        {QStringLiteral("Blocked"), false},
        {QStringLiteral("LegacyPairing"), false},
        {QStringLiteral("Connected"), robot->isLinked()},
        {QStringLiteral("ServicesResolved"), robot->isLinked()},
        {QStringLiteral("UUIDs"), robot->uuids()},
        {QStringLiteral("Adapter"), QVariant::fromValue(QDBusObjectPath(kAdapterPath))},
    };
    if (m_discovering && robot->isReachable())
        properties.insert(QStringLiteral("RSSI"), QVariant::fromValue(qint16(-60)));
    return properties;
}

StandInRobot *BluezStandIn::robotAt(const QString &path) const
{
    if (!m_adapterPresent)
        return nullptr;
    for (StandInRobot *robot : m_robots) {
        if (robot->isVisible() && robot->objectPath(kAdapterPath) == path)
            return robot;
    }
    return nullptr;
}

StandInRobot *BluezStandIn::robotWithAddress(const QString &address) const
{
    for (StandInRobot *robot : m_robots) {
        if (robot->address().compare(address, Qt::CaseInsensitive) == 0)
            return robot;
    }
    return nullptr;
}

void BluezStandIn::emitPropertiesChanged(const QString &path, const QString &interface,
                                         const QVariantMap &changed)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(path, kProperties, QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    m_bus.send(signal);
}

void BluezStandIn::showRobot(StandInRobot *robot)
{
    if (robot->isVisible())
        return;
    robot->setVisible(true);
    if (!m_adapterPresent)
        return;
    QDBusMessage added = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                    QStringLiteral("InterfacesAdded"));
    added << QVariant::fromValue(QDBusObjectPath(robot->objectPath(kAdapterPath)))
          << QVariant::fromValue(InterfaceList{{kDevice, deviceProperties(robot)}});
    m_bus.send(added);
}

void BluezStandIn::hideRobot(StandInRobot *robot)
{
    robot->closeLink();
    if (!robot->isVisible())
        return;
    robot->setVisible(false);
    QDBusMessage removed = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                      QStringLiteral("InterfacesRemoved"));
    removed << QVariant::fromValue(QDBusObjectPath(robot->objectPath(kAdapterPath)))
            << QStringList{kDevice};
    m_bus.send(removed);
}

void BluezStandIn::startDiscovery()
{
    if (m_discovering)
        return;
    m_discovering = true;
    emitPropertiesChanged(kAdapterPath, kAdapter, {{QStringLiteral("Discovering"), true}});
    for (StandInRobot *robot : std::as_const(m_robots)) {
        if (robot->isVisible())
            continue;
        auto *timer = new QTimer(this);
        timer->setSingleShot(true);
        QPointer<StandInRobot> guard(robot);
        connect(timer, &QTimer::timeout, this, [this, guard, timer] {
            m_appearTimers.removeOne(timer);
            timer->deleteLater();
            // A robot that is switched off does not answer an inquiry; it shows up once it is on.
            if (guard && m_discovering && guard->isReachable())
                showRobot(guard);
        });
        m_appearTimers.append(timer);
        timer->start(robot->options().appearAfterMs);
    }
}

void BluezStandIn::stopDiscovery()
{
    qDeleteAll(m_appearTimers);
    m_appearTimers.clear();
    if (!m_discovering)
        return;
    m_discovering = false;
    emitPropertiesChanged(kAdapterPath, kAdapter, {{QStringLiteral("Discovering"), false}});
}

void BluezStandIn::connectProfile(const QDBusMessage &message, StandInRobot *robot)
{
    robot->countAttempt();
    const QString uuid = message.arguments().value(0).toString().toLower();
    if (!m_adapterPresent || !m_powered) {
        replyError(message, QStringLiteral("org.bluez.Error.NotReady"),
                   QStringLiteral("Resource Not Ready"));
        return;
    }
    if (!robot->hasService(uuid)) {
        replyError(message, QStringLiteral("org.bluez.Error.Failed"),
                   QStringLiteral("Protocol not available"));
        return;
    }
    const bool registered = std::any_of(m_profiles.cbegin(), m_profiles.cend(),
                                        [&uuid](const Profile &p) { return p.uuid == uuid; });
    if (!registered) {
        replyError(message, QStringLiteral("org.bluez.Error.Failed"),
                   QStringLiteral("br-connection-profile-unavailable"));
        return;
    }
    if (robot->isLinked()) {
        replyError(message, QStringLiteral("org.bluez.Error.AlreadyConnected"),
                   QStringLiteral("Already Connected"));
        return;
    }
    message.setDelayedReply(true);
    const int id = m_nextPending++;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    const bool pages = !robot->isReachable();
    connect(timer, &QTimer::timeout, this, [this, id, pages] { completeConnect(id, pages); });
    m_pending.insert(id, {message, robot, uuid, timer});
    // Out of reach, the adapter pages until its page timeout; a robot switched on meanwhile
    // answers the page at once.
    timer->start(pages ? robot->options().pageTimeoutMs : robot->options().connectMs);
}

void BluezStandIn::robotReachable(StandInRobot *robot)
{
    if (m_discovering && !robot->isVisible()) {
        QPointer<StandInRobot> guard(robot);
        QTimer::singleShot(robot->options().appearAfterMs, this, [this, guard] {
            if (guard && m_discovering && guard->isReachable())
                showRobot(guard);
        });
    }
    const QList<int> ids = m_pending.keys();
    for (const int id : ids) {
        if (m_pending.value(id).robot == robot)
            completeConnect(id, false);
    }
}

void BluezStandIn::completeConnect(int id, bool pageTimedOut)
{
    if (!m_pending.contains(id))
        return;
    const PendingConnect pending = m_pending.take(id);
    pending.timer->deleteLater();
    StandInRobot *robot = pending.robot;
    if (!robot || pageTimedOut || !robot->isReachable()) {
        replyError(pending.call, QStringLiteral("org.bluez.Error.Failed"),
                   QStringLiteral("br-connection-page-timeout"));
        return;
    }
    if (!robot->options().paired) {
        replyError(pending.call, QStringLiteral("org.bluez.Error.AuthenticationFailed"),
                   QStringLiteral("Authentication Failed"));
        return;
    }
    const auto profile = std::find_if(m_profiles.cbegin(), m_profiles.cend(),
                                      [&](const Profile &p) { return p.uuid == pending.uuid; });
    if (profile == m_profiles.cend()) {
        replyError(pending.call, QStringLiteral("org.bluez.Error.Failed"),
                   QStringLiteral("br-connection-canceled"));
        return;
    }
    int descriptors[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, descriptors) != 0) {
        replyError(pending.call, QStringLiteral("org.bluez.Error.Failed"),
                   QStringLiteral("br-connection-create-socket"));
        return;
    }
    // The robot relays before the program hears of the link: it may write at once.
    if (!robot->openLink(descriptors[1])) {
        ::close(descriptors[0]);
        replyError(pending.call, QStringLiteral("org.bluez.Error.Failed"),
                   QStringLiteral("br-connection-create-socket"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(profile->owner, profile->path,
                                                       QStringLiteral("org.bluez.Profile1"),
                                                       QStringLiteral("NewConnection"));
    {
        // The message carries its own duplicate; ours is closed at once so that the robot sees
        // end-of-file as soon as the program closes its end.
        const QDBusUnixFileDescriptor passed(descriptors[0]);
        ::close(descriptors[0]);
        call << QVariant::fromValue(QDBusObjectPath(robot->objectPath(kAdapterPath)))
             << QVariant::fromValue(passed) << QVariantMap();
    }
    qInfo().noquote() << "bluez-standin: link to" << robot->address() << "handed to"
                      << profile->owner;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const QDBusMessage connectCall = pending.call;
    QPointer<StandInRobot> guard(robot);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, connectCall, guard] {
        watcher->deleteLater();
        if (watcher->isError()) {
            if (guard)
                guard->closeLink();
            replyError(connectCall, QStringLiteral("org.bluez.Error.Failed"),
                       QStringLiteral("br-connection-refused"));
            return;
        }
        reply(connectCall);
    });
}

void BluezStandIn::ownerGone(const QString &owner)
{
    m_ownerWatcher->removeWatchedService(owner);
    m_profiles.erase(std::remove_if(m_profiles.begin(), m_profiles.end(),
                                    [&owner](const Profile &p) { return p.owner == owner; }),
                     m_profiles.end());
    const QList<int> ids = m_pending.keys();
    for (const int id : ids) {
        if (m_pending.value(id).call.service() == owner) {
            PendingConnect pending = m_pending.take(id);
            pending.timer->deleteLater();
        }
    }
}

void BluezStandIn::reply(const QDBusMessage &message, const QVariantList &arguments)
{
    m_bus.send(message.createReply(arguments));
}

void BluezStandIn::replyError(const QDBusMessage &message, const QString &name, const QString &text)
{
    qInfo().noquote() << "bluez-standin:" << message.member() << message.path()
                      << "refused:" << name << text;
    m_bus.send(message.createErrorReply(name, text));
}
