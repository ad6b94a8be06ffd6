#include "counterconditionwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "sliderwithbuttons.h"

#include <QJsonArray>
#include <QLabel>
#include <QVBoxLayout>

CounterConditionWidget::CounterConditionWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    setMinimumHeight(0);
    AppContext &context = AppContext::instance();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, context.dimension(QStringLiteral("CyclesUpSpacing"), 50), 0, 0);
    layout->setSpacing(context.dimension(QStringLiteral("GlobalSpacing"), 40));
    layout->addWidget(PropertyControls::caption(QStringLiteral("PropertyCycles"), this));
    m_count = new SliderWithButtons(0, 100, 1, 50, this);
    m_count->setAccessibleLabel(AccessibleText::text(QStringLiteral("PropertyCycles")));
    layout->addWidget(m_count);
    connect(m_count, &SliderWithButtons::changedData, this,
            &CounterConditionWidget::changeCommandData);
}

void CounterConditionWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    m_count->setLineInput(0);
    if (!command)
        return;
    const QJsonValue data = command->json()
                                .value(QStringLiteral("conditions"))
                                .toObject()
                                .value(QStringLiteral("data"));
    const auto isCounter = [](const QJsonObject &condition) {
        return condition.value(QStringLiteral("equation")).toString() == QLatin1String("counter");
    };
    if (data.isObject() && isCounter(data.toObject())) {
        m_count->setUnits(PropertyValues::readNumber(data.toObject().value("level")));
        return;
    }
    const QJsonArray conditions = data.toArray();
    for (const QJsonValue &value : conditions) {
        if (isCounter(value.toObject())) {
            m_count->setLineInput(PropertyValues::readInt(value.toObject().value("level")));
            return;
        }
    }
}

QJsonObject CounterConditionWidget::toJson()
{
    return {{QStringLiteral("equation"), QStringLiteral("counter")},
            {QStringLiteral("level"), m_count->valueText()}};
}
