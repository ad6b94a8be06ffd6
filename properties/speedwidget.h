#pragma once

#include "rightmenuinputswidget.h"

class SliderWithButtons;

// Motor speed of drive and single-motor commands.
class SpeedWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit SpeedWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    SliderWithButtons *slider() const { return m_slider; }

private:
    SliderWithButtons *m_slider = nullptr;
};
