#pragma once

#include "rightmenuinputswidget.h"

#include <QJsonObject>

class CounterConditionWidget;
class EmptyConditionWidget;
class OneConditionWidget;
class TwoConditionsWidget;

// Top of the property panel: the editor for the command's condition kind.
class ConditionWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit ConditionWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;
    void hideAll();

    EmptyConditionWidget *emptyWidget() const { return m_empty; }
    OneConditionWidget *oneConditionWidget() const { return m_one; }
    TwoConditionsWidget *twoConditionsWidget() const { return m_two; }
    CounterConditionWidget *counterWidget() const { return m_counter; }
    TwoConditionsWidget *conditionCounterWidget() const { return m_conditionCounter; }

public slots:
    // The live input values of the controller state report.
    void setCurrentControllerValue(QJsonObject json);

private:
    EmptyConditionWidget *m_empty = nullptr;
    OneConditionWidget *m_one = nullptr;
    TwoConditionsWidget *m_two = nullptr;
    CounterConditionWidget *m_counter = nullptr;
    TwoConditionsWidget *m_conditionCounter = nullptr;
};
