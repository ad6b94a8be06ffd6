#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

// The keys of the top menu's actions: one table for the window's shortcuts, the buttons' tool
// tips and their descriptions. The keys follow the usual desktop and IDE conventions and leave
// alone every key a text field uses.
namespace TopMenuShortcuts {

// The commands that have keys, in menu order.
QStringList commands();
// The keys of a command, the first the one its tool tip shows; empty for a command without keys.
QList<QKeySequence> keys(const QString &command);

} // namespace TopMenuShortcuts
