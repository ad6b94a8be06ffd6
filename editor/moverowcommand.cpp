#include "moverowcommand.h"

#include "programlistwidget.h"

MoveRowCommand::MoveRowCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                               QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_list(list)
    , m_oldIndex(oldIndex)
    , m_newIndex(newIndex)
{}

MoveRowCommand::~MoveRowCommand() = default;

void MoveRowCommand::redo()
{
    move(m_oldIndex, m_newIndex);
}

void MoveRowCommand::undo()
{
    // Moving s before d lands at d - 1 when d > s and at d when d < s; go back accordingly.
    if (m_oldIndex < m_newIndex)
        move(m_newIndex - 1, m_oldIndex);
    else
        move(m_newIndex, m_oldIndex + 1);
}

void MoveRowCommand::move(int source, int destination)
{
    if (!m_list)
        return;
    m_list->beginEdit();
    m_list->moveRowBefore(source, destination);
    m_list->markChanged();
    m_list->endEdit();
}
