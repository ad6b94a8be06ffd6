#pragma once

// Test double shared by the tests that talk to a real taviro-sim process over loopback. The test
// defines TAVIRO_SIM_PATH as the program's path.

#include "mbluetoothconnect.h"

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>

// taviro-sim as a child process on a free loopback port; stopped with SIGTERM at the end.
class SimProcess
{
public:
    bool start(const QStringList &arguments)
    {
        m_process.start(TAVIRO_SIM_PATH, QStringList{"--listen", "127.0.0.1:0"} + arguments);
        if (!m_process.waitForStarted(10000))
            return false;
        QByteArray line;
        QElapsedTimer clock;
        clock.start();
        while (!line.contains('\n') && clock.elapsed() < 10000) {
            m_process.waitForReadyRead(200);
            line += m_process.readAllStandardOutput();
        }
        const QByteArray prefix = "listening on 127.0.0.1:";
        if (!line.startsWith(prefix))
            return false;
        // A class of robots prints a line per robot; the first port is the first line's.
        m_port = line.left(line.indexOf('\n')).mid(prefix.size()).trimmed().toUShort();
        return m_port != 0;
    }
    QString address(int robot = 0) const
    {
        return QStringLiteral("tcp://127.0.0.1:%1").arg(m_port + robot);
    }
    QString deviceText() const { return mBluetoothConnect::deviceText("Virtual", address()); }
    QProcess &process() { return m_process; }
    // Ends it the way a user would; returns the exit code.
    int stop(int signal = SIGTERM)
    {
        ::kill(pid_t(m_process.processId()), signal);
        if (!m_process.waitForFinished(10000))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    ~SimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
