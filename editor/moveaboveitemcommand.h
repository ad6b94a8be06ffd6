#pragma once

#include "moverowcommand.h"

// A row dropped above a row.
class MoveAboveItemCommand : public MoveRowCommand
{
public:
    MoveAboveItemCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                         QUndoCommand *parent = nullptr);
};
