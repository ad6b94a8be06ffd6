#pragma once

#include <QPointer>
#include <QUndoCommand>

class ProgramListWidget;

// Moves one row of a list before another row. The four drop positions that produce a move share
// this arithmetic and differ only in their class.
class MoveRowCommand : public QUndoCommand
{
public:
    MoveRowCommand(ProgramListWidget *list, int oldIndex, int newIndex,
                   QUndoCommand *parent = nullptr);
    ~MoveRowCommand() override;

    void undo() override;
    void redo() override;

    int oldIndex() const { return m_oldIndex; }
    int newIndex() const { return m_newIndex; }

private:
    void move(int source, int destination);

    QPointer<ProgramListWidget> m_list;
    int m_oldIndex = 0;
    int m_newIndex = 0;
};
