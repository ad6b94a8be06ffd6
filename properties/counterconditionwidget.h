#pragma once

#include "rightmenuinputswidget.h"

#include <QJsonObject>

class SliderWithButtons;

// A counter condition: how many times the command's condition has to come round.
class CounterConditionWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit CounterConditionWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    SliderWithButtons *countSlider() const { return m_count; }

private:
    SliderWithButtons *m_count = nullptr;
};
