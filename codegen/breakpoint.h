#pragma once

#include <QJsonObject>
#include <QString>

// A command object of a program document may carry "breakpoint": true: a run started from the
// editor pauses before that command. The mark belongs to the editor's documents (state, program
// files) and never reaches the controller: the compiler reads nothing but "conditions" and
// "action", so the memory image is the same with and without it.
namespace Breakpoint {

inline QString key()
{
    return QStringLiteral("breakpoint");
}

inline bool isSet(const QJsonObject &command)
{
    return command.value(key()).toBool();
}

} // namespace Breakpoint
