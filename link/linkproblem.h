#pragma once

#include <QMetaType>

// Why a search found nothing or a connection does not come up, as far as the link can tell.
// The numbers travel through signals as ints, so they never change meaning.
namespace LinkProblem {
enum Code
{
    None = 0,
    // The computer's Bluetooth cannot be used.
    BluetoothOff = 1,
    NoAdapter = 2,
    NoBluetoothService = 3,
    // Another program on this computer holds the Bluetooth Serial Port service.
    ServiceTaken = 4,
    // The chosen robot does not come up.
    NotPaired = 10,
    Unreachable = 11,
    UnknownDevice = 12,
    // A serial port: plugged out, not permitted to the user, or held by another program.
    PortMissing = 20,
    PortPermission = 21,
    PortBusy = 22,
};

// The computer's Bluetooth as a whole is unusable (as opposed to one robot).
constexpr bool isBluetoothProblem(int code)
{
    return code >= BluetoothOff && code <= ServiceTaken;
}
} // namespace LinkProblem

// What a device found by a search is; the page marks it and taviroc prints it.
namespace FoundDeviceKind {
enum Code
{
    PairedRobot = 0,
    UnpairedRobot = 1,
    // A serial port present on the computer: a USB cable, or another (a bound Bluetooth module,
    // a built-in port, a virtual controller's).
    CablePort = 2,
    SerialPort = 3,
};
} // namespace FoundDeviceKind
