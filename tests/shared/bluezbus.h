#pragma once

// Test double shared by the tests that run Qt's real Bluetooth classes: a private "system" D-Bus
// bus and the stand-in BlueZ daemon on it. The test defines BLUEZ_STANDIN_PATH as the stand-in's
// path. Create the bus before anything in the process touches D-Bus: Qt connects to the system
// bus once and keeps that connection.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class BluezBus
{
public:
    static constexpr const char *kService = "org.bluez";
    static constexpr const char *kControlPath = "/standin";
    static constexpr const char *kControlInterface = "org.taviro.BluezStandIn";

    // Starts dbus-daemon and points this process (and its children) at it.
    bool start()
    {
        if (!m_dir.isValid())
            return false;
        const QString socket = m_dir.filePath(QStringLiteral("bus"));
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral(
                       "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                       "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                       "busconfig.dtd\">\n<busconfig><type>system</type>"
                       "<listen>unix:path=%1</listen><auth>EXTERNAL</auth>"
                       "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                       "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                       "<allow receive_sender=\"*\"/><allow eavesdrop=\"true\"/>"
                       "</policy></busconfig>\n")
                       .arg(socket)
                       .toUtf8());
        file.close();
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({QStringLiteral("--config-file=") + config,
                               QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        m_daemon.start();
        if (!m_daemon.waitForStarted(10000))
            return false;
        if (readLine(m_daemon).isEmpty())
            return false;
        m_address = QStringLiteral("unix:path=") + socket;
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
        // The stand-in answers "--version" too; the variable spares the probe of its binary.
        qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.66");
        return true;
    }

    QString address() const { return m_address; }

    // Starts the stand-in BlueZ with its command-line options; true once it owns org.bluez.
    bool startBluez(const QStringList &arguments = {})
    {
        stopBluez();
        m_bluez.setProgram(QStringLiteral(BLUEZ_STANDIN_PATH));
        m_bluez.setArguments(arguments);
        m_bluez.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_bluez.start();
        if (!m_bluez.waitForStarted(10000))
            return false;
        return readLine(m_bluez).startsWith("ready");
    }

    void stopBluez()
    {
        if (m_bluez.state() == QProcess::NotRunning)
            return;
        m_bluez.terminate();
        if (!m_bluez.waitForFinished(5000)) {
            m_bluez.kill();
            m_bluez.waitForFinished(5000);
        }
        // Until the bus has seen the owner go, a new stand-in could not take the name.
        QElapsedTimer clock;
        clock.start();
        while (QDBusConnection::systemBus().interface()->isServiceRegistered(kService) &&
               clock.elapsed() < 5000)
            QTest::qWait(10);
    }

    // Calls a method of the stand-in's control interface; an empty string on success.
    template <typename... Args> QString control(const QString &method, Args &&...arguments)
    {
        const QDBusMessage reply = call(method, {QVariant::fromValue(arguments)...});
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage() : QString();
    }

    QVariantMap robotInfo(const QString &address)
    {
        const QDBusReply<QVariantMap> reply = call(QStringLiteral("RobotInfo"), {address});
        return reply.isValid() ? reply.value() : QVariantMap();
    }

    ~BluezBus()
    {
        stopBluez();
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000))
                m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }

private:
    static QDBusMessage call(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(kService, kControlPath, kControlInterface, method);
        message.setArguments(arguments);
        return QDBusConnection::systemBus().call(message);
    }

    static QByteArray readLine(QProcess &process)
    {
        QByteArray line;
        QElapsedTimer clock;
        clock.start();
        while (!line.contains('\n') && clock.elapsed() < 10000 &&
               process.state() == QProcess::Running) {
            process.waitForReadyRead(100);
            line += process.readAllStandardOutput();
        }
        return line;
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcess m_bluez;
    QString m_address;
};
