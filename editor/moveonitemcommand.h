#pragma once

#include "moverowcommand.h"

// A row dropped on a row.
class MoveOnItemCommand : public MoveRowCommand
{
public:
    MoveOnItemCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                      QUndoCommand *parent = nullptr);
};
