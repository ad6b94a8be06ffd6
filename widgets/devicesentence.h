#pragma once

#include <QString>
#include <QStringList>

// A status line about a robot, whole in the user's language. A line about a robot that the
// user named tells its name ("%1"); a language whose words change with the case (Russian) says
// it so that the name needs none. The built-in virtual controller has lines of its own (the key
// followed by "Virtual"), with its name in the right case, rather than its name glued in.
namespace DeviceSentence {

// The line of the dictionary key about the device shown by that name; "%1" is the name, "%2"
// and on are the further arguments. Each placeholder is filled once, so a name holding "%2"
// stays as it is.
QString text(const QString &key, const QString &deviceName, const QStringList &more = {});

// Fills "%1" … "%9" of a format with the arguments by their numbers, in one pass.
QString fill(const QString &format, const QStringList &arguments);

} // namespace DeviceSentence
