#include "conditionwidget.h"

#include "command.h"
#include "counterconditionwidget.h"
#include "emptyconditionwidget.h"
#include "oneconditionwidget.h"
#include "twoconditionswidget.h"

#include <QJsonArray>
#include <QVBoxLayout>

ConditionWidget::ConditionWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    setMinimumHeight(0);
    m_empty = new EmptyConditionWidget(this);
    m_one = new OneConditionWidget(0, this);
    m_two = new TwoConditionsWidget(TwoConditionsWidget::InputMode, this);
    m_counter = new CounterConditionWidget(this);
    m_conditionCounter = new TwoConditionsWidget(TwoConditionsWidget::CounterMode, this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    const QList<RightMenuInputsWidget *> editors{m_empty, m_one, m_two, m_counter,
                                                 m_conditionCounter};
    for (RightMenuInputsWidget *editor : editors) {
        layout->addWidget(editor);
        editor->hide();
        connect(editor, &RightMenuInputsWidget::stateChanged, this,
                &ConditionWidget::changeCommandData);
    }
}

void ConditionWidget::hideAll()
{
    m_empty->hide();
    m_one->hide();
    m_two->hide();
    m_counter->hide();
    m_conditionCounter->hide();
}

void ConditionWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    hideAll();
    const int kind = command ? command->conditionKind() : Command::Always;
    RightMenuInputsWidget *editor = nullptr;
    switch (kind) {
    case Command::Single:
        editor = m_one;
        break;
    case Command::Conditions:
        editor = m_two;
        break;
    case Command::Counter:
        editor = m_counter;
        break;
    case Command::ConditionCounter:
        editor = m_conditionCounter;
        break;
    default:
        m_empty->setCommand(command);
        hide();
        return;
    }
    editor->setCommand(command);
    editor->show();
    show();
}

QJsonObject ConditionWidget::toJson()
{
    switch (command() ? command()->conditionKind() : Command::Always) {
    case Command::Always:
        return {{QStringLiteral("type"), QStringLiteral("always")}};
    case Command::Single:
        return {{QStringLiteral("type"), QStringLiteral("single")},
                {QStringLiteral("data"), QJsonArray{m_one->toJson()}}};
    case Command::Conditions:
        return m_two->toJson();
    case Command::Counter:
        return {{QStringLiteral("type"), QStringLiteral("single")},
                {QStringLiteral("data"), QJsonArray{m_counter->toJson()}}};
    case Command::ConditionCounter:
        return m_conditionCounter->toJson();
    default:
        return {};
    }
}

void ConditionWidget::setCurrentControllerValue(QJsonObject json)
{
    m_one->setCurrentControllerValue(json);
    m_two->setCurrentControllerValue(json);
    m_conditionCounter->setCurrentControllerValue(json);
}
