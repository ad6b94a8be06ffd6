#include "seriallinksocket.h"

#include "linklog.h"
#include "linkproblem.h"

#include <QFileInfo>
#include <QRegularExpression>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

std::optional<SerialLinkSocket::Address> SerialLinkSocket::parse(const QString &address)
{
    if (!address.startsWith(kSerialScheme, Qt::CaseInsensitive))
        return std::nullopt;
    Address parsed;
    parsed.path = address.mid(kSerialScheme.size());
    static const QRegularExpression speed(QStringLiteral("@(\\d{3,7})$"));
    const QRegularExpressionMatch match = speed.match(parsed.path);
    if (match.hasMatch()) {
        parsed.baudRate = match.captured(1).toInt();
        parsed.baudRateGiven = true;
        parsed.path.chop(match.capturedLength());
    }
    if (parsed.path.trimmed().isEmpty())
        return std::nullopt;
    return parsed;
}

QString SerialLinkSocket::withBaudRate(const QString &address, int baudRate)
{
    const std::optional<Address> parsed = parse(address);
    if (!parsed || parsed->baudRateGiven || baudRate <= 0)
        return address;
    return QStringLiteral("%1@%2").arg(address).arg(baudRate);
}

SerialLinkSocket::SerialLinkSocket(QObject *parent)
    : LinkSocket(parent)
    , m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &LinkSocket::readyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLinkSocket::portError);
}

bool SerialLinkSocket::isUnconnected() const
{
    return !m_port->isOpen();
}

QString SerialLinkSocket::stateName() const
{
    return m_port->isOpen() ? QStringLiteral("OpenState") : QStringLiteral("ClosedState");
}

void SerialLinkSocket::connectToAddress(const QString &address)
{
    const std::optional<Address> parsed = parse(address);
    if (!parsed || m_port->isOpen())
        return;
    m_path = parsed->path;
    m_port->setPortName(m_path);
    m_port->setBaudRate(parsed->baudRate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        reportOpenFailure(m_port->error());
        return;
    }
    m_port->clear();
    emit stateChanged(stateName());
    // Told from the event loop, like the other kinds, not from inside the connection step.
    QMetaObject::invokeMethod(this, &LinkSocket::connected, Qt::QueuedConnection);
}

bool SerialLinkSocket::openReadWrite()
{
    return m_port->isOpen();
}

void SerialLinkSocket::abort()
{
    if (!m_port->isOpen())
        return;
    m_port->close();
    emit stateChanged(stateName());
}

QIODevice *SerialLinkSocket::device()
{
    return m_port;
}

void SerialLinkSocket::portError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    emit errorOccurred(enumName(error));
    // A port that goes away while open (a cable pulled, a module unbound) reports a resource
    // error; it is closed here so the next connection step can open it again once it is back.
    if (m_port->isOpen() &&
        (error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError)) {
        qCDebug(lcLink).noquote() << "Serial port gone: " << m_path << " " << m_port->errorString();
        m_port->close();
        emit stateChanged(stateName());
        emit disconnected();
        emit problem(LinkProblem::PortMissing, {});
    }
}

void SerialLinkSocket::reportOpenFailure(QSerialPort::SerialPortError error)
{
    qCDebug(lcLink).noquote() << "Cannot open " << m_path << ": " << m_port->errorString();
    LinkProblem::Code code = LinkProblem::PortBusy;
    QString group;
    if (error == QSerialPort::DeviceNotFoundError) {
        code = LinkProblem::PortMissing;
    } else if (error == QSerialPort::PermissionError) {
        // Both a port the user may not open and one another program holds are permission
        // errors; only the first is also refused to a plain check of the user's rights. Windows
        // has no rights on COM ports: there it is always another program.
#if defined(Q_OS_UNIX)
        if (::access(QFile::encodeName(m_path).constData(), R_OK | W_OK) != 0) {
            code = LinkProblem::PortPermission;
            group = QFileInfo(m_path).group();
        }
#endif
    }
    emit problem(code, group);
}
