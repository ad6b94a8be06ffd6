#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;
class VirtualController;

// Serves a virtual controller on a pseudo-terminal, the way a robot sits behind a serial cable or
// a Bluetooth serial module: the editor opens the terminal's other end like any serial port.
// Bytes cross the line no faster than its speed allows (10 bits a byte at the given baud rate),
// so a transfer takes as long as it would over a real 9600-baud module. The controller is
// attached while a program has the port open. Unplugging closes the terminal and removes the
// stable path; plugging in again serves a new terminal under the same path.
class VirtualControllerSerial : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultBaudRate = 9600;
    static constexpr int kMinBaudRate = 300;

    explicit VirtualControllerSerial(VirtualController &controller, QObject *parent = nullptr);
    ~VirtualControllerSerial() override;

    // Opens the terminal; with a stable path, a symbolic link to it is kept there. False and
    // errorString() on failure.
    bool open(const QString &stablePath = {});
    // The path a program opens: the stable path, or the terminal's own.
    QString path() const;
    QString terminalPath() const { return m_terminalPath; }
    QString errorString() const { return m_error; }
    bool hasClient() const { return m_attached; }

    void setBaudRate(int baudRate) { m_baudRate = qMax(kMinBaudRate, baudRate); }
    // As if the cable were pulled: the port is gone for the given time, then back.
    void unplug(int ms);

signals:
    void pluggedIn();

private:
    bool openTerminal();
    void closeTerminal();
    // The program opened (or closed) its end of the terminal: the controller sees a link come
    // (or go), with nothing left over from the last one.
    void setAttached(bool attached);
    // Bytes are on their way: look at the line every millisecond until they are through.
    void wake();
    void poll();
    void readTerminal();
    void queueOutput(const QByteArray &bytes);
    qint64 byteNs() const;

    VirtualController &m_controller;
    int m_master = -1;
    QString m_terminalPath;
    QString m_stablePath;
    QString m_error;
    QSocketNotifier *m_readNotifier = nullptr;
    QTimer m_pollTimer;
    QTimer m_unplugTimer;
    QElapsedTimer m_clock;
    bool m_attached = false;
    int m_baudRate = kDefaultBaudRate;
    // Bytes on their way to the program, and when the line is free for the next one (ns).
    QByteArray m_toClient;
    qint64 m_sendFreeAt = 0;
    // Bytes from the program, each with the time its last bit arrives.
    QList<QPair<qint64, QByteArray>> m_fromClient;
    qint64 m_receiveFreeAt = 0;
};
