#pragma once

#include "rightmenuinputswidget.h"

class ToggledIconLabel;

// Whether a motor stops with the brake.
class BrakeWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit BrakeWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    ToggledIconLabel *toggle() const { return m_toggle; }

private:
    ToggledIconLabel *m_toggle = nullptr;
};
