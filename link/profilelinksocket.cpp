#include "profilelinksocket.h"

#include "bluetoothdiagnosis.h"
#include "linklog.h"
#include "linkproblem.h"
#include "serialportprofile.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QLocalSocket>

ProfileLinkSocket::ProfileLinkSocket(QObject *parent)
    : LinkSocket(parent)
    , m_socket(new QLocalSocket(this))
{
    connect(m_socket, &QLocalSocket::readyRead, this, &LinkSocket::readyRead);
    connect(m_socket, &QLocalSocket::disconnected, this, [this] {
        // An abort sets the state first; only the robot's side closing is news.
        if (m_state != State::Connected)
            return;
        qCDebug(lcLink).noquote() << "Bluetooth link to" << m_address << "closed";
        m_devicePath.clear();
        setState(State::Unconnected);
        emit disconnected();
    });
    SerialPortProfile::instance()->attach(this);
}

ProfileLinkSocket::~ProfileLinkSocket()
{
    delete m_pending;
    m_pending = nullptr;
    m_state = State::Unconnected;
    m_socket->abort();
    SerialPortProfile::instance()->detach(this);
}

QString ProfileLinkSocket::stateName() const
{
    switch (m_state) {
    case State::Unconnected:
        break;
    case State::Connecting:
        return QStringLiteral("ConnectingState");
    case State::Connected:
        return QStringLiteral("ConnectedState");
    }
    return QStringLiteral("UnconnectedState");
}

void ProfileLinkSocket::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(stateName());
}

void ProfileLinkSocket::fail(const QString &errorName, int code, const QString &errorText)
{
    qCDebug(lcLink).noquote() << "Bluetooth connect to" << m_address << "failed:" << errorText;
    delete m_pending;
    m_pending = nullptr;
    m_devicePath.clear();
    setState(State::Unconnected);
    emit errorOccurred(errorName);
    emit problem(code, {});
}

void ProfileLinkSocket::connectToAddress(const QString &address)
{
    if (m_state != State::Unconnected)
        return;
    m_address = address;
    setState(State::Connecting);
    QString errorText;
    switch (SerialPortProfile::instance()->ensureRegistered(&errorText)) {
    case SerialPortProfile::Registration::Registered:
        break;
    case SerialPortProfile::Registration::Taken:
        fail(QStringLiteral("ServiceNotFoundError"), LinkProblem::ServiceTaken, errorText);
        return;
    case SerialPortProfile::Registration::Failed:
        fail(QStringLiteral("HostNotFoundError"),
             BluetoothDiagnosis::connectFailure(address, errorText), errorText);
        return;
    }
    const QString path = SerialPortProfile::devicePath(address);
    if (path.isEmpty()) {
        // Qt's words for a device BlueZ does not know, which the diagnosis understands.
        const QString unknown = QStringLiteral("Cannot find remote device");
        fail(QStringLiteral("HostNotFoundError"),
             BluetoothDiagnosis::connectFailure(address, unknown), unknown);
        return;
    }
    m_devicePath = path;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), path,
                                                       QStringLiteral("org.bluez.Device1"),
                                                       QStringLiteral("ConnectProfile"));
    call << SerialPortProfile::kSerialPortUuid;
    // Paging a robot out of reach takes BlueZ several seconds; the bus's own timeout is longer.
    m_pending = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(m_pending, &QDBusPendingCallWatcher::finished, this,
            &ProfileLinkSocket::connectFinished);
}

void ProfileLinkSocket::connectFinished(QDBusPendingCallWatcher *watcher)
{
    if (watcher != m_pending)
        return;
    m_pending = nullptr;
    watcher->deleteLater();
    if (watcher->isError()) {
        const QDBusError error = watcher->error();
        fail(QStringLiteral("HostNotFoundError"),
             BluetoothDiagnosis::connectFailure(m_address, error.message()),
             error.name() + QLatin1Char(' ') + error.message());
        return;
    }
    // BlueZ answers once it has handed the link over; a link not handed over never comes.
    if (m_state == State::Connecting) {
        fail(QStringLiteral("HostNotFoundError"),
             BluetoothDiagnosis::connectFailure(m_address, QString()),
             QStringLiteral("no connection handed over"));
    }
}

bool ProfileLinkSocket::takeDescriptor(int descriptor)
{
    if (m_state != State::Connecting)
        return false;
    if (!m_socket->setSocketDescriptor(descriptor, QLocalSocket::ConnectedState,
                                       QIODevice::ReadWrite)) {
        qCDebug(lcLink).noquote() << "Cannot wrap the link's descriptor:"
                                  << m_socket->errorString();
        return false;
    }
    qCDebug(lcLink).noquote() << "Bluetooth link to" << m_address << "handed over";
    // The reply to ConnectProfile is still to come; it changes nothing now.
    setState(State::Connected);
    emit connected();
    return true;
}

void ProfileLinkSocket::endedByBluez()
{
    if (m_state == State::Unconnected)
        return;
    const bool wasConnected = m_state == State::Connected;
    abort();
    if (wasConnected)
        emit disconnected();
}

void ProfileLinkSocket::abort()
{
    if (m_pending) {
        // A link BlueZ hands over later finds nobody waiting and is refused.
        m_pending->deleteLater();
        m_pending = nullptr;
    }
    m_devicePath.clear();
    setState(State::Unconnected);
    m_socket->abort();
}

QIODevice *ProfileLinkSocket::device()
{
    return m_socket;
}
