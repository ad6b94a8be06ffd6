#pragma once

#include "rightmenuinputswidget.h"

#include <QJsonObject>

class AnalogConditionWidget;
class DigitConditionWidget;
class PinComboBoxModel;
class QLabel;
class RightMenuComboBox;

// One condition on an input pin: the pin choice decides whether the digital or the analog
// editor is shown.
class OneConditionWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit OneConditionWidget(int conditionIndex, QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    RightMenuComboBox *pinComboBox() const { return m_pins; }
    PinComboBoxModel *pinModel() const { return m_model; }
    DigitConditionWidget *digitWidget() const { return m_digit; }
    AnalogConditionWidget *analogWidget() const { return m_analog; }

public slots:
    void selectWidget();
    void setCurrentControllerValue(QJsonObject json);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_conditionIndex;
    QLabel *m_caption = nullptr;
    RightMenuComboBox *m_pins = nullptr;
    PinComboBoxModel *m_model = nullptr;
    DigitConditionWidget *m_digit = nullptr;
    AnalogConditionWidget *m_analog = nullptr;
    QJsonObject m_loadedCondition;
};
