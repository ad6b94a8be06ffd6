#include "setcommandjsoncommand.h"

#include "programlistwidget.h"

SetCommandJsonCommand::SetCommandJsonCommand(ProgramListWidget *list, int row,
                                             const QJsonObject &before, const QJsonObject &after,
                                             QUndoCommand *parent)
    : SetCommandJsonCommand(list, row, State{before}, State{after}, QString(), parent)
{}

SetCommandJsonCommand::SetCommandJsonCommand(ProgramListWidget *list, int row, const State &before,
                                             const State &after, const QString &field,
                                             QUndoCommand *parent)
    : QUndoCommand(parent)
    , m_list(list)
    , m_row(row)
    , m_before(before)
    , m_after(after)
    , m_field(field)
{}

void SetCommandJsonCommand::redo()
{
    apply(m_after);
}

void SetCommandJsonCommand::undo()
{
    apply(m_before);
}

int SetCommandJsonCommand::id() const
{
    return m_field.isEmpty() ? -1 : kFieldEditId;
}

bool SetCommandJsonCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = dynamic_cast<const SetCommandJsonCommand *>(other);
    if (!next || next->m_list != m_list || next->m_row != m_row || next->m_field != m_field ||
        next->m_before.conditionKind != m_after.conditionKind)
        return false;
    m_after = next->m_after;
    // Dragged back to where it started: no step at all.
    setObsolete(m_after.json == m_before.json && m_after.conditionKind == m_before.conditionKind);
    return true;
}

void SetCommandJsonCommand::apply(const State &state)
{
    if (m_list)
        m_list->replaceCommandJson(m_row, state.json, state.conditionKind);
}
