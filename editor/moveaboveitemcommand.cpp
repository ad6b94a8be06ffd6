#include "moveaboveitemcommand.h"

#include "uilogging.h"

MoveAboveItemCommand::MoveAboveItemCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                                           QUndoCommand *parent)
    : MoveRowCommand(list, oldIndex, newIndex, parent)
{
    qCDebug(lcUi) << "MoveAboveItemCommand ctor";
}
