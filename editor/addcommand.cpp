#include "addcommand.h"

#include "programlistwidget.h"

AddCommand::AddCommand(ProgramListWidget *list, const QString &command, const QPixmap &image,
                       QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_list(list)
    , m_command(command)
    , m_image(image)
{}

AddCommand::~AddCommand() = default;

void AddCommand::redo()
{
    if (!m_list)
        return;
    m_list->beginEdit();
    m_row = m_list->addRowByName(m_command) ? m_list->count() - 1 : -1;
    m_list->markChanged();
    m_list->endEdit();
}

void AddCommand::undo()
{
    if (!m_list)
        return;
    m_list->beginEdit();
    if (m_row >= 0)
        delete m_list->takeRow(m_row);
    m_list->markChanged();
    m_list->endEdit();
}
