#include "setcommandjsoncommand.h"

#include "command.h"
#include "programlistwidget.h"
#include "rightmenuwidget.h"

SetCommandJsonCommand::SetCommandJsonCommand(ProgramListWidget *list, int row,
                                             const QJsonObject &before, const QJsonObject &after,
                                             QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_list(list)
    , m_row(row)
    , m_before(before)
    , m_after(after)
{}

void SetCommandJsonCommand::redo()
{
    apply(m_after);
}

void SetCommandJsonCommand::undo()
{
    apply(m_before);
}

void SetCommandJsonCommand::apply(const QJsonObject &json)
{
    Command *command = m_list ? m_list->commandAt(m_row) : nullptr;
    if (!command)
        return;
    // The row's observer updates its summary and the list reports the change, which sends the
    // program to the worker again.
    command->setJson(json);
    // The panel writes its controls into the command but does not watch it, so it shows the
    // new values only when it loads the command again.
    RightMenuWidget *panel = RightMenuWidget::instance();
    if (panel->command() == command)
        panel->reload();
}
