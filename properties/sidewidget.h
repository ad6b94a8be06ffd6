#pragma once

#include "rightmenuinputswidget.h"

class ToggledIconLabel;

// Turning direction of a single motor: anticlockwise ("side" non-zero) or clockwise.
class SideWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit SideWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    ToggledIconLabel *anticlockwiseToggle() const { return m_anticlockwise; }
    ToggledIconLabel *clockwiseToggle() const { return m_clockwise; }

private:
    ToggledIconLabel *m_anticlockwise = nullptr;
    ToggledIconLabel *m_clockwise = nullptr;
};
