#pragma once

#include "rightmenuinputswidget.h"

#include <QJsonObject>

class CounterConditionWidget;
class OneConditionWidget;
class ToggledIconLabel;

// Two conditions joined by AND or OR: two input conditions, or (counter mode) an input condition
// followed by a counter condition.
class TwoConditionsWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    enum Mode
    {
        InputMode = 0,
        CounterMode = 1
    };

    explicit TwoConditionsWidget(Mode mode, QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    Mode mode() const { return m_mode; }
    ToggledIconLabel *andToggle() const { return m_and; }
    ToggledIconLabel *orToggle() const { return m_or; }
    OneConditionWidget *firstCondition() const { return m_first; }
    OneConditionWidget *secondCondition() const { return m_second; }
    CounterConditionWidget *counterCondition() const { return m_counter; }

public slots:
    void setCurrentControllerValue(QJsonObject json);

private:
    Mode m_mode;
    ToggledIconLabel *m_and = nullptr;
    ToggledIconLabel *m_or = nullptr;
    OneConditionWidget *m_first = nullptr;
    OneConditionWidget *m_second = nullptr;
    CounterConditionWidget *m_counter = nullptr;
};
