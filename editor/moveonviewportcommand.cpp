#include "moveonviewportcommand.h"

MoveOnViewportCommand::MoveOnViewportCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                                             QUndoCommand *parent)
    : MoveRowCommand(list, oldIndex, newIndex, parent)
{}
