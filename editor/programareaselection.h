#pragma once

#include "programselection.h"

#include <QPointer>

class CentralWidget;

// The program area's side of the selection seam: it follows the area's lists and tabs and turns
// an edit into an undo step of the list shown.
class ProgramAreaSelection final : public ProgramSelection
{
    Q_OBJECT
public:
    explicit ProgramAreaSelection(CentralWidget *area);

    Command *selectedCommand() const override;
    bool selectedPosition(int *program, int *index) const override;
    int subprogramCount() const override;
    bool applyEdit(const QJsonObject &fields, const QString &field = {}) override;
    void setConditionsForKind(ConditionsForKind conditions) override;

private:
    QPointer<CentralWidget> m_area;
};
