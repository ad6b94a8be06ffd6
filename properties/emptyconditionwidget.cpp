#include "emptyconditionwidget.h"

EmptyConditionWidget::EmptyConditionWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    setMinimumHeight(0);
    setMaximumHeight(1);
}
