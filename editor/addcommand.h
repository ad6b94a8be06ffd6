#pragma once

#include <QPixmap>
#include <QPointer>
#include <QUndoCommand>

class ProgramListWidget;

// Appends a command row at the end of a list.
class AddCommand : public QUndoCommand
{
public:
    AddCommand(ProgramListWidget *list, const QString &command, const QPixmap &image,
               QUndoCommand *parent = nullptr);
    ~AddCommand() override;

    void undo() override;
    void redo() override;

    int addedRow() const { return m_row; }

private:
    QPointer<ProgramListWidget> m_list;
    QString m_command;
    QPixmap m_image;
    int m_row = -1;
};
