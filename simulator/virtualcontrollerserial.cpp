#include "virtualcontrollerserial.h"

#include "simlog.h"
#include "virtualcontroller.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Fast enough to pace bytes at 9600 baud (about one a millisecond), only while bytes wait.
constexpr int kBusyPollMs = 1;
// How often an idle line looks whether a program has opened or closed the port.
constexpr int kIdlePollMs = 50;
constexpr int kBitsPerByte = 10;
} // namespace

VirtualControllerSerial::VirtualControllerSerial(VirtualController &controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
{
    m_clock.start();
    m_pollTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &VirtualControllerSerial::poll);
    m_unplugTimer.setSingleShot(true);
    connect(&m_unplugTimer, &QTimer::timeout, this, [this] {
        if (openTerminal())
            emit pluggedIn();
    });
    connect(&m_controller, &VirtualController::bytesToSend, this,
            &VirtualControllerSerial::queueOutput);
}

VirtualControllerSerial::~VirtualControllerSerial()
{
    m_unplugTimer.stop();
    closeTerminal();
}

qint64 VirtualControllerSerial::byteNs() const
{
    return qint64(kBitsPerByte) * 1000000000 / m_baudRate;
}

bool VirtualControllerSerial::open(const QString &stablePath)
{
    m_stablePath = stablePath;
    return openTerminal();
}

QString VirtualControllerSerial::path() const
{
    return m_stablePath.isEmpty() ? m_terminalPath : m_stablePath;
}

void VirtualControllerSerial::unplug(int ms)
{
    qCDebug(lcSimulator) << "Serial port unplugged for" << ms << "ms";
    closeTerminal();
    m_unplugTimer.start(qMax(0, ms));
}

bool VirtualControllerSerial::openTerminal()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128] = {};
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        m_error = QString::fromLocal8Bit(::strerror(errno));
        if (master >= 0)
            ::close(master);
        return false;
    }
    // Raw from the start: a terminal echoes what it receives until a program opens it and sets
    // its own mode, and the controller would read its own state packets back.
    const int terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal >= 0) {
        termios mode = {};
        if (::tcgetattr(terminal, &mode) == 0) {
            ::cfmakeraw(&mode);
            ::tcsetattr(terminal, TCSANOW, &mode);
        }
        ::close(terminal);
    }
    m_master = master;
    m_terminalPath = QString::fromLocal8Bit(name);
    m_readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this,
            &VirtualControllerSerial::readTerminal);
    if (!m_stablePath.isEmpty()) {
        QFile::remove(m_stablePath);
        if (!QFile::link(m_terminalPath, m_stablePath)) {
            m_error = QStringLiteral("cannot make the link %1").arg(m_stablePath);
            closeTerminal();
            return false;
        }
    }
    m_pollTimer.start(kIdlePollMs);
    return true;
}

void VirtualControllerSerial::closeTerminal()
{
    if (m_master < 0)
        return;
    delete m_readNotifier;
    m_readNotifier = nullptr;
    ::close(m_master);
    m_master = -1;
    m_pollTimer.stop();
    if (!m_stablePath.isEmpty())
        QFile::remove(m_stablePath);
    if (m_attached)
        setAttached(false);
}

void VirtualControllerSerial::setAttached(bool attached)
{
    m_attached = attached;
    m_toClient.clear();
    m_fromClient.clear();
    if (attached) {
        qCDebug(lcSimulator) << "Serial client attached";
        m_controller.attach();
    } else {
        qCDebug(lcSimulator) << "Serial client detached";
        m_controller.detach();
    }
}

void VirtualControllerSerial::wake()
{
    if (m_pollTimer.interval() != kBusyPollMs)
        m_pollTimer.start(kBusyPollMs);
}

void VirtualControllerSerial::poll()
{
    if (m_master < 0)
        return;
    pollfd state = {m_master, POLLIN, 0};
    ::poll(&state, 1, 0);
    // The master end hangs up while no program holds the terminal end open.
    const bool client = !(state.revents & POLLHUP);
    if (client != m_attached) {
        m_readNotifier->setEnabled(client);
        setAttached(client);
    }
    const qint64 now = m_clock.nsecsElapsed();
    while (!m_fromClient.isEmpty() && m_fromClient.first().first <= now)
        m_controller.receiveBytes(m_fromClient.takeFirst().second);
    if (!m_toClient.isEmpty() && m_attached && now >= m_sendFreeAt) {
        // Every byte whose turn on the line has come, however late this look is.
        const qint64 due = qMin<qint64>((now - m_sendFreeAt) / byteNs() + 1, m_toClient.size());
        const ssize_t written = ::write(m_master, m_toClient.constData(), size_t(due));
        if (written > 0) {
            m_toClient.remove(0, written);
            m_sendFreeAt += written * byteNs();
        }
    }
    const bool busy = !m_toClient.isEmpty() || !m_fromClient.isEmpty();
    const int interval = busy ? kBusyPollMs : kIdlePollMs;
    if (m_pollTimer.interval() != interval)
        m_pollTimer.start(interval);
}

void VirtualControllerSerial::readTerminal()
{
    char buffer[512];
    const ssize_t got = ::read(m_master, buffer, sizeof buffer);
    if (got <= 0) {
        // The program closed its end: poll() sees the hang-up and detaches.
        if (got == 0 || errno == EIO)
            m_readNotifier->setEnabled(false);
        poll();
        return;
    }
    const qint64 now = m_clock.nsecsElapsed();
    // The bytes are here at once on a terminal; on a real line their last bit arrives later.
    m_receiveFreeAt = qMax(m_receiveFreeAt, now) + qint64(got) * byteNs();
    m_fromClient.append({m_receiveFreeAt, QByteArray(buffer, int(got))});
    wake();
}

void VirtualControllerSerial::queueOutput(const QByteArray &bytes)
{
    if (!m_attached)
        return;
    // An idle line starts sending now; a busy one once its last byte is through.
    if (m_toClient.isEmpty())
        m_sendFreeAt = qMax(m_sendFreeAt, m_clock.nsecsElapsed());
    m_toClient.append(bytes);
    wake();
}
