#include "setcommandjsoncommand.h"

#include "programlistwidget.h"

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
    if (m_list)
        m_list->replaceCommandJson(m_row, json);
}
