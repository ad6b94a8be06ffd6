#include "standinrobot.h"

#include <QLocalSocket>
#include <QTcpSocket>

#include <unistd.h>

const QString StandInRobot::kSerialPortUuid =
    QStringLiteral("00001101-0000-1000-8000-00805f9b34fb");

namespace {
// A headset: a device in range that offers no serial port.
const QString kAudioSinkUuid = QStringLiteral("0000110b-0000-1000-8000-00805f9b34fb");
} // namespace

StandInRobot::StandInRobot(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_reachable(options.on)
    , m_visible(options.known)
{
    m_controller.setStateInterval(options.stateIntervalMs);
    m_controller.setMsPerByte(options.msPerByte);
    connect(&m_controller, &VirtualController::bytesToSend, this, &StandInRobot::relayToLink);
}

StandInRobot::~StandInRobot()
{
    closeLink();
}

StandInRobot::Options StandInRobot::optionsFrom(const QString &address, const QString &name,
                                                const QVariantMap &map, const Options &defaults)
{
    Options options = defaults;
    options.address = address.toUpper();
    options.name = name;
    options.paired = map.value(QStringLiteral("Paired"), options.paired).toBool();
    options.serialPort = map.value(QStringLiteral("SerialPort"), options.serialPort).toBool();
    options.known = map.value(QStringLiteral("Known"), options.known).toBool();
    options.appearAfterMs =
        map.value(QStringLiteral("AppearAfterMs"), options.appearAfterMs).toInt();
    options.on = map.value(QStringLiteral("On"), options.on).toBool();
    options.pageTimeoutMs =
        map.value(QStringLiteral("PageTimeoutMs"), options.pageTimeoutMs).toInt();
    options.connectMs = map.value(QStringLiteral("ConnectMs"), options.connectMs).toInt();
    options.stateIntervalMs =
        map.value(QStringLiteral("StateIntervalMs"), options.stateIntervalMs).toInt();
    options.msPerByte = map.value(QStringLiteral("MsPerByte"), options.msPerByte).toDouble();
    options.bridge = map.value(QStringLiteral("Bridge"), options.bridge).toString();
    return options;
}

QString StandInRobot::objectPath(const QString &adapterPath) const
{
    return adapterPath + QStringLiteral("/dev_") +
           QString(m_options.address).replace(QLatin1Char(':'), QLatin1Char('_'));
}

QStringList StandInRobot::uuids() const
{
    return m_options.serialPort ? QStringList{kSerialPortUuid} : QStringList{kAudioSinkUuid};
}

bool StandInRobot::hasService(const QString &uuid) const
{
    return uuids().contains(uuid.toLower());
}

void StandInRobot::setReachable(bool reachable)
{
    if (m_reachable == reachable)
        return;
    m_reachable = reachable;
    if (!reachable)
        closeLink();
    emit reachableChanged(reachable);
}

bool StandInRobot::openLink(int descriptor)
{
    closeLink();
    auto *link = new QLocalSocket(this);
    if (!link->setSocketDescriptor(descriptor, QLocalSocket::ConnectedState,
                                   QIODevice::ReadWrite)) {
        delete link;
        ::close(descriptor);
        return false;
    }
    m_link = link;
    ++m_connections;
    connect(link, &QLocalSocket::disconnected, this, &StandInRobot::linkGone);
    if (m_options.bridge.isEmpty()) {
        connect(link, &QLocalSocket::readyRead, this,
                [this, link] { m_controller.receiveBytes(link->readAll()); });
        m_controller.attach();
    } else {
        auto *bridge = new QTcpSocket(this);
        m_bridge = bridge;
        const qsizetype colon = m_options.bridge.lastIndexOf(QLatin1Char(':'));
        bridge->connectToHost(m_options.bridge.left(colon),
                              quint16(m_options.bridge.mid(colon + 1).toUInt()));
        connect(link, &QLocalSocket::readyRead, bridge,
                [link, bridge] { bridge->write(link->readAll()); });
        connect(bridge, &QTcpSocket::readyRead, link,
                [link, bridge] { link->write(bridge->readAll()); });
        connect(bridge, &QTcpSocket::disconnected, this, &StandInRobot::closeLink);
    }
    emit linkChanged(true);
    return true;
}

void StandInRobot::relayToLink(const QByteArray &bytes)
{
    if (m_link)
        m_link->write(bytes);
}

void StandInRobot::linkGone()
{
    closeLink();
}

void StandInRobot::closeLink()
{
    if (!m_link)
        return;
    QLocalSocket *link = m_link;
    m_link.clear();
    link->disconnect(this);
    link->abort();
    link->deleteLater();
    if (m_bridge) {
        m_bridge->disconnect(this);
        m_bridge->abort();
        m_bridge->deleteLater();
        m_bridge.clear();
    }
    m_controller.detach();
    emit linkChanged(false);
}

QVariantMap StandInRobot::info() const
{
    return {
        {QStringLiteral("Connected"), isLinked()},
        {QStringLiteral("Connections"), m_connections},
        {QStringLiteral("ConnectAttempts"), m_connectAttempts},
        {QStringLiteral("Reachable"), m_reachable},
        {QStringLiteral("Visible"), m_visible},
        {QStringLiteral("Eeprom"), m_controller.eeprom()},
        {QStringLiteral("Configuration"), m_controller.configuration()},
        {QStringLiteral("Name"), m_controller.deviceName()},
    };
}
