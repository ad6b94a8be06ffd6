#include "rightmenuinputswidget.h"

RightMenuInputsWidget::RightMenuInputsWidget(QWidget *parent)
    : QFrame(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(120);
}

void RightMenuInputsWidget::setCommand(Command *command)
{
    m_command = command;
    m_emitEnabled = true;
}

void RightMenuInputsWidget::changeCommandData()
{
    if (m_emitEnabled)
        emit stateChanged();
}
