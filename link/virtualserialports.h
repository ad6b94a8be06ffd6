#pragma once

#include <QString>
#include <QStringList>

// Where virtual controllers served on pseudo-terminals (taviro-sim --serial) make themselves
// known, so that a search lists them beside the computer's real serial ports: one symbolic link
// per simulator, named after it and pointing at its port.
namespace VirtualSerialPorts {

// The folder of the links: in the user's runtime folder, or the temporary folder without one.
QString folder();
// Publishes a port under the given name; the link's path, or an empty string on failure.
QString publish(const QString &name, const QString &portPath);
// Removes a published link.
void withdraw(const QString &linkPath);
// The published links whose port still exists.
QStringList present();

} // namespace VirtualSerialPorts
