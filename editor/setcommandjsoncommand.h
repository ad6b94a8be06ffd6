#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QUndoCommand>

class ProgramListWidget;

// Gives the command of one row new JSON, and back. A row is named by its index: the list's own
// undo history puts the rows back where they were before this step is undone or redone.
class SetCommandJsonCommand : public QUndoCommand
{
public:
    SetCommandJsonCommand(ProgramListWidget *list, int row, const QJsonObject &before,
                          const QJsonObject &after, QUndoCommand *parent = nullptr);

    void undo() override;
    void redo() override;

private:
    void apply(const QJsonObject &json);

    QPointer<ProgramListWidget> m_list;
    int m_row = 0;
    QJsonObject m_before;
    QJsonObject m_after;
};
