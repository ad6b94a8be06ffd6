#pragma once

#include <QString>
#include <QStringList>

// Where virtual controllers served on pseudo-terminals (taviro-sim --serial) make themselves
// known, so that a search lists them beside the computer's real serial ports: one symbolic link
// per simulator, named after it and pointing at its port. Whoever can write the folder decides
// what the editor opens and writes to, so only a folder of the user's own is used.
namespace VirtualSerialPorts {

// The folder of the links: in the user's runtime folder, or a folder of the user's own in the
// temporary folder without one.
QString folder();
// Why the folder at path could hold links planted by someone else (not the user's own, open to
// others, a symbolic link, missing); an empty string when only the user can change it.
QString folderProblem(const QString &path);
// Publishes a port under the given name; the link's path, or an empty string on failure with
// the reason in error.
QString publish(const QString &name, const QString &portPath, QString *error = nullptr);
// Removes a published link.
void withdraw(const QString &linkPath);
// The user's own published links whose port is still there.
QStringList present();

} // namespace VirtualSerialPorts
