#pragma once

#include "rightmenuinputswidget.h"

class SliderWithButtons;
class ToggledIconLabel;

// A timed run: when switched on, the command runs for the given seconds and then stops.
class TimerWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit TimerWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    SliderWithButtons *slider() const { return m_slider; }
    ToggledIconLabel *toggle() const { return m_toggle; }

private:
    void showTimeInUse();

    SliderWithButtons *m_slider = nullptr;
    ToggledIconLabel *m_toggle = nullptr;
    bool m_timeAlwaysUsed = false;
};
