#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QUndoCommand>

class ProgramListWidget;

// Gives the command of one row new JSON, and back. A row is named by its index: the list's own
// undo history puts the rows back where they were before this step is undone or redone.
//
// An edit of one field (a speed, a threshold) names it: the next edit of the same field of the
// same row merges into this step, so that a slider dragged or "+" held is taken back at once.
// A change of the condition kind carries the kinds as well, since the kind is no part of the
// JSON.
class SetCommandJsonCommand : public QUndoCommand
{
public:
    // What a row's command holds: its JSON and its condition kind (-1: leave the kind alone).
    struct State
    {
        QJsonObject json;
        int conditionKind = -1;
    };

    SetCommandJsonCommand(ProgramListWidget *list, int row, const QJsonObject &before,
                          const QJsonObject &after, QUndoCommand *parent = nullptr);
    SetCommandJsonCommand(ProgramListWidget *list, int row, const State &before, const State &after,
                          const QString &field = {}, QUndoCommand *parent = nullptr);

    void undo() override;
    void redo() override;
    // One id for every edit that names its field; mergeWith tells the fields apart.
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

    const QString &field() const { return m_field; }

    static constexpr int kFieldEditId = 0x7a51;

private:
    void apply(const State &state);

    QPointer<ProgramListWidget> m_list;
    int m_row = 0;
    State m_before;
    State m_after;
    QString m_field;
};
