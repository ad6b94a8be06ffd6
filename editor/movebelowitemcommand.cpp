#include "movebelowitemcommand.h"

#include "uilogging.h"

MoveBelowItemCommand::MoveBelowItemCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                                           QUndoCommand *parent)
    : MoveRowCommand(list, oldIndex, newIndex, parent)
{
    qCDebug(lcUi) << "MoveBelowItemCommand ctor";
}
