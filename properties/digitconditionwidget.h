#pragma once

#include "rightmenuinputswidget.h"

#include <QJsonObject>

class QLineEdit;
class ToggledIconLabel;

// Level of a digital input: pressed or not pressed, with the input's present state beside it.
class DigitConditionWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit DigitConditionWidget(int conditionIndex, QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    void setInputNumber(int number) { m_inputNumber = number; }
    int inputNumber() const { return m_inputNumber; }

    ToggledIconLabel *pressedToggle() const { return m_pressed; }
    ToggledIconLabel *unpressedToggle() const { return m_unpressed; }
    QLineEdit *liveValue() const { return m_liveValue; }

public slots:
    void setCurrentControllerValue(QJsonObject json);

private:
    int m_conditionIndex;
    int m_inputNumber = -1;
    ToggledIconLabel *m_pressed = nullptr;
    ToggledIconLabel *m_unpressed = nullptr;
    QLineEdit *m_liveValue = nullptr;
};
