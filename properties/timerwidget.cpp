#include "timerwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "sliderwithbuttons.h"
#include "togglediconlabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TimerWidget::TimerWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_slider = new SliderWithButtons(0, 100, 1, 10, this);
    m_slider->setDecimal(true);

    m_toggle = PropertyControls::toggle(
        QStringLiteral("prop_timer"), QStringLiteral("PropertyTimerWidth"),
        QStringLiteral("PropertyTimerHeight"), 14, QString(), QStringLiteral("TimerHint"), this);
    m_toggle->setDeselectable(true);
    AccessibleText::set(m_toggle, QStringLiteral("PropertyTimerLabel"),
                        QStringLiteral("TimerHint"));

    const int spacing = AppContext::instance().dimension(QStringLiteral("GlobalSpacing"), 40);
    auto *row = new QHBoxLayout;
    row->addSpacing(spacing);
    row->addWidget(PropertyControls::caption(QStringLiteral("PropertyTimerLabel"), this), 1);
    row->addWidget(m_toggle);
    row->addSpacing(spacing);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PropertyControls::caption(QStringLiteral("PropertyTimerText"), this));
    layout->addWidget(m_slider);
    layout->addLayout(row);

    connect(m_slider, &SliderWithButtons::changedData, this, &TimerWidget::changeCommandData);
    connect(m_toggle, &ToggledIconLabel::selected, this, &TimerWidget::showTimeInUse);
    connect(m_toggle, &ToggledIconLabel::selected, this, &TimerWidget::changeCommandData);
    showTimeInUse();
}

void TimerWidget::showTimeInUse()
{
    // A time that does nothing is not offered: a motor's counts only while the toggle is on. The
    // servos take their time to turn, timed or not.
    const bool inUse = m_toggle->isSelected() || m_timeAlwaysUsed;
    const QString reason = inUse ? QString() : AccessibleText::text(QStringLiteral("TimerOffHint"));
    m_slider->setEnabled(inUse);
    m_slider->setToolTip(reason);
    m_slider->setAccessibleLabel(AccessibleText::text(QStringLiteral("PropertyTimerText")), reason);
}

void TimerWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    m_timeAlwaysUsed = command->name() == QLatin1String("mServowork");
    const QJsonObject action = command->json().value(QStringLiteral("action")).toObject();
    if (PropertyValues::readInt(action.value(QStringLiteral("timer"))) != 0)
        m_toggle->setSelected();
    else
        m_toggle->setUnselected();
    showTimeInUse();
    // Shown in tenths, rounded to the nearest one.
    m_slider->setUnits(PropertyValues::readNumber(action.value(QStringLiteral("time"))));
}

QJsonObject TimerWidget::toJson()
{
    return {{QStringLiteral("timer"),
             m_toggle->isSelected() ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("time"), m_slider->valueText()}};
}
