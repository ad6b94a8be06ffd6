#include "pausewidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "sliderwithbuttons.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

PauseWidget::PauseWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_hour = new SliderWithButtons(0, 24, 1, 10, this);
    m_minute = new SliderWithButtons(0, 59, 1, 10, this);
    m_second = new SliderWithButtons(0, 60, 1, 10, this);
    m_second->setDecimal(true);

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(1, 1);
    const QList<QPair<QString, SliderWithButtons *>> rows{
        {QStringLiteral("TimerHour"), m_hour},
        {QStringLiteral("TimerMinute"), m_minute},
        {QStringLiteral("TimerSecond"), m_second},
    };
    for (int i = 0; i < rows.size(); ++i) {
        grid->addWidget(PropertyControls::caption(rows.at(i).first, this), i, 0);
        grid->addWidget(rows.at(i).second, i, 1);
        rows.at(i).second->setAccessibleLabel(AccessibleText::text(rows.at(i).first));
        connect(rows.at(i).second, &SliderWithButtons::changedData, this,
                &PauseWidget::changeCommandData);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PropertyControls::caption(QStringLiteral("TimerPause"), this));
    layout->addSpacing(AppContext::instance().dimension(QStringLiteral("PropertyTextGap"), 10));
    layout->addLayout(grid);
}

void PauseWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    const QJsonObject action = command->json().value(QStringLiteral("action")).toObject();
    m_hour->setLineInput(PropertyValues::readInt(action.value(QStringLiteral("hour"))));
    m_minute->setLineInput(PropertyValues::readInt(action.value(QStringLiteral("minute"))));
    // Shown in tenths, rounded to the nearest one.
    m_second->setUnits(PropertyValues::readNumber(action.value(QStringLiteral("second"))));
}

QJsonObject PauseWidget::toJson()
{
    return {{QStringLiteral("hour"), m_hour->valueText()},
            {QStringLiteral("minute"), m_minute->valueText()},
            {QStringLiteral("second"), m_second->valueText()}};
}
