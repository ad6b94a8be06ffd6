#pragma once

#include <QPixmap>
#include <QPointer>
#include <QUndoCommand>

class ProgramListWidget;

// Inserts a fresh command row (a tile dropped from the command menu) at the insert index.
class DragDropCommand : public QUndoCommand
{
public:
    DragDropCommand(ProgramListWidget *list, const QString &command, const QPixmap &image,
                    int insertIndex, QUndoCommand *parent = nullptr);
    ~DragDropCommand() override;

    void undo() override;
    void redo() override;

    int insertIndex() const { return m_insertIndex; }

private:
    QPointer<ProgramListWidget> m_list;
    QString m_command;
    QPixmap m_image;
    int m_insertIndex = 0;
    bool m_added = false;
};
