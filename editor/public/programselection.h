#pragma once

#include <QJsonObject>
#include <QObject>

#include <functional>

class Command;

// What the rooms beside the program area may know of it: the command the user has selected,
// where it stands, how many subprograms there are, and one way to change that command which the
// user can undo. The program area implements it; the main window hands it to the rooms, so that
// they need no other part of the editor.
class ProgramSelection : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The command of the selected row of the program shown; nullptr when no command row is.
    virtual Command *selectedCommand() const = 0;
    // Where the first selected command stands: the program shown (0 the main program, k
    // subprogram k) and the command's index in it. False when no command row is selected.
    virtual bool selectedPosition(int *program, int *index) const = 0;
    virtual int subprogramCount() const = 0;
    // Gives the selected command these fields as one step on its program's undo stack. False
    // when no command is selected or the fields are already the command's. An edit that names
    // the field it changes merges with the edit before it when that changed the same field of the
    // same command: a slider dragged is one step.
    virtual bool applyEdit(const QJsonObject &fields, const QString &field = {}) = 0;
    // The conditions a command gets when the user gives it another condition kind in its row:
    // what the condition editor shows for that kind.
    using ConditionsForKind = std::function<QJsonObject(const Command &command, int kind)>;
    virtual void setConditionsForKind(ConditionsForKind conditions) = 0;

signals:
    // Another row was selected or another program shown; `command` is the one selected now.
    void selectionChanged(Command *command);
    // Any edit of the programs: rows added, moved or deleted, or a command's fields.
    void programChanged();
    // An undo or redo step replaced the fields of this command: whoever shows them reads them
    // again.
    void commandReplaced(Command *command);
};
