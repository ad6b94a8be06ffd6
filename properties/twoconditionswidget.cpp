#include "twoconditionswidget.h"

#include "command.h"
#include "counterconditionwidget.h"
#include "oneconditionwidget.h"
#include "propertycontrols.h"
#include "togglediconlabel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QVBoxLayout>

TwoConditionsWidget::TwoConditionsWidget(Mode mode, QWidget *parent)
    : RightMenuInputsWidget(parent)
    , m_mode(mode)
{
    setMinimumHeight(0);
    m_first = new OneConditionWidget(0, this);
    m_and = PropertyControls::toggle(
        QStringLiteral("andorbutton"), QStringLiteral("PropertyAndOrWidth"),
        QStringLiteral("PropertyAndOrHeight"), 40, QStringLiteral("PropertyAND"),
        QStringLiteral("PropertyANDHint"), this);
    m_or = PropertyControls::toggle(
        QStringLiteral("andorbutton"), QStringLiteral("PropertyAndOrWidth"),
        QStringLiteral("PropertyAndOrHeight"), 40, QStringLiteral("PropertyOR"),
        QStringLiteral("PropertyORHint"), this);
    m_and->groupWith(m_or);
    m_and->setSelected();

    auto *joinRow = new QHBoxLayout;
    joinRow->setContentsMargins(0, 8, 0, 8);
    joinRow->addStretch(1);
    joinRow->addWidget(m_and);
    joinRow->addSpacing(20);
    joinRow->addWidget(m_or);
    joinRow->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_first);
    layout->addLayout(joinRow);
    if (m_mode == CounterMode) {
        m_counter = new CounterConditionWidget(this);
        layout->addWidget(m_counter);
        connect(m_counter, &RightMenuInputsWidget::stateChanged, this,
                &TwoConditionsWidget::changeCommandData);
    } else {
        m_second = new OneConditionWidget(1, this);
        layout->addWidget(m_second);
        connect(m_second, &RightMenuInputsWidget::stateChanged, this,
                &TwoConditionsWidget::changeCommandData);
    }
    connect(m_first, &RightMenuInputsWidget::stateChanged, this,
            &TwoConditionsWidget::changeCommandData);
    connect(m_and, &ToggledIconLabel::selected, this, &TwoConditionsWidget::changeCommandData);
    connect(m_or, &ToggledIconLabel::selected, this, &TwoConditionsWidget::changeCommandData);
}

void TwoConditionsWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    const QString type = command ? command->json()
                                       .value(QStringLiteral("conditions"))
                                       .toObject()
                                       .value(QStringLiteral("type"))
                                       .toString()
                                 : QString();
    if (type == QLatin1String("and"))
        m_and->setSelected();
    else
        m_or->setSelected();
    m_first->setCommand(command);
    if (m_counter)
        m_counter->setCommand(command);
    else
        m_second->setCommand(command);
}

QJsonObject TwoConditionsWidget::toJson()
{
    const QJsonObject second = m_counter ? m_counter->toJson() : m_second->toJson();
    return {{QStringLiteral("type"),
             m_and->isSelected() ? QStringLiteral("and") : QStringLiteral("or")},
            {QStringLiteral("data"), QJsonArray{m_first->toJson(), second}}};
}

void TwoConditionsWidget::setCurrentControllerValue(QJsonObject json)
{
    m_first->setCurrentControllerValue(json);
    if (m_second)
        m_second->setCurrentControllerValue(json);
}
