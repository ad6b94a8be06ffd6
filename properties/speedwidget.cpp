#include "speedwidget.h"

#include "accessibletext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "sliderwithbuttons.h"

#include <QLabel>
#include <QVBoxLayout>

SpeedWidget::SpeedWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PropertyControls::caption(QStringLiteral("PropertySpeed"), this));
    m_slider = new SliderWithButtons(0, 100, 1, 50, this);
    m_slider->setAccessibleLabel(AccessibleText::text(QStringLiteral("PropertySpeed")));
    layout->addWidget(m_slider);
    connect(m_slider, &SliderWithButtons::changedData, this, &SpeedWidget::changeCommandData);
}

void SpeedWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    m_slider->setLineInput(PropertyValues::readInt(
        command->json().value(QStringLiteral("action")).toObject().value(QStringLiteral("speed"))));
}

QJsonObject SpeedWidget::toJson()
{
    return {{QStringLiteral("speed"), m_slider->valueText()}};
}
