#include "brakewidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "togglediconlabel.h"

#include <QHBoxLayout>
#include <QLabel>

BrakeWidget::BrakeWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_toggle =
        PropertyControls::toggle(QStringLiteral("prop_brake"), QStringLiteral("PropertyBrakeWidth"),
                                 QStringLiteral("PropertyBrakeHeight"), 50, QString(),
                                 QStringLiteral("PropertyBrakeHint"), this);
    m_toggle->setDeselectable(true);
    AccessibleText::set(m_toggle, QStringLiteral("PropertyBrakeLabel"),
                        QStringLiteral("PropertyBrakeHint"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PropertyControls::caption(QStringLiteral("PropertyBrakeLabel"), this), 1);
    layout->addWidget(m_toggle);
    layout->addSpacing(AppContext::instance().dimension(QStringLiteral("GlobalSpacing"), 40));

    connect(m_toggle, &ToggledIconLabel::selected, this, &BrakeWidget::changeCommandData);
}

void BrakeWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    if (PropertyValues::readInt(command->json()
                                    .value(QStringLiteral("action"))
                                    .toObject()
                                    .value(QStringLiteral("brake"))) != 0)
        m_toggle->setSelected();
    else
        m_toggle->setUnselected();
}

QJsonObject BrakeWidget::toJson()
{
    return {{QStringLiteral("brake"),
             m_toggle->isSelected() ? QStringLiteral("1") : QStringLiteral("0")}};
}
