#include "moveonitemcommand.h"

#include "uilogging.h"

MoveOnItemCommand::MoveOnItemCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                                     QUndoCommand *parent)
    : MoveRowCommand(list, oldIndex, newIndex, parent)
{
    qCDebug(lcUi) << "MoveOnItemCommand ctor";
}
