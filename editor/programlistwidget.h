#pragma once

#include "rowdecoration.h"

#include <QJsonObject>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>

#include <functional>

class Command;
class ProgramListItemWidget;
class QUndoStack;

// One program (main program or subprogram) as a list of rows: BEGIN, the commands in execution
// order, END. Structural edits arrive as drop signals that the program area turns into undo
// commands; the list itself only performs the row operations those commands ask for. The
// keyboard edits the same way: Ctrl+Up/Down ask for the moves a drop above or below a row asks
// for, Delete for the deletion a drop on the command menu asks for.
class ProgramListWidget : public QListWidget
{
    Q_OBJECT
public:
    // Drop positions of a moved row, in the order of the move undo commands.
    enum MoveMode
    {
        MoveAbove = 0,
        MoveOn = 1,
        MoveBelow = 2,
        MoveOnViewport = 3
    };

    explicit ProgramListWidget(QWidget *parent = nullptr);
    ~ProgramListWidget() override;

    QUndoStack *undoStack() const { return m_undoStack; }
    bool structureValid() const { return m_structureValid; }

    // Appends BEGIN, END or a copy of the command menu's command of that name; false when the
    // name is unknown and nothing was added.
    bool addRowByName(const QString &name);
    // Appends a row for an existing command; the row takes ownership of it.
    void appendCommandRow(Command *command);
    void checkCycles();
    // -1 unmarks every row; position p marks the row of command p (the END row for p equal to the
    // number of commands). True when a row was marked.
    bool markRunningRow(int position,
                        RowDecoration::Marker marker = RowDecoration::Marker::Running);
    // Sets or clears the breakpoint of the first selected command row; false when none is.
    bool toggleBreakpointOfSelection();
    // Deletes the selected command rows, each as an undo step of this list.
    void deleteSelectedRows();
    // Where a command chosen from the menu goes: after the current row, never before BEGIN nor
    // after END.
    int insertIndexAfterCurrent() const;
    // Opens the condition chooser of the current row, when it carries a command.
    void openConditionChooser();
    bool hasCallTo(int program) const;
    void renumberCalls(int deletedProgram);

    // Row operations for the undo commands.
    void moveRowBefore(int source, int destination);
    QListWidgetItem *takeRow(int row);

    // Groups row operations into one edit: the cycle check runs and programListChanged is emitted
    // once, when the outermost edit ends, with every row in its final place.
    void beginEdit();
    void endEdit();
    // Records a change of rows; reported at once, or when the current edit ends.
    void markChanged();

    Command *commandAt(int row) const;
    // Gives a row's command new fields (and a condition kind, unless it is -1) from an undo step,
    // and says so to whoever shows them.
    void replaceCommandJson(int row, const QJsonObject &json, int conditionKind = -1);
    // Gives the command of a row another condition kind, as one undo step: its conditions become
    // those the kind stands for (see setConditionsForKind).
    void changeConditionKind(int row, int kind);
    // Where a kind's conditions come from: the condition editor's, when there is one. Without
    // it, "always" clears the conditions and every other kind keeps them.
    using ConditionsForKind = std::function<QJsonObject(const Command &command, int kind)>;
    void setConditionsForKind(ConditionsForKind conditions);
    ProgramListItemWidget *rowWidget(int row) const;
    // The command name of a row, "BEGIN"/"END" for the two frame rows.
    QString rowName(int row) const;
    QStringList rowNames() const;
    // The commands of the rows that carry one, in row order.
    QList<Command *> commands() const;

    // Insert index for a tile dropped on row `row` (-1: below every row) of a list of `count` rows.
    static int insertIndexForDrop(int row, int count);
    // Target index of a moved row for a drop indicator position over row `row`.
    static int moveTargetIndex(MoveMode mode, int row, int count);

signals:
    void itemDroped();
    void AddNewWidget(const QString &command, const QPixmap &image);
    void MoveWidget(int oldIndex, int newIndex, int mode);
    void AddDragDropWidget(const QString &command, const QPixmap &image, int insertIndex);
    void removeLastItem();
    void programListChanged();
    // The command the property panel should show; nullptr hides the panel's content.
    void commandSelected(Command *command);
    void commandReplaced(Command *command);

public slots:
    void setSettings(QListWidgetItem *item = nullptr);
    void itemChanged(QListWidgetItem *current, QListWidgetItem *previous);
    void SlotToClickByComboBoxOnItem(ProgramListItemWidget *item);
    void programListItemChanged();
    void RepaintSettings();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void notifyChanged();
    void showCurrentCommand();

    QUndoStack *m_undoStack = nullptr;
    bool m_structureValid = true;
    int m_editDepth = 0;
    bool m_changePending = false;
    // The row markRunningRow marked last.
    QPointer<ProgramListItemWidget> m_markedRow;
    ConditionsForKind m_conditionsForKind;
};
