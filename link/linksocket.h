#pragma once

#include <QLatin1String>
#include <QMetaEnum>
#include <QObject>
#include <QString>

class QIODevice;

// The socket kinds the transport can drive (RFCOMM, loopback TCP and serial ports) behind one
// face, so that the connect steps, the deframer and the error counting exist once.
class LinkSocket : public QObject
{
    Q_OBJECT
public:
    enum class Kind
    {
        Bluetooth,
        Tcp,
        Serial
    };

    // The scheme of a serial port's address, "serial:PATH".
    static constexpr QLatin1String kSerialScheme{"serial:"};

    // Whether this build talks RFCOMM itself. Qt has no Bluetooth backend with mingw, and
    // Windows turns a paired robot's module into an outgoing COM port of its own: there robots
    // are reached through serial ports only.
#if defined(Q_OS_WIN)
    static constexpr bool kBluetoothSockets = false;
#else
    static constexpr bool kBluetoothSockets = true;
#endif

    // Whether Bluetooth links go through one BlueZ profile of the process (Linux), so that
    // several robots are linked at once; elsewhere each link is a QBluetoothSocket of its own.
#if defined(TAVIRO_SHARED_BLUETOOTH_PROFILE)
    static constexpr bool kSharedBluetoothProfile = true;
#else
    static constexpr bool kSharedBluetoothProfile = false;
#endif

    using QObject::QObject;
    ~LinkSocket() override = default;

    // "tcp://HOST:PORT" selects TCP, "serial:PATH" a serial port; anything else is a Bluetooth
    // address.
    static Kind kindOf(const QString &address);
    // Whether a connection to the address can be attempted at all: "tcp://HOST:PORT" with a
    // port, "serial:PATH" with a path, or a Bluetooth address of at least 14 characters where
    // the build has Bluetooth sockets.
    static bool isUsableAddress(const QString &address);
    // An address as a user gives it on a command line: "tcp://HOST:PORT", "serial:PATH[@BAUD]" or
    // a Bluetooth address such as 00:11:22:33:44:55.
    static bool isWellFormedAddress(const QString &address);

    virtual Kind kind() const = 0;
    virtual bool isUnconnected() const = 0;
    virtual QString stateName() const = 0;
    virtual void connectToAddress(const QString &address) = 0;
    // The socket connected: make sure it is open for reading and writing. A device already
    // open stays as it is: opening again would throw away what it has buffered.
    virtual bool openReadWrite();
    virtual void abort() = 0;
    virtual QIODevice *device() = 0;

    // The name of a value of a Qt enum, as the logs and the error signals give it.
    template <typename E> static QString enumName(E value)
    {
        return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(int(value)));
    }

signals:
    void connected();
    void disconnected();
    void readyRead();
    void stateChanged(const QString &stateName);
    void errorOccurred(const QString &errorName);
    // Why the connection does not come up, when the socket kind can tell (a LinkProblem code,
    // and what the words need besides the device's name, such as a group to join).
    void problem(int code, const QString &detail);
};
