#include "deletedqlistitemwidgetcommand.h"

#include "command.h"
#include "commandlistitem.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"

DeletedQListItemWidgetCommand::DeletedQListItemWidgetCommand(ProgramListWidget *list, int row,
                                                             Command *command,
                                                             ProgramListItemWidget *widget,
                                                             QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_list(list)
    , m_row(row)
    , m_command(command)
    , m_widget(widget)
{}

DeletedQListItemWidgetCommand::~DeletedQListItemWidgetCommand() = default;

void DeletedQListItemWidgetCommand::redo()
{
    if (!m_list || m_list->commandAt(m_row) != m_command)
        return;
    m_list->beginEdit();
    // The row widget in place now may be a newer one than at construction (after an undo).
    m_widget = m_list->rowWidget(m_row);
    m_takenItem.reset(m_list->takeRow(m_row));
    if (m_widget)
        m_widget->detachFromCommand();
    m_list->markChanged();
    m_list->endEdit();
}

void DeletedQListItemWidgetCommand::undo()
{
    if (!m_list || !m_takenItem)
        return;
    auto *taken = static_cast<CommandListItem *>(m_takenItem.get());
    Command *command = taken->takeCommand();
    m_takenItem.reset();
    if (!command)
        return;
    m_list->beginEdit();
    m_list->appendCommandRow(command);
    if (m_list->count() > 1)
        m_list->moveRowBefore(m_list->count() - 1, m_row);
    m_list->markChanged();
    m_list->endEdit();
}
