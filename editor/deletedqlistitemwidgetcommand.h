#pragma once

#include <QPointer>
#include <QUndoCommand>

#include <memory>

class Command;
class ProgramListItemWidget;
class ProgramListWidget;
class QListWidgetItem;

// Removes a command row. The taken row keeps its Command, so undo brings back the very same
// command with every setting made on it.
class DeletedQListItemWidgetCommand : public QUndoCommand
{
public:
    DeletedQListItemWidgetCommand(ProgramListWidget *list, int row, Command *command,
                                  ProgramListItemWidget *widget, QUndoCommand *parent = nullptr);
    ~DeletedQListItemWidgetCommand() override;

    void undo() override;
    void redo() override;

    int row() const { return m_row; }
    Command *command() const { return m_command; }

private:
    QPointer<ProgramListWidget> m_list;
    int m_row = 0;
    Command *m_command = nullptr;
    QPointer<ProgramListItemWidget> m_widget;
    std::unique_ptr<QListWidgetItem> m_takenItem;
};
