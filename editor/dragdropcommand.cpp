#include "dragdropcommand.h"

#include "programlistwidget.h"

DragDropCommand::DragDropCommand(ProgramListWidget *list, const QString &command,
                                 const QPixmap &image, int insertIndex, QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_list(list)
    , m_command(command)
    , m_image(image)
    , m_insertIndex(insertIndex)
{}

DragDropCommand::~DragDropCommand() = default;

void DragDropCommand::redo()
{
    if (!m_list)
        return;
    m_list->beginEdit();
    m_added = m_list->addRowByName(m_command);
    if (m_added && m_list->count() > 1)
        m_list->moveRowBefore(m_list->count() - 1, m_insertIndex);
    m_list->markChanged();
    m_list->endEdit();
}

void DragDropCommand::undo()
{
    if (!m_list)
        return;
    m_list->beginEdit();
    if (m_added)
        delete m_list->takeRow(m_insertIndex);
    m_added = false;
    m_list->markChanged();
    m_list->endEdit();
}
