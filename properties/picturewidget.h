#pragma once

#include "rightmenuinputswidget.h"

#include <QList>

class CheckableRoundLabel;

// The 8 x 8 LED picture: cell i is row i / 8, column i % 8, from the top left.
class PictureWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    static constexpr int CellCount = 64;

    explicit PictureWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    CheckableRoundLabel *cell(int index) const { return m_cells.value(index); }

private:
    QList<CheckableRoundLabel *> m_cells;
};
