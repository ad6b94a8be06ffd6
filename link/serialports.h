#pragma once

#include <QList>
#include <QString>

// The serial ports a search offers besides the Bluetooth robots: those the system lists, and the
// virtual controllers served on pseudo-terminals.
namespace SerialPorts {

struct Port
{
    // A device text ("Name" and "Address" "serial:PATH").
    QString deviceText;
    // FoundDeviceKind: a USB cable, or another serial port.
    int kind = 0;
};

QList<Port> present();

} // namespace SerialPorts
