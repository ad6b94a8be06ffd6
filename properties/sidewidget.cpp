#include "sidewidget.h"

#include "appcontext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "togglediconlabel.h"

#include <QHBoxLayout>
#include <QLabel>

SideWidget::SideWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_anticlockwise = PropertyControls::toggle(QStringLiteral("prop_anticlock"),
                                               QStringLiteral("PropertySideWidth"),
                                               QStringLiteral("PropertySideHeight"), 10, QString(),
                                               QStringLiteral("PropertyAnticlockwiseHint"), this);
    m_clockwise =
        PropertyControls::toggle(QStringLiteral("prop_clock"), QStringLiteral("PropertySideWidth"),
                                 QStringLiteral("PropertySideHeight"), 10, QString(),
                                 QStringLiteral("PropertyClockwiseHint"), this);
    m_anticlockwise->groupWith(m_clockwise);
    m_anticlockwise->setSelected();

    QLabel *label = PropertyControls::caption(QStringLiteral("PropertySide"), this);
    label->setAlignment(Qt::AlignCenter);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addSpacing(AppContext::instance().dimension(QStringLiteral("GlobalSpacing"), 40));
    layout->addWidget(m_anticlockwise);
    layout->addWidget(label, 1);
    layout->addWidget(m_clockwise);

    connect(m_anticlockwise, &ToggledIconLabel::selected, this, &SideWidget::changeCommandData);
    connect(m_clockwise, &ToggledIconLabel::selected, this, &SideWidget::changeCommandData);
}

void SideWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    // Any non-zero side, as text or number, turns anticlockwise - the meaning the compiler
    // gives it and the form the controller's read-back and the built-in default use.
    const int side = PropertyValues::readInt(
        command->json().value(QStringLiteral("action")).toObject().value(QStringLiteral("side")));
    if (side != 0)
        m_anticlockwise->setSelected();
    else
        m_clockwise->setSelected();
}

QJsonObject SideWidget::toJson()
{
    return {{QStringLiteral("side"),
             m_anticlockwise->isSelected() ? QStringLiteral("1") : QStringLiteral("0")}};
}
