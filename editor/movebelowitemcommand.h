#pragma once

#include "moverowcommand.h"

// A row dropped below a row.
class MoveBelowItemCommand : public MoveRowCommand
{
public:
    MoveBelowItemCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                         QUndoCommand *parent = nullptr);
};
