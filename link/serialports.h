#pragma once

#include <QList>
#include <QString>

#include <functional>

// The serial ports a search offers besides the Bluetooth robots: those the system lists, and the
// virtual controllers served on pseudo-terminals. On Windows a paired robot is a COM port; where
// the system tells which Bluetooth device stands behind a port, the port carries the robot's
// name and address, and the incoming port of the pair, which reaches no robot, is left out.
namespace SerialPorts {

struct Port
{
    // A device text ("Name", "Address" "serial:PATH", and "Bluetooth" with the robot's address
    // where it is known).
    QString deviceText;
    // FoundDeviceKind: a USB cable, or another serial port.
    int kind = 0;
    // The name the system gives the port ("COM5", "ttyUSB0") and what it calls it ("Standard
    // Serial over Bluetooth link (COM5)").
    QString portName;
    QString description;
    // The paired Bluetooth device behind the port: "98:D3:31:FB:1A:2C" and its name, or empty.
    QString bluetoothAddress;
    QString robotName;
};

// One port as the system lists it.
struct SystemPort
{
    QString portName;
    // What opens it: "COM5" on Windows, "/dev/ttyUSB0" elsewhere.
    QString path;
    QString description;
    // A USB adapter names its maker; built-in ports and bound Bluetooth modules do not.
    bool cable = false;
    // Windows' device instance ID of the port, where known.
    QString deviceId;
};

// The ports offered for those the system lists, in the same order; robotName gives the name of a
// Bluetooth device by its address (empty when unknown).
QList<Port> offered(const QList<SystemPort> &ports,
                    const std::function<QString(const QString &)> &robotName);

// The computer's serial ports.
QList<Port> systemPorts();
// systemPorts(), then the virtual controllers on pseudo-terminals: what a search lists.
QList<Port> present();

// A "serial:PATH[@BAUD]" address moved to the port where the robot of that Bluetooth address is
// now, since Windows may give a robot paired again another COM number; the address itself when
// no present port leads to that robot.
QString followRobot(const QString &address, const QString &bluetoothAddress);

} // namespace SerialPorts
