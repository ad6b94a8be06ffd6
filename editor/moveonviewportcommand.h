#pragma once

#include "moverowcommand.h"

// A row dropped on the empty area under the rows.
class MoveOnViewportCommand : public MoveRowCommand
{
public:
    MoveOnViewportCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                          QUndoCommand *parent = nullptr);
};
