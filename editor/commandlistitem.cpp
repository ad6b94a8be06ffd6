#include "commandlistitem.h"

#include "command.h"
#include "programlistitemwidget.h"

CommandListItem::CommandListItem(Command *command, QListWidget *list)
    : QListWidgetItem(list, Type)
    , m_command(command)
{}

CommandListItem::~CommandListItem()
{
    // The row widget may outlive the item for a moment (the view deletes it later); it must not
    // observe a command that is gone.
    if (m_rowWidget && m_rowWidget->command() == m_command.get())
        m_rowWidget->detachFromCommand();
}

Command *CommandListItem::takeCommand()
{
    if (m_rowWidget && m_rowWidget->command() == m_command.get())
        m_rowWidget->detachFromCommand();
    return m_command.release();
}

void CommandListItem::setRowWidget(ProgramListItemWidget *widget)
{
    m_rowWidget = widget;
}
