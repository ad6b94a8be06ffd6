#include "programareaselection.h"

#include "centralwidget.h"
#include "command.h"
#include "programlistwidget.h"
#include "setcommandjsoncommand.h"

#include <QStackedWidget>
#include <QUndoStack>

ProgramAreaSelection::ProgramAreaSelection(CentralWidget *area)
    : ProgramSelection(area)
    , m_area(area)
{
    connect(area, &CentralWidget::commandSelected, this, &ProgramSelection::selectionChanged);
    // Queued: when the area shows another program (a tab chosen, a subprogram deleted) its lists
    // have settled by the time the new selection is read.
    connect(
        area->pages(), &QStackedWidget::currentChanged, this,
        [this] { emit selectionChanged(selectedCommand()); }, Qt::QueuedConnection);
    connect(area, &CentralWidget::programChanged, this, &ProgramSelection::programChanged);
    connect(area, &CentralWidget::commandReplaced, this, &ProgramSelection::commandReplaced);
}

Command *ProgramAreaSelection::selectedCommand() const
{
    return m_area ? m_area->currentCommand() : nullptr;
}

bool ProgramAreaSelection::selectedPosition(int *program, int *index) const
{
    ProgramListWidget *list = m_area ? m_area->currentList() : nullptr;
    if (!list)
        return false;
    const QList<QListWidgetItem *> selected = list->selectedItems();
    if (selected.isEmpty())
        return false;
    const int row = list->row(selected.first());
    if (!list->commandAt(row))
        return false;
    *program = int(m_area->lists().indexOf(list));
    // Row 0 is BEGIN, so a command's index in its program is one less than its row.
    *index = row - 1;
    return true;
}

int ProgramAreaSelection::subprogramCount() const
{
    return m_area ? int(m_area->lists().size()) - 1 : 0;
}

bool ProgramAreaSelection::applyEdit(const QJsonObject &fields, const QString &field)
{
    ProgramListWidget *list = m_area ? m_area->currentList() : nullptr;
    const int row = list ? list->currentRow() : -1;
    const Command *command = list ? list->commandAt(row) : nullptr;
    if (!command || command->json() == fields)
        return false;
    // The same step as any edit of the row: undone with Ctrl+Z, and the list's change sends the
    // program to the worker again.
    list->undoStack()->push(
        new SetCommandJsonCommand(list, row, {command->json()}, {fields}, field));
    return true;
}

void ProgramAreaSelection::setConditionsForKind(ConditionsForKind conditions)
{
    if (m_area)
        m_area->setConditionsForKind(std::move(conditions));
}
