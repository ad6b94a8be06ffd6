#pragma once

#include "rightmenuinputswidget.h"

class SliderWithButtons;

// How long a pause lasts: hours, minutes and seconds (to a tenth).
class PauseWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit PauseWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    SliderWithButtons *hourSlider() const { return m_hour; }
    SliderWithButtons *minuteSlider() const { return m_minute; }
    SliderWithButtons *secondSlider() const { return m_second; }

private:
    SliderWithButtons *m_hour = nullptr;
    SliderWithButtons *m_minute = nullptr;
    SliderWithButtons *m_second = nullptr;
};
