#pragma once

#include <QJsonObject>
#include <QString>

// Why a tile or a button cannot be used now, and so what to do first: the dictionary key of the
// words, or an empty text while it may be used. Worked out from what decides whether it may be
// used, so the words and the greyed look never disagree.
namespace ActionReasons {

// A top-menu button of a controller action ("write", "read", "restart", "start", "step",
// "stop") or the property panel's run button ("manual"), under a state report of the link. Any
// other command has no reason.
QString actionKey(const QString &command, const QJsonObject &state);
// The state report's entry that says whether a top-menu command may be used: its own name, or
// for "runonrobot" the write it begins with.
QString stateKey(const QString &command);

// A command tile, by the gadgets set up on the pins (AppContext's gadget flags) and the program
// shown (0 the main program).
QString tileKey(const QString &command, quint32 gadgetFlags, int program);

} // namespace ActionReasons
